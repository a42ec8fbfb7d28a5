#include "graphics/ScreenRect.h"

#include "graphics/Matrix4.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace Zem::Graphics {

namespace {

using Clip = std::array<float, 4>;

Clip toClip(const Matrix4& m, float x, float y, float z) {
    Clip c{};
    for (int row = 0; row < 4; ++row) {
        c[static_cast<std::size_t>(row)] =
            m.at(row, 0) * x + m.at(row, 1) * y + m.at(row, 2) * z + m.at(row, 3);
    }
    return c;
}

// Signed distance to the near plane in clip space: not negative on the visible side.
float nearDistance(const Clip& c) {
    return c[2] + c[3];
}

class Bounds {
public:
    void add(const Clip& c) {
        // On or past the near plane w is positive for any perspective or orthographic matrix.
        const float w = std::max(c[3], 1e-6f);
        const float x = c[0] / w;
        const float y = c[1] / w;
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
        any = true;
    }
    ScreenRect toPixels(const ScreenRect& viewport) const {
        if (!any) {
            return ScreenRect();
        }
        const auto pixel = [](float ndc, int size) {
            return (std::clamp(ndc, -1.0f, 1.0f) * 0.5f + 0.5f) * static_cast<float>(size);
        };
        // One pixel of slack for rounding in the rasteriser.
        const int x0 = static_cast<int>(std::floor(pixel(minX, viewport.width))) - 1;
        const int y0 = static_cast<int>(std::floor(pixel(minY, viewport.height))) - 1;
        const int x1 = static_cast<int>(std::ceil(pixel(maxX, viewport.width))) + 1;
        const int y1 = static_cast<int>(std::ceil(pixel(maxY, viewport.height))) + 1;
        return ScreenRect(x0, y0, x1 - x0, y1 - y0).intersection(viewport);
    }

private:
    float minX = INFINITY;
    float maxX = -INFINITY;
    float minY = INFINITY;
    float maxY = -INFINITY;
    bool any = false;
};

} // namespace

ScreenRect ScreenRect::ofPoints(const std::vector<float>& xyz, const std::vector<uint32_t>& used,
                                const Matrix4& modelViewProjection, const ScreenRect& viewport) {
    // Openings are a handful of triangles; a bigger shape is taken as covering everything.
    constexpr std::size_t mostPoints = 64;
    std::array<Clip, mostPoints> points{};
    std::size_t count = 0;
    const std::size_t vertexCount = xyz.size() / 3;
    for (uint32_t index : used) {
        if (index >= vertexCount) {
            continue;
        }
        const Clip c =
            toClip(modelViewProjection, xyz[3 * index], xyz[3 * index + 1], xyz[3 * index + 2]);
        if (std::find(points.begin(), points.begin() + count, c) != points.begin() + count) {
            continue;
        }
        if (count == mostPoints) {
            return viewport;
        }
        points[count++] = c;
    }
    Bounds bounds;
    for (std::size_t i = 0; i < count; ++i) {
        const float di = nearDistance(points[i]);
        if (di >= 0.0f) {
            bounds.add(points[i]);
        }
        for (std::size_t j = i + 1; j < count; ++j) {
            const float dj = nearDistance(points[j]);
            if ((di < 0.0f) == (dj < 0.0f)) {
                continue;
            }
            // Where the segment meets the near plane.
            const float t = di / (di - dj);
            Clip cut{};
            for (std::size_t k = 0; k < 4; ++k) {
                cut[k] = points[i][k] + (points[j][k] - points[i][k]) * t;
            }
            bounds.add(cut);
        }
    }
    return bounds.toPixels(viewport);
}

ScreenRect ScreenRect::intersection(const ScreenRect& other) const {
    const int x0 = std::max(x, other.x);
    const int y0 = std::max(y, other.y);
    const int x1 = std::min(x + width, other.x + other.width);
    const int y1 = std::min(y + height, other.y + other.height);
    if (x1 <= x0 || y1 <= y0) {
        return ScreenRect();
    }
    return ScreenRect(x0, y0, x1 - x0, y1 - y0);
}

} // namespace Zem::Graphics
