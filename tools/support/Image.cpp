#include "support/Image.h"

#include <cmath>
#include <fstream>

namespace ZemTools {

namespace {

void putLittleEndian(std::ostream& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.put(static_cast<char>((value >> (8 * i)) & 0xff));
    }
}

uint8_t channel(double c) {
    return static_cast<uint8_t>(std::lround(std::fmin(1.0, std::fmax(0.0, c)) * 255.0));
}

} // namespace

Image::Image(int width, int height)
    : width(width), height(height), rgb(static_cast<std::size_t>(width * height * 3), 0) {}

void Image::set(int x, int y, double r, double g, double b) {
    uint8_t* pixel = &rgb[static_cast<std::size_t>((y * width + x) * 3)];
    pixel[0] = channel(r);
    pixel[1] = channel(g);
    pixel[2] = channel(b);
}

bool Image::writeBmp(const std::string& path) const {
    std::ofstream out(path, std::ios::binary);
    if (!out) {
        return false;
    }
    // Each row is padded to a multiple of four bytes.
    const int rowBytes = (width * 3 + 3) & ~3;
    const uint32_t pixelBytes = static_cast<uint32_t>(rowBytes * height);
    out << "BM";
    putLittleEndian(out, 54 + pixelBytes, 4);
    putLittleEndian(out, 0, 4);
    putLittleEndian(out, 54, 4);
    putLittleEndian(out, 40, 4);
    putLittleEndian(out, static_cast<uint32_t>(width), 4);
    putLittleEndian(out, static_cast<uint32_t>(height), 4);
    putLittleEndian(out, 1, 2);
    putLittleEndian(out, 24, 2);
    putLittleEndian(out, 0, 4);
    putLittleEndian(out, pixelBytes, 4);
    putLittleEndian(out, 2835, 4);
    putLittleEndian(out, 2835, 4);
    putLittleEndian(out, 0, 4);
    putLittleEndian(out, 0, 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint8_t* pixel = &rgb[static_cast<std::size_t>((y * width + x) * 3)];
            out.put(static_cast<char>(pixel[2]));
            out.put(static_cast<char>(pixel[1]));
            out.put(static_cast<char>(pixel[0]));
        }
        for (int pad = width * 3; pad < rowBytes; ++pad) {
            out.put(0);
        }
    }
    // Closing flushes: a full disk shows only then.
    out.close();
    return static_cast<bool>(out);
}

} // namespace ZemTools
