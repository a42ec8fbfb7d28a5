#include "resource/BMPLoader.h"

#include "main/report.h"
#include "resource/BmpImage.h"
#include "resource/ResourceStream.h"
#include "resource/Texture.h"
#include "resource/readWholeStream.h"

namespace Zem::Resource {

std::string BMPLoader::extension() const {
    return "bmp";
}

std::unique_ptr<Resource> BMPLoader::load(ResourceStream& stream) {
    BmpImage image;
    if (!image.decode(readWholeStream(stream))) {
        Zem::Main::report(stream.name() + ": " + image.error());
        return nullptr;
    }
    auto texture = std::make_unique<Texture>();
    texture->pixels = std::move(image.pixels);
    texture->width = image.width;
    texture->height = image.height;
    texture->bitsPerChannel = 8;
    texture->channels = 3;
    uploadTexture(*texture, stream.name());
    return texture;
}

} // namespace Zem::Resource
