// Writes the show's title card "textures/title.bmp" and end card "textures/endcard.bmp": pale
// lettering on a dark ground with a soft halo and a thin frame, drawn with a small built-in
// 5 x 7 bitmap font. Run from the repository root (or pass the data directory as the only
// argument); the output is the same on every run.

#include "support/DataDirectory.h"
#include "support/Image.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

using ZemTools::Image;

namespace {

// Rows top to bottom, five columns each, '#' set.
struct Glyph {
    char letter;
    std::array<const char*, 7> rows;
};

const Glyph font[] = {
    {'A', {" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"}},
    {'B', {"#### ", "#   #", "#   #", "#### ", "#   #", "#   #", "#### "}},
    {'C', {" ### ", "#   #", "#    ", "#    ", "#    ", "#   #", " ### "}},
    {'D', {"#### ", "#   #", "#   #", "#   #", "#   #", "#   #", "#### "}},
    {'E', {"#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"}},
    {'F', {"#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#    "}},
    {'G', {" ### ", "#   #", "#    ", "# ###", "#   #", "#   #", " ####"}},
    {'H', {"#   #", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"}},
    {'I', {" ### ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "}},
    {'K', {"#   #", "#  # ", "# #  ", "##   ", "# #  ", "#  # ", "#   #"}},
    {'L', {"#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"}},
    {'M', {"#   #", "## ##", "# # #", "# # #", "#   #", "#   #", "#   #"}},
    {'N', {"#   #", "##  #", "# # #", "#  ##", "#   #", "#   #", "#   #"}},
    {'O', {" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "}},
    {'P', {"#### ", "#   #", "#   #", "#### ", "#    ", "#    ", "#    "}},
    {'R', {"#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"}},
    {'S', {" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "}},
    {'T', {"#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "}},
    {'U', {"#   #", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "}},
    {'V', {"#   #", "#   #", "#   #", "#   #", "#   #", " # # ", "  #  "}},
    {'W', {"#   #", "#   #", "#   #", "# # #", "# # #", "## ##", "#   #"}},
    {'X', {"#   #", "#   #", " # # ", "  #  ", " # # ", "#   #", "#   #"}},
    {'Y', {"#   #", "#   #", " # # ", "  #  ", "  #  ", "  #  ", "  #  "}},
    {'Z', {"#####", "    #", "   # ", "  #  ", " #   ", "#    ", "#####"}},
    {'-', {"     ", "     ", "     ", " ### ", "     ", "     ", "     "}},
};

const Glyph* glyphOf(char letter) {
    for (const Glyph& glyph : font) {
        if (glyph.letter == letter) {
            return &glyph;
        }
    }
    return nullptr; // drawn as a blank
}

// A coverage mask the size of the card: 1 where a letter's pixel is.
class Mask {
public:
    Mask(int width, int height) : width(width), height(height), cells(width * height, 0.0) {}

    // `text` centred on the row whose glyph tops are at `top` (pixels from the card's top), each
    // font pixel `scale` x `scale`.
    void write(const std::string& text, int top, int scale) {
        const int advance = 6 * scale;
        const int textWidth = static_cast<int>(text.size()) * advance - scale;
        int left = (width - textWidth) / 2;
        for (char letter : text) {
            if (const Glyph* glyph = glyphOf(letter)) {
                stamp(*glyph, left, top, scale);
            }
            left += advance;
        }
    }

    double at(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) {
            return 0.0;
        }
        return cells[static_cast<std::size_t>(y * width + x)];
    }

    // The mask spread by a box blur of the given radius, run twice: a soft halo.
    Mask blurred(int radius) const {
        Mask once = boxBlur(radius, true).boxBlur(radius, false);
        return once.boxBlur(radius, true).boxBlur(radius, false);
    }

    int width;
    int height;

private:
    void stamp(const Glyph& glyph, int left, int top, int scale) {
        for (int row = 0; row < 7; ++row) {
            for (int column = 0; column < 5; ++column) {
                if (glyph.rows[static_cast<std::size_t>(row)][column] != '#') {
                    continue;
                }
                for (int dy = 0; dy < scale; ++dy) {
                    for (int dx = 0; dx < scale; ++dx) {
                        set(left + column * scale + dx, top + row * scale + dy);
                    }
                }
            }
        }
    }
    void set(int x, int y) {
        if (x >= 0 && y >= 0 && x < width && y < height) {
            cells[static_cast<std::size_t>(y * width + x)] = 1.0;
        }
    }
    Mask boxBlur(int radius, bool horizontal) const {
        Mask out(width, height);
        const double count = 2.0 * radius + 1.0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                double sum = 0.0;
                for (int d = -radius; d <= radius; ++d) {
                    sum += horizontal ? at(x + d, y) : at(x, y + d);
                }
                out.cells[static_cast<std::size_t>(y * width + x)] = sum / count;
            }
        }
        return out;
    }

    std::vector<double> cells;
};

struct Colour {
    double r, g, b;
};

// Letters in `ink` over a vertical gradient from `top` to `bottom`, a halo of `halo` around
// them, and a thin frame two pixels in from the edge. The mask's rows count from the top; the
// image's from the bottom.
Image card(const Mask& letters, Colour top, Colour bottom, Colour ink, Colour halo) {
    const Mask glow = letters.blurred(4);
    Image image(letters.width, letters.height);
    for (int y = 0; y < image.height; ++y) {
        const int row = image.height - 1 - y;
        const double fall = static_cast<double>(row) / (image.height - 1);
        for (int x = 0; x < image.width; ++x) {
            const bool frame =
                (x == 3 || x == image.width - 4 || row == 3 || row == image.height - 4) && x >= 3 &&
                x <= image.width - 4 && row >= 3 && row <= image.height - 4;
            const double g = std::min(1.0, 1.6 * glow.at(x, row));
            const double l = letters.at(x, row);
            Colour c{top.r + (bottom.r - top.r) * fall, top.g + (bottom.g - top.g) * fall,
                     top.b + (bottom.b - top.b) * fall};
            c = {c.r + halo.r * g, c.g + halo.g * g, c.b + halo.b * g};
            if (frame) {
                c = {0.5 * (c.r + ink.r), 0.5 * (c.g + ink.g), 0.5 * (c.b + ink.b)};
            }
            c = {c.r + (ink.r - c.r) * l, c.g + (ink.g - c.g) * l, c.b + (ink.b - c.b) * l};
            image.set(x, y, c.r, c.g, c.b);
        }
    }
    return image;
}

Image titleCard() {
    Mask letters(256, 128);
    letters.write("OMBREL", 26, 6);
    letters.write("A ZEM DEMO", 90, 2);
    return card(letters, {0.02, 0.03, 0.08}, {0.08, 0.03, 0.06}, {1.0, 0.93, 0.75},
                {0.55, 0.3, 0.1});
}

Image endCard() {
    Mask letters(256, 128);
    letters.write("OMBREL", 14, 4);
    letters.write("MADE WITH ZEM", 58, 2);
    letters.write("CODE MUSIC PIXELS", 78, 2);
    letters.write("BY ITS TEAM", 98, 2);
    return card(letters, {0.05, 0.02, 0.07}, {0.01, 0.04, 0.07}, {0.8, 0.92, 1.0},
                {0.1, 0.3, 0.55});
}

} // namespace

int main(int argc, char** argv) {
    const ZemTools::DataDirectory data(argc, argv);
    bool ok = data.writeImage("textures/title.bmp", titleCard());
    ok &= data.writeImage("textures/endcard.bmp", endCard());
    return ok ? 0 : 1;
}
