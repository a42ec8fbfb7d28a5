#include "app/StatsOverlay.h"

#include <GL/glew.h>

#include <algorithm>
#include <cctype>

namespace Zem::App {

namespace {

struct Glyph {
    char character;
    unsigned char rows[StatsOverlay::glyphHeight];
};

const Glyph font[] = {
    {'0', {0x0e, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0e}},
    {'1', {0x04, 0x0c, 0x04, 0x04, 0x04, 0x04, 0x0e}},
    {'2', {0x0e, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1f}},
    {'3', {0x1f, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0e}},
    {'4', {0x02, 0x06, 0x0a, 0x12, 0x1f, 0x02, 0x02}},
    {'5', {0x1f, 0x10, 0x1e, 0x01, 0x01, 0x11, 0x0e}},
    {'6', {0x06, 0x08, 0x10, 0x1e, 0x11, 0x11, 0x0e}},
    {'7', {0x1f, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0e, 0x11, 0x11, 0x0e, 0x11, 0x11, 0x0e}},
    {'9', {0x0e, 0x11, 0x11, 0x0f, 0x01, 0x02, 0x0c}},
    {'A', {0x0e, 0x11, 0x11, 0x1f, 0x11, 0x11, 0x11}},
    {'B', {0x1e, 0x11, 0x11, 0x1e, 0x11, 0x11, 0x1e}},
    {'C', {0x0e, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0e}},
    {'D', {0x1e, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1e}},
    {'E', {0x1f, 0x10, 0x10, 0x1e, 0x10, 0x10, 0x1f}},
    {'F', {0x1f, 0x10, 0x10, 0x1e, 0x10, 0x10, 0x10}},
    {'G', {0x0e, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0f}},
    {'H', {0x11, 0x11, 0x11, 0x1f, 0x11, 0x11, 0x11}},
    {'I', {0x0e, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0e}},
    {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0c}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1f}},
    {'M', {0x11, 0x1b, 0x15, 0x15, 0x11, 0x11, 0x11}},
    {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0e, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0e}},
    {'P', {0x1e, 0x11, 0x11, 0x1e, 0x10, 0x10, 0x10}},
    {'Q', {0x0e, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0d}},
    {'R', {0x1e, 0x11, 0x11, 0x1e, 0x14, 0x12, 0x11}},
    {'S', {0x0f, 0x10, 0x10, 0x0e, 0x01, 0x01, 0x1e}},
    {'T', {0x1f, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0e}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0a, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0a}},
    {'X', {0x11, 0x11, 0x0a, 0x04, 0x0a, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x0a, 0x04, 0x04, 0x04, 0x04}},
    {'Z', {0x1f, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1f}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0c, 0x0c}},
    {':', {0x00, 0x0c, 0x0c, 0x00, 0x0c, 0x0c, 0x00}},
    {'-', {0x00, 0x00, 0x00, 0x1f, 0x00, 0x00, 0x00}},
    {'/', {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x00}},
    {'%', {0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03}},
    {'(', {0x02, 0x04, 0x08, 0x08, 0x08, 0x04, 0x02}},
    {')', {0x08, 0x04, 0x02, 0x02, 0x02, 0x04, 0x08}},
    {'?', {0x0e, 0x11, 0x01, 0x02, 0x04, 0x00, 0x04}},
};

constexpr int cellWidth = StatsOverlay::glyphWidth + 1;
constexpr int lineHeight = StatsOverlay::glyphHeight + StatsOverlay::margin;

void dot(int x, int y) {
    const auto left = static_cast<float>(x);
    const auto bottom = static_cast<float>(y);
    const auto size = static_cast<float>(StatsOverlay::scale);
    glVertex2f(left, bottom);
    glVertex2f(left + size, bottom);
    glVertex2f(left + size, bottom + size);
    glVertex2f(left, bottom + size);
}

// The text's dots, with the top-left corner of its first glyph at (x, top).
void drawLine(const std::string& text, int x, int top) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char* rows = StatsOverlay::glyph(text[i]);
        if (rows == nullptr) {
            rows = StatsOverlay::glyph('?');
        }
        const int left = x + static_cast<int>(i) * cellWidth * StatsOverlay::scale;
        for (int row = 0; row < StatsOverlay::glyphHeight; ++row) {
            for (int column = 0; column < StatsOverlay::glyphWidth; ++column) {
                if ((rows[row] >> (StatsOverlay::glyphWidth - 1 - column) & 1) != 0) {
                    dot(left + column * StatsOverlay::scale, top - (row + 1) * StatsOverlay::scale);
                }
            }
        }
    }
}

} // namespace

const unsigned char* StatsOverlay::glyph(char c) {
    if (c == ' ') {
        static const unsigned char blank[glyphHeight] = {};
        return blank;
    }
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const Glyph& entry : font) {
        if (entry.character == upper) {
            return entry.rows;
        }
    }
    return nullptr;
}

int StatsOverlay::panelWidth(const std::vector<std::string>& lines) {
    std::size_t longest = 0;
    for (const std::string& line : lines) {
        longest = std::max(longest, line.size());
    }
    return (static_cast<int>(longest) * cellWidth + 2 * margin) * scale;
}

int StatsOverlay::panelHeight(const std::vector<std::string>& lines) {
    return (static_cast<int>(lines.size()) * lineHeight + margin) * scale;
}

void StatsOverlay::draw(const std::vector<std::string>& lines, int windowWidth, int windowHeight) {
    if (lines.empty() || windowWidth <= 0 || windowHeight <= 0) {
        return;
    }
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    GLint framebuffer = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &framebuffer);
    glUseProgram(0);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);

    glViewport(0, 0, windowWidth, windowHeight);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_CLIP_PLANE0);
    glDisable(GL_LIGHTING);
    for (GLenum unit = GL_TEXTURE3; unit >= GL_TEXTURE0; --unit) {
        glActiveTexture(unit);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_TEXTURE_RECTANGLE_ARB);
    }
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, windowWidth, 0.0, windowHeight, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    const int top = windowHeight;
    const auto width = static_cast<float>(panelWidth(lines));
    const auto height = static_cast<float>(panelHeight(lines));
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0.0f, 0.0f, 0.0f, 0.6f);
    glBegin(GL_QUADS);
    glVertex2f(0.0f, static_cast<float>(top) - height);
    glVertex2f(width, static_cast<float>(top) - height);
    glVertex2f(width, static_cast<float>(top));
    glVertex2f(0.0f, static_cast<float>(top));
    glEnd();
    glDisable(GL_BLEND);

    glColor4f(1.0f, 0.9f, 0.3f, 1.0f);
    glBegin(GL_QUADS);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        drawLine(lines[i], margin * scale,
                 top - (margin + static_cast<int>(i) * lineHeight) * scale);
    }
    glEnd();

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(framebuffer));
    glUseProgram(static_cast<GLuint>(program));
    glPopAttrib();
}

} // namespace Zem::App
