#include "resource/PNGLoader.h"

#include "main/report.h"
#include "resource/PngImage.h"
#include "resource/ResourceStream.h"
#include "resource/Texture.h"
#include "resource/readWholeStream.h"

namespace Zem::Resource {

std::string PNGLoader::extension() const {
    return "png";
}

std::unique_ptr<Resource> PNGLoader::load(ResourceStream& stream) {
    PngImage image;
    if (!image.decode(readWholeStream(stream))) {
        Zem::Main::report(stream.name() + ": " + image.error());
        return nullptr;
    }
    auto texture = std::make_unique<Texture>();
    texture->pixels = std::move(image.pixels);
    texture->width = image.width;
    texture->height = image.height;
    texture->bitsPerChannel = 8;
    texture->channels = image.channels;
    uploadTexture(*texture, stream.name());
    return texture;
}

} // namespace Zem::Resource
