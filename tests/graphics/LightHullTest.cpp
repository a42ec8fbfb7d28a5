#include "graphics/LightHull.h"
#include "graphics/Vector3.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <utility>

using Zem::Graphics::LightHull;
using Zem::Graphics::Vector3;

namespace {

Vector3 cornerOf(const LightHull& hull, uint32_t index) {
    return Vector3(hull.positions[3 * index], hull.positions[3 * index + 1],
                   hull.positions[3 * index + 2]);
}

} // namespace

// Drawn with front faces culled and scaled by the radius, the hull must hold the whole reach:
// every face outward-facing and no nearer the centre than 1, yet close to the sphere so few
// pixels beyond the reach are shaded.
TEST(LightHullTest, FacesWindOutwardAndEncloseTheUnitSphereClosely) {
    const LightHull& hull = LightHull::unit();
    ASSERT_EQ(hull.indices.size() % 3, 0u);
    ASSERT_EQ(hull.indices.size(), 80u * 3u);
    float nearest = 2.0f;
    for (std::size_t f = 0; f < hull.indices.size(); f += 3) {
        const Vector3 a = cornerOf(hull, hull.indices[f]);
        const Vector3 b = cornerOf(hull, hull.indices[f + 1]);
        const Vector3 c = cornerOf(hull, hull.indices[f + 2]);
        Vector3 normal = Vector3::cross(b - a, c - a);
        normal.normalise();
        const float planeDistance = Vector3::dot(normal, a);
        EXPECT_GE(planeDistance, 1.0f) << "face " << f / 3;
        nearest = std::min(nearest, planeDistance);
    }
    EXPECT_LT(nearest, 1.01f);
    for (std::size_t i = 0; i < hull.positions.size() / 3; ++i) {
        EXPECT_LT(cornerOf(hull, static_cast<uint32_t>(i)).length(), 1.1f) << "corner " << i;
    }
}

// A hole would let a light miss the pixels seen through it: every edge is shared by exactly
// two faces, which run along it in opposite directions.
TEST(LightHullTest, IsClosed) {
    const LightHull& hull = LightHull::unit();
    std::map<std::pair<uint32_t, uint32_t>, int> edges;
    for (std::size_t f = 0; f < hull.indices.size(); f += 3) {
        for (std::size_t k = 0; k < 3; ++k) {
            ++edges[{hull.indices[f + k], hull.indices[f + (k + 1) % 3]}];
        }
    }
    for (const auto& [edge, count] : edges) {
        EXPECT_EQ(count, 1) << edge.first << "-" << edge.second;
        const auto reverse = edges.find({edge.second, edge.first});
        ASSERT_NE(reverse, edges.end()) << edge.first << "-" << edge.second;
    }
}
