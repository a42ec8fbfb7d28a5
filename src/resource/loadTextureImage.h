#pragma once

#include "main/report.h"
#include "resource/Resource.h"
#include "resource/ResourceStream.h"
#include "resource/Texture.h"
#include "resource/readWholeStream.h"

#include <memory>

namespace Zem::Resource {

// Decodes a stream with Image (BmpImage, PngImage) and uploads it as an 8-bit texture; null,
// with the decoder's reason reported under the file's name, when it cannot be read.
template <class Image> std::unique_ptr<Resource> loadTextureImage(ResourceStream& stream) {
    Image image;
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
