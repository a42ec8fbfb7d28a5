#pragma once

#include "resource/Resource.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Zem::Resource {

// An RGB or RGBA image and the OpenGL 2D texture made from it. The pixels are kept after the
// upload.
class Texture : public Resource {
public:
    Texture() = default;
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;
    // Deletes the OpenGL texture; the cache is emptied while the context still exists.
    ~Texture() override;

    // Takes the image and GL texture of a new load of the same file; the old texture goes with
    // `fresh`. Holders bind `texture` when they draw, so they show the new image at once.
    Reload adopt(Resource& fresh) override;

    // width x height x channels bytes, rows bottom-up, red, green, blue (and alpha) per pixel.
    std::vector<uint8_t> pixels;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerChannel = 8;
    int32_t channels = 3;
    // The OpenGL texture name; bind it to GL_TEXTURE_2D to use it. 0 until uploaded.
    uint32_t texture = 0;
};

// Makes the mipmapped GL_RGB8 (GL_RGBA8 for 4 channels) 2D texture for the pixels and stores
// its name; it stays bound to the active unit. A GL error is reported as "ERROR: ", the file
// name and the error ("ERROR: wall.bmp: GL error 0x0501 (invalid value)"); the texture is kept
// all the same.
void uploadTexture(Texture& texture, const std::string& fileName = "texture");

} // namespace Zem::Resource
