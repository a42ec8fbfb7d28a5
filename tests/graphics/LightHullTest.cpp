#include "graphics/LightHull.h"
#include "graphics/Vector3.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

using Zem::Graphics::LightHull;
using Zem::Graphics::Vector3;

namespace {

const LightHull& hull = LightHull::unit();

Vector3 corner(uint32_t index) {
    return Vector3(hull.positions[3 * index], hull.positions[3 * index + 1],
                   hull.positions[3 * index + 2]);
}

// How far each face's plane lies from the centre, along the normal its winding gives.
std::vector<float> faceDistances() {
    std::vector<float> distances;
    for (std::size_t f = 0; f + 2 < hull.indices.size(); f += 3) {
        const Vector3 a = corner(hull.indices[f]);
        Vector3 normal =
            Vector3::cross(corner(hull.indices[f + 1]) - a, corner(hull.indices[f + 2]) - a);
        normal.normalise();
        distances.push_back(Vector3::dot(normal, a));
    }
    return distances;
}

// Drawn with front faces culled and scaled by the radius, the hull must hold the whole reach.
TEST(LightHullTest, EveryFaceFacesOutwardAtLeastOneFromTheCentre) {
    const std::vector<float> distances = faceDistances();
    for (std::size_t f = 0; f < distances.size(); ++f) {
        EXPECT_GE(distances[f], 1.0f) << "face " << f;
    }
}

// Yet close to the sphere, so few pixels beyond the reach are shaded.
TEST(LightHullTest, TheNearestFaceTouchesTheUnitSphere) {
    const std::vector<float> distances = faceDistances();
    EXPECT_LT(*std::min_element(distances.begin(), distances.end()), 1.01f);
}

TEST(LightHullTest, EveryCornerLiesCloseToTheUnitSphere) {
    for (uint32_t i = 0; i < hull.positions.size() / 3; ++i) {
        EXPECT_LT(corner(i).length(), 1.1f) << "corner " << i;
    }
}

// A hole would let a light miss the pixels seen through it: every edge is shared by exactly
// two faces, which run along it in opposite directions.
TEST(LightHullTest, IsClosed) {
    std::map<std::pair<uint32_t, uint32_t>, int> edges;
    for (std::size_t f = 0; f < hull.indices.size(); f += 3) {
        for (std::size_t k = 0; k < 3; ++k) {
            ++edges[{hull.indices[f + k], hull.indices[f + (k + 1) % 3]}];
        }
    }
    for (const auto& [edge, count] : edges) {
        EXPECT_EQ(count, 1) << edge.first << "-" << edge.second;
        EXPECT_EQ(edges.count({edge.second, edge.first}), 1u) << edge.first << "-" << edge.second;
    }
}

} // namespace
