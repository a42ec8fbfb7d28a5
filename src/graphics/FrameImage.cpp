#include "graphics/FrameImage.h"

#include <GL/glew.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
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

namespace {

// The window's pixels are gamma-encoded (2.2); light adds up linearly.
float toLinear(float encoded) {
    return std::pow(encoded / 255.0f, 2.2f);
}

} // namespace

FrameImage FrameImage::shrunk(int factor) const {
    if (factor < 2) {
        return *this;
    }
    FrameImage image(imageWidth / factor, imageHeight / factor);
    // Each value's light, and the light halfway (in encoded terms) between each value and the
    // next: a mean is encoded as the number of halfway points below it, the nearest value.
    std::array<float, 256> linear{};
    std::array<float, 255> halfway{};
    for (std::size_t i = 0; i < linear.size(); ++i) {
        linear[i] = toLinear(static_cast<float>(i));
        if (i < halfway.size()) {
            halfway[i] = toLinear(static_cast<float>(i) + 0.5f);
        }
    }
    const float share = 1.0f / static_cast<float>(factor * factor);
    std::vector<float> sums(static_cast<std::size_t>(image.imageWidth) * 3);
    for (int row = 0; row < image.imageHeight; ++row) {
        std::fill(sums.begin(), sums.end(), 0.0f);
        for (int y = row * factor; y < (row + 1) * factor; ++y) {
            const std::uint8_t* source =
                &pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(imageWidth) * 3];
            for (std::size_t x = 0; x < sums.size() / 3 * static_cast<std::size_t>(factor); ++x) {
                float* sum = &sums[(x / static_cast<std::size_t>(factor)) * 3];
                for (std::size_t c = 0; c < 3; ++c) {
                    sum[c] += linear[source[x * 3 + c]];
                }
            }
        }
        std::uint8_t* target = &image.pixels[static_cast<std::size_t>(row) * sums.size()];
        for (std::size_t i = 0; i < sums.size(); ++i) {
            target[i] = static_cast<std::uint8_t>(
                std::upper_bound(halfway.begin(), halfway.end(), sums[i] * share) -
                halfway.begin());
        }
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

namespace {

[[noreturn]] void abandonPng(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void ignorePngWarning(png_structp, png_const_charp) {}

// Huffman coding alone after the left-neighbour filter: a captured frame costs about half the
// CPU of the library's fast preset, taken from the frame drawn meanwhile, and the file is smaller.
bool writePngRows(std::FILE* file, const std::uint8_t* pixels, int width, int height) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, abandonPng, ignorePngWarning);
    if (png == nullptr) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    // Where the library's errors return to; nothing here needs unwinding.
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_compression_strategy(png, Z_HUFFMAN_ONLY);
    png_write_info(png, info);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    for (std::size_t row = 0; row < static_cast<std::size_t>(height); ++row) {
        png_write_row(png, &pixels[row * rowBytes]);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool FrameImage::writePng(const std::string& path) const {
    if (pixels.empty()) {
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool encoded = writePngRows(file, pixels.data(), imageWidth, imageHeight);
    const bool written = std::fclose(file) == 0 && encoded;
    if (!written) {
        std::remove(path.c_str());
    }
    return written;
}

} // namespace Zem::Graphics
