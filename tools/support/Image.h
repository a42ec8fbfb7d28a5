#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ZemTools {

// A 24-bit image, rows bottom-up as BMP and OpenGL both store them.
struct Image {
    int width;
    int height;
    // Red, green, blue per pixel, row after row.
    std::vector<uint8_t> rgb;

    // All black.
    Image(int width, int height);

    // Channels in [0, 1]; values outside are clamped.
    void set(int x, int y, double r, double g, double b);

    // An uncompressed 24-bit BMP; false when the file cannot be written.
    bool writeBmp(const std::string& path) const;
};

} // namespace ZemTools
