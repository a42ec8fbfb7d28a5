#pragma once

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ZemTest {

// Writes a w x h PNG of one colour in libpng's `format` (PNG_FORMAT_RGB, PNG_FORMAT_RGBA,
// PNG_FORMAT_GRAY, PNG_FORMAT_LINEAR_RGB for 16 bits a channel, ...), each channel `value` of
// 255 (of 65535 for linear formats).
inline bool writePng(const std::string& path, int w, int h, png_uint_32 format, double value) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(w);
    png.height = static_cast<png_uint_32>(h);
    png.format = format;
    const bool linear = (format & PNG_FORMAT_FLAG_LINEAR) != 0;
    std::vector<std::uint16_t> wide(PNG_IMAGE_SIZE(png) / 2 + 1,
                                    static_cast<std::uint16_t>(value * 65535.0));
    std::vector<std::uint8_t> narrow(PNG_IMAGE_SIZE(png), static_cast<std::uint8_t>(value * 255.0));
    const void* pixels = linear ? static_cast<const void*>(wide.data()) : narrow.data();
    const bool written = png_image_write_to_file(&png, path.c_str(), 0, pixels, 0, nullptr) != 0;
    png_image_free(&png);
    return written;
}

// Eight bits a channel, any colour: rows of red, green, blue (and alpha) bytes, top row first.
inline bool writePng(const std::string& path, int w, int h, png_uint_32 format,
                     const std::vector<std::uint8_t>& pixels) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(w);
    png.height = static_cast<png_uint_32>(h);
    png.format = format;
    const bool written =
        png_image_write_to_file(&png, path.c_str(), 0, pixels.data(), 0, nullptr) != 0;
    png_image_free(&png);
    return written;
}

} // namespace ZemTest
