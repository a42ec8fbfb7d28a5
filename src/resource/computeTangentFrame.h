#pragma once

#include <cstdint>
#include <vector>

namespace Zem::Resource {

// Per-vertex tangent and binormal for normal mapping, both unit length. Each triangle adds
// its texture-space u direction to its three vertices' tangents; triangles whose texture
// coordinates are (nearly) collinear add nothing. The sum is then made perpendicular to the
// vertex normal as stored, and the binormal is normal x tangent. A tangent or binormal that
// comes out zero becomes (0, 1, 0). The output arrays get as many floats as positions.
void computeTangentFrame(const std::vector<float>& positions, const std::vector<float>& texCoords,
                         const std::vector<float>& normals, const std::vector<uint32_t>& indices,
                         std::vector<float>& tangents, std::vector<float>& binormals);

} // namespace Zem::Resource
