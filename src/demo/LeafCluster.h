#pragma once

#include "graphics/Vector3.h"

#include <cstdint>
#include <vector>

// One cloud of leaves of a LeafStorm: points with random normals, bunched about its centre.
class LeafCluster {
public:
    // Draws 24 random values per point, in order: the point's x, y, z, then its normal's
    // x, y, z, four draws each. A negative amount gives no points.
    LeafCluster(const Zem::Graphics::Vector3& position, int32_t amount, float spread);

    // The points as GL points about `position`, each with its normal. The material and point
    // size are the storm's.
    void draw() const;

    // Relative to position, each coordinate within half the spread.
    std::vector<Zem::Graphics::Vector3> points;
    // Unit length.
    std::vector<Zem::Graphics::Vector3> normals;
    // Centre in the storm's frame.
    Zem::Graphics::Vector3 position;
    int32_t amount;
    float spread;

    // 8 u1 u2 u3 u4 from four draws u = r - 0.5: within [-0.5, 0.5], bunched near 0.
    static float randomScalar();
};
