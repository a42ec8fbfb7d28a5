#include "graphics/FrameImage.h"

#include <GL/glew.h>
#include <png.h>

#include <cstdio>
#include <cstring>

namespace Zem::Graphics {

FrameImage::FrameImage(int width, int height)
    : imageWidth(width > 0 && height > 0 ? width : 0),
      imageHeight(width > 0 && height > 0 ? height : 0),
      pixels(static_cast<std::size_t>(imageWidth) * static_cast<std::size_t>(imageHeight) * 3) {}

FrameImage FrameImage::readFramebuffer(int x, int y, int width, int height) {
    FrameImage image(width, height);
    if (image.empty()) {
        return image;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    std::vector<std::uint8_t> bottomUp(rowBytes * static_cast<std::size_t>(height));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    // GL's rows run bottom-up; pictures and files top-down.
    for (std::size_t row = 0; row < static_cast<std::size_t>(height); ++row) {
        const std::size_t source = static_cast<std::size_t>(height) - 1 - row;
        std::memcpy(&image.pixels[row * rowBytes], &bottomUp[source * rowBytes], rowBytes);
    }
    return image;
}

FrameImage FrameImage::readPng(const std::string& path) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&png, path.c_str()) == 0) {
        return FrameImage();
    }
    png.format = PNG_FORMAT_RGB;
    FrameImage image(static_cast<int>(png.width), static_cast<int>(png.height));
    if (image.empty() ||
        png_image_finish_read(&png, nullptr, image.pixels.data(), 0, nullptr) == 0) {
        png_image_free(&png);
        return FrameImage();
    }
    return image;
}

std::array<std::uint8_t, 3> FrameImage::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= imageWidth || y >= imageHeight) {
        return {0, 0, 0};
    }
    const std::size_t at =
        (static_cast<std::size_t>(y) * static_cast<std::size_t>(imageWidth) + x) * 3;
    return {pixels[at], pixels[at + 1], pixels[at + 2]};
}

bool FrameImage::writePng(const std::string& path) const {
    if (pixels.empty()) {
        return false;
    }
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(imageWidth);
    png.height = static_cast<png_uint_32>(imageHeight);
    png.format = PNG_FORMAT_RGB;
    const bool written =
        png_image_write_to_file(&png, path.c_str(), 0, pixels.data(), imageWidth * 3, nullptr) != 0;
    png_image_free(&png);
    if (!written) {
        std::remove(path.c_str());
    }
    return written;
}

} // namespace Zem::Graphics
