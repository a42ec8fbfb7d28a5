#pragma once

#include <GL/glew.h>
#include <png.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace ZemTest {

// An RGB image read back from the current GL framebuffer, top row first.
class ImageCapture {
public:
    // (x, y) is the lower-left corner of the rectangle, in GL's convention.
    static ImageCapture readFramebuffer(int x, int y, int width, int height) {
        ImageCapture image;
        if (width <= 0 || height <= 0) {
            return image;
        }
        image.imageWidth = width;
        image.imageHeight = height;
        const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
        std::vector<std::uint8_t> bottomUp(rowBytes * static_cast<std::size_t>(height));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
        for (std::size_t row = static_cast<std::size_t>(height); row-- > 0;) {
            image.pixels.insert(image.pixels.end(), bottomUp.begin() + row * rowBytes,
                                bottomUp.begin() + (row + 1) * rowBytes);
        }
        return image;
    }

    // An 8-bit RGB image read from a PNG file; empty when it cannot be read.
    static ImageCapture readPng(const std::string& path) {
        ImageCapture result;
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
            return result;
        }
        image.format = PNG_FORMAT_RGB;
        std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
        if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) == 0) {
            png_image_free(&image);
            return result;
        }
        result.imageWidth = static_cast<int>(image.width);
        result.imageHeight = static_cast<int>(image.height);
        result.pixels = std::move(pixels);
        return result;
    }

    // An image of the given size from RGB bytes, top row first.
    static ImageCapture fromPixels(int width, int height, std::vector<std::uint8_t> rgb) {
        ImageCapture image;
        if (rgb.size() == static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3) {
            image.imageWidth = width;
            image.imageHeight = height;
            image.pixels = std::move(rgb);
        }
        return image;
    }

    int width() const { return imageWidth; }
    int height() const { return imageHeight; }

    // Row 0 is the top row; black outside the image.
    std::array<std::uint8_t, 3> pixel(int x, int y) const {
        if (x < 0 || y < 0 || x >= imageWidth || y >= imageHeight) {
            return {0, 0, 0};
        }
        const std::size_t at = (static_cast<std::size_t>(y) * imageWidth + x) * 3;
        return {pixels[at], pixels[at + 1], pixels[at + 2]};
    }
    const std::vector<std::uint8_t>& data() const { return pixels; }

    // Writes the image as an 8-bit RGB PNG; a file that could not be written whole is removed.
    bool writePng(const std::string& path) const {
        if (pixels.empty()) {
            return false;
        }
        png_image image{};
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

private:
    int imageWidth = 0;
    int imageHeight = 0;
    std::vector<std::uint8_t> pixels;
};

} // namespace ZemTest
