#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ZemTest {

// An RGB image read back from the current GL framebuffer, top row first.
class ImageCapture {
public:
    ImageCapture() = default;
    ImageCapture(int width, int height);

    // Reads the given rectangle of the current read buffer (the window's back buffer for a
    // double-buffered window, or a bound framebuffer object). (x, y) is the lower-left corner,
    // in GL's convention.
    static ImageCapture readFramebuffer(int x, int y, int width, int height);

    int width() const { return imageWidth; }
    int height() const { return imageHeight; }
    bool isEmpty() const { return pixels.empty(); }
    // Row 0 is the top row, as the image is shown.
    std::array<std::uint8_t, 3> pixel(int x, int y) const;
    const std::vector<std::uint8_t>& data() const { return pixels; }

    // Writes an 8-bit RGB PNG; false (with nothing left behind) when it cannot.
    bool writePng(const std::string& path) const;

private:
    int imageWidth = 0;
    int imageHeight = 0;
    std::vector<std::uint8_t> pixels;
};

} // namespace ZemTest
