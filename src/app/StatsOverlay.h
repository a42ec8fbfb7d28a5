#pragma once

#include <string>
#include <vector>

namespace Zem::App {

// Lines of text drawn over the finished frame in its top-left corner, on a dark panel, in a
// small built-in 5 x 7 font (digits, capital letters, a few signs; lower case is shown as
// capitals, anything else as "?"). Leaves the GL state as it found it.
class StatsOverlay {
public:
    // Pixels per font dot.
    static constexpr int scale = 2;
    static constexpr int glyphWidth = 5;
    static constexpr int glyphHeight = 7;
    // Around the text and between lines, in font dots.
    static constexpr int margin = 2;

    // Draws onto the window framebuffer of the given size.
    static void draw(const std::vector<std::string>& lines, int windowWidth, int windowHeight);
    // The panel's size in pixels for these lines.
    static int panelWidth(const std::vector<std::string>& lines);
    static int panelHeight(const std::vector<std::string>& lines);
    // The glyph's seven rows, the left dot in bit 4; null for a character without a glyph.
    static const unsigned char* glyph(char c);
};

} // namespace Zem::App
