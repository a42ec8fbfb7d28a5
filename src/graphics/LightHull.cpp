#include "graphics/LightHull.h"

#include "graphics/Vector3.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace Zem::Graphics {

namespace {

Vector3 corner(const std::vector<float>& xyz, uint32_t i) {
    return Vector3(xyz[3 * i], xyz[3 * i + 1], xyz[3 * i + 2]);
}

} // namespace

const LightHull& LightHull::unit() {
    static const LightHull hull;
    return hull;
}

LightHull::LightHull() {
    // The icosahedron on the unit sphere.
    const float t = (1.0f + std::sqrt(5.0f)) / 2.0f;
    const float s = 1.0f / std::sqrt(1.0f + t * t);
    const float a = s;
    const float b = t * s;
    positions = {-a, b,  0,  a, b, 0,  -a, -b, 0,  a, -b, 0, 0,  -a, b,  0,  a, b,
                 0,  -a, -b, 0, a, -b, b,  0,  -a, b, 0,  a, -b, 0,  -a, -b, 0, a};
    indices = {0, 11, 5,  0, 5,  1, 0, 1, 7, 0, 7,  10, 0, 10, 11, 1, 5, 9, 5, 11,
               4, 11, 10, 2, 10, 7, 6, 7, 1, 8, 3,  9,  4, 3,  4,  2, 3, 2, 6, 3,
               6, 8,  3,  8, 9,  4, 9, 5, 2, 4, 11, 6,  2, 10, 8,  6, 7, 9, 8, 1};
    subdivide();
    enclose();
}

// Each triangle in four, the new corners on the unit sphere: 80 faces hug the sphere closely
// enough that the hull covers few pixels the reach does not.
void LightHull::subdivide() {
    std::map<std::pair<uint32_t, uint32_t>, uint32_t> middles;
    const auto middle = [&](uint32_t i, uint32_t j) {
        const std::pair<uint32_t, uint32_t> key(std::min(i, j), std::max(i, j));
        const auto found = middles.find(key);
        if (found != middles.end()) {
            return found->second;
        }
        Vector3 m = corner(positions, i) + corner(positions, j);
        m = m * (1.0f / std::sqrt(Vector3::dot(m, m)));
        const auto index = static_cast<uint32_t>(positions.size() / 3);
        positions.insert(positions.end(), {m.x, m.y, m.z});
        middles.emplace(key, index);
        return index;
    };
    std::vector<uint32_t> finer;
    for (std::size_t f = 0; f + 2 < indices.size(); f += 3) {
        const uint32_t v0 = indices[f];
        const uint32_t v1 = indices[f + 1];
        const uint32_t v2 = indices[f + 2];
        const uint32_t m01 = middle(v0, v1);
        const uint32_t m12 = middle(v1, v2);
        const uint32_t m20 = middle(v2, v0);
        finer.insert(finer.end(), {v0, m01, m20, v1, m12, m01, v2, m20, m12, m01, m12, m20});
    }
    indices = std::move(finer);
}

void LightHull::enclose() {
    float nearest = 1.0f;
    for (std::size_t f = 0; f + 2 < indices.size(); f += 3) {
        const Vector3 p0 = corner(positions, indices[f]);
        const Vector3 p1 = corner(positions, indices[f + 1]);
        const Vector3 p2 = corner(positions, indices[f + 2]);
        Vector3 normal = Vector3::cross(p1 - p0, p2 - p0);
        normal = normal * (1.0f / normal.length());
        nearest = std::min(nearest, std::fabs(Vector3::dot(normal, p0)));
    }
    // A hair more against rounding in the rasteriser.
    const float grow = 1.001f / nearest;
    for (float& value : positions) {
        value *= grow;
    }
}

} // namespace Zem::Graphics
