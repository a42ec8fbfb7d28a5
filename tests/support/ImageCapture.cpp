#include "support/ImageCapture.h"

#include <GL/glew.h>
#include <png.h>

#include <cstdio>
#include <cstring>

namespace ZemTest {

ImageCapture::ImageCapture(int width, int height)
    : imageWidth(width), imageHeight(height),
      pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3) {}

ImageCapture ImageCapture::readFramebuffer(int x, int y, int width, int height) {
    if (width <= 0 || height <= 0) {
        return ImageCapture();
    }
    ImageCapture image(width, height);
    std::vector<std::uint8_t> bottomUp(image.pixels.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());

    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    for (int row = 0; row < height; ++row) {
        std::memcpy(&image.pixels[static_cast<std::size_t>(row) * rowBytes],
                    &bottomUp[static_cast<std::size_t>(height - 1 - row) * rowBytes], rowBytes);
    }
    return image;
}

std::array<std::uint8_t, 3> ImageCapture::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= imageWidth || y >= imageHeight) {
        return {0, 0, 0};
    }
    const std::size_t at = (static_cast<std::size_t>(y) * imageWidth + x) * 3;
    return {pixels[at], pixels[at + 1], pixels[at + 2]};
}

bool ImageCapture::writePng(const std::string& path) const {
    if (isEmpty()) {
        return false;
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(imageWidth);
    image.height = static_cast<png_uint_32>(imageHeight);
    image.format = PNG_FORMAT_RGB;
    const bool written = png_image_write_to_file(&image, path.c_str(), 0, pixels.data(),
                                                 imageWidth * 3, nullptr) != 0;
    png_image_free(&image);
    if (!written) {
        std::remove(path.c_str());
    }
    return written;
}

} // namespace ZemTest
