#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace Zem::Graphics {

// An 8-bit RGB picture, top row first: a finished frame read back from GL, or one read from a
// PNG file.
class FrameImage {
public:
    FrameImage() = default;
    FrameImage(int width, int height);

    // The rectangle of the current read buffer whose lower-left corner is (x, y), GL's way.
    static FrameImage readFramebuffer(int x, int y, int width, int height);
    // An empty image when the file cannot be read as a PNG.
    static FrameImage readPng(const std::string& path);

    int width() const { return imageWidth; }
    int height() const { return imageHeight; }
    bool empty() const { return pixels.empty(); }
    // Row 0 is the top row; black outside the image.
    std::array<std::uint8_t, 3> pixel(int x, int y) const;
    const std::vector<std::uint8_t>& data() const { return pixels; }
    std::vector<std::uint8_t>& data() { return pixels; }

    // The image filtered down by `factor` in each direction: every factor x factor block of
    // pixels becomes one, their mean in linear light. A size that is not a multiple of the
    // factor drops the last partial rows and columns; a factor below 2 copies the image.
    FrameImage shrunk(int factor) const;

    // Writes the image as an 8-bit RGB PNG; a file that could not be written whole is removed.
    bool writePng(const std::string& path) const;

private:
    int imageWidth = 0;
    int imageHeight = 0;
    std::vector<std::uint8_t> pixels;
};

} // namespace Zem::Graphics
