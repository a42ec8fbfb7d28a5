#pragma once

#include <cstdint>
#include <vector>

namespace Zem::Graphics {

// The closed mesh each light is drawn with: a geodesic ball around the unit sphere, every face
// at least 1 from the centre, so scaled by a light's radius it holds the whole reach. Faces wind
// counter-clockwise seen from outside.
class LightHull {
public:
    // Built once, on first use.
    static const LightHull& unit();

    std::vector<float> positions; // x, y, z per corner
    std::vector<uint32_t> indices;

private:
    LightHull();
    void subdivide();
    // Pushes the corners out until the nearest face plane is 1 from the centre.
    void enclose();
};

} // namespace Zem::Graphics
