#pragma once

#include <cstdint>
#include <vector>

namespace Zem::Graphics {

struct Matrix4;

// A rectangle of whole pixels on a render target, in GL's window convention (x, y of the
// lower-left pixel). Used to keep fragment work inside what can be seen.
class ScreenRect {
public:
    ScreenRect() = default;
    ScreenRect(int x, int y, int width, int height) : x(x), y(y), width(width), height(height) {}

    static ScreenRect whole(int width, int height) { return ScreenRect(0, 0, width, height); }

    // The pixels covered by the points (x, y, z, 1) through modelViewProjection, after clipping
    // away what lies in front of the near plane; the segments between every pair of points are
    // clipped too, so the rectangle holds their convex hull. Inside `viewport` (a rectangle
    // starting at 0, 0), rounded outwards; empty when everything lies before the near plane.
    static ScreenRect ofPoints(const std::vector<float>& xyz, const std::vector<uint32_t>& used,
                               const Matrix4& modelViewProjection, const ScreenRect& viewport);

    bool empty() const { return width <= 0 || height <= 0; }
    ScreenRect intersection(const ScreenRect& other) const;
    bool operator==(const ScreenRect& other) const {
        return x == other.x && y == other.y && width == other.width && height == other.height;
    }

    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

} // namespace Zem::Graphics
