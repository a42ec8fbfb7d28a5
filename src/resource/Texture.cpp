#include "resource/Texture.h"

#include "graphics/hasCurrentContext.h"
#include "main/report.h"

#include <GL/glew.h>

#include <cstdio>
#include <utility>

namespace Zem::Resource {

Texture::~Texture() {
    if (texture != 0) {
        glDeleteTextures(1, &texture);
    }
}

Reload Texture::adopt(Resource& fresh) {
    auto* other = dynamic_cast<Texture*>(&fresh);
    if (other == nullptr || other->texture == 0) {
        return Reload::Refused;
    }
    std::swap(pixels, other->pixels);
    std::swap(width, other->width);
    std::swap(height, other->height);
    std::swap(bitsPerChannel, other->bitsPerChannel);
    std::swap(channels, other->channels);
    std::swap(texture, other->texture);
    return Reload::InPlace;
}

namespace {

const char* glErrorWords(GLenum error) {
    switch (error) {
    case GL_INVALID_ENUM:
        return "invalid enum";
    case GL_INVALID_VALUE:
        return "invalid value";
    case GL_INVALID_OPERATION:
        return "invalid operation";
    case GL_OUT_OF_MEMORY:
        return "out of memory";
    default:
        return "unknown";
    }
}

} // namespace

void uploadTexture(Texture& texture, const std::string& fileName) {
    // Without a context the texture stays unnamed (0); it is never drawn.
    if (!Graphics::hasCurrentContext()) {
        return;
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    texture.texture = name;
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, 1.0f);

    const std::size_t expected =
        std::size_t(texture.width) * std::size_t(texture.height) * std::size_t(texture.channels);
    const bool rgba = texture.channels == 4;
    if (texture.width <= 0 || texture.height <= 0 || (texture.channels != 3 && !rgba) ||
        texture.pixels.size() < expected) {
        // Never hand GL a buffer shorter than the image it describes.
        Zem::Main::report(
            std::string("ERROR: ") + fileName + ": " + std::to_string(texture.pixels.size()) +
            " bytes of pixels do not make a " + std::to_string(texture.width) + " x " +
            std::to_string(texture.height) + (rgba ? " RGBA" : " RGB") + " image");
        return;
    }

    // Rows are packed without padding; GL's default 4-byte row alignment would read past the
    // end of any row whose width is not a multiple of 4.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, rgba ? GL_RGBA8 : GL_RGB8, texture.width, texture.height, 0,
                 rgba ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE, texture.pixels.data());
    const GLenum error = glGetError();
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    if (error != GL_NO_ERROR) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(error));
        Zem::Main::report(std::string("ERROR: ") + fileName + ": GL error " + code + " (" +
                          glErrorWords(error) + ") for a " + std::to_string(texture.width) + " x " +
                          std::to_string(texture.height) + " image");
    }
}

} // namespace Zem::Resource
