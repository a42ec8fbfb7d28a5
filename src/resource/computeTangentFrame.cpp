#include "resource/computeTangentFrame.h"

#include "graphics/Vector3.h"

#include <cmath>

namespace Zem::Resource {

using Graphics::Vector3;

namespace {

Vector3 vectorAt(const std::vector<float>& values, std::size_t vertex) {
    return Vector3(values[3 * vertex], values[3 * vertex + 1], values[3 * vertex + 2]);
}

void store(std::vector<float>& values, std::size_t vertex, const Vector3& v) {
    values[3 * vertex] = v.x;
    values[3 * vertex + 1] = v.y;
    values[3 * vertex + 2] = v.z;
}

// Below this the texture mapping of a triangle is too close to collinear to give a direction.
constexpr float minimumDeterminant = 0.001f;

} // namespace

void computeTangentFrame(const std::vector<float>& positions, const std::vector<float>& texCoords,
                         const std::vector<float>& normals, const std::vector<uint32_t>& indices,
                         std::vector<float>& tangents, std::vector<float>& binormals) {
    tangents.assign(positions.size(), 0.0f);
    binormals.assign(positions.size(), 0.0f);

    for (std::size_t i = 0; i + 2 < indices.size(); i += 3) {
        const uint32_t i0 = indices[i];
        const uint32_t i1 = indices[i + 1];
        const uint32_t i2 = indices[i + 2];
        const Vector3 p0 = vectorAt(positions, i0);
        const Vector3 e1 = vectorAt(positions, i1) - p0;
        const Vector3 e2 = vectorAt(positions, i2) - p0;
        const float du1 = texCoords[2 * i1] - texCoords[2 * i0];
        const float dv1 = texCoords[2 * i1 + 1] - texCoords[2 * i0 + 1];
        const float du2 = texCoords[2 * i2] - texCoords[2 * i0];
        const float dv2 = texCoords[2 * i2 + 1] - texCoords[2 * i0 + 1];
        const float det = du1 * dv2 - du2 * dv1;
        if (!(std::fabs(det) > minimumDeterminant)) {
            continue;
        }
        const Vector3 faceTangent = (e1 * dv2 - e2 * dv1) * (1.0f / det);
        for (const uint32_t vertex : {i0, i1, i2}) {
            store(tangents, vertex, vectorAt(tangents, vertex) + faceTangent);
        }
    }

    const std::size_t vertexCount = positions.size() / 3;
    for (std::size_t vertex = 0; vertex < vertexCount; ++vertex) {
        const Vector3 n = vectorAt(normals, vertex);
        const Vector3 t = vectorAt(tangents, vertex);
        Vector3 tangent = t - n * Vector3::dot(n, t);
        tangent.normalise();
        Vector3 binormal = Vector3::cross(n, tangent);
        binormal.normalise();
        store(tangents, vertex, tangent);
        store(binormals, vertex, binormal);
    }
}

} // namespace Zem::Resource
