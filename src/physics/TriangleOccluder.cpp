#include "physics/TriangleOccluder.h"

#include "main/Entity.h"
#include "resource/Mesh.h"

#include <cstddef>
#include <memory>

namespace Zem::Physics {

using Graphics::Matrix4;
using Graphics::Vector3;

TriangleOccluder::TriangleOccluder(Main::Entity* owner, int32_t id, const Vector3& p0,
                                   const Vector3& p1, const Vector3& p2)
    : Occluder(owner, id) {
    const Vector3 e1 = p1 - p0;
    const Vector3 e2 = p2 - p0;
    const Vector3 perpendicular = Vector3::cross(e1, e2);
    normal = perpendicular;
    normal.normalise();
    if (perpendicular.length() == 0.0f) {
        // Collinear corners: the inverse below would only be zero if rounding happened to
        // make the determinant exactly 0, so say it outright. Every ray misses a zero frame.
        frame = Matrix4::zero();
        return;
    }
    Matrix4 triangleToWorld;
    for (int row = 0; row < 3; ++row) {
        triangleToWorld.at(row, 0) = e1[row];
        triangleToWorld.at(row, 1) = e2[row];
        triangleToWorld.at(row, 2) = normal[row];
        triangleToWorld.at(row, 3) = p0[row];
    }
    frame = triangleToWorld.inverse();
}

float TriangleOccluder::intersect(const Vector3& origin, const Vector3& direction,
                                  Vector3* normalOut) const {
    if (normalOut != nullptr) {
        *normalOut = normal;
    }
    const Vector3 o = frame.transformPoint(origin);
    const Vector3 d = frame.transformDirection(direction);
    if (d.z == 0.0f) {
        return -1.0f;
    }
    const float t = -o.z / d.z;
    const float u = o.x + t * d.x;
    const float v = o.y + t * d.y;
    if (u >= 0.0f && v >= 0.0f && u + v <= 1.0f) {
        return t;
    }
    return -1.0f;
}

namespace {

Vector3 vertexAt(const std::vector<float>& positions, uint32_t index) {
    const std::size_t base = static_cast<std::size_t>(index) * 3;
    return Vector3(positions[base], positions[base + 1], positions[base + 2]);
}

} // namespace

void buildOccluders(const Resource::Mesh* mesh, Main::Entity* owner, int firstId, int idStep) {
    if (owner == nullptr) {
        return;
    }
    if (mesh == nullptr) {
        mesh = owner->model;
    }
    if (mesh == nullptr) {
        return;
    }
    int groupNumber = 0;
    for (const auto& group : mesh->groups) {
        if (group == nullptr) {
            break;
        }
        const int32_t id = firstId + groupNumber * idStep;
        ++groupNumber;
        const std::vector<float>& positions = group->positions;
        const std::vector<uint32_t>& indices = group->indices;
        const std::size_t vertexCount = positions.size() / 3;
        for (std::size_t i = 0; i + 2 < indices.size(); i += 3) {
            const uint32_t i0 = indices[i];
            const uint32_t i1 = indices[i + 1];
            const uint32_t i2 = indices[i + 2];
            // The loader rejects such files; a hand-built mesh must not read past its vertices.
            if (i0 >= vertexCount || i1 >= vertexCount || i2 >= vertexCount) {
                continue;
            }
            owner->occluders.push_back(std::make_unique<TriangleOccluder>(
                owner, id, vertexAt(positions, i0), vertexAt(positions, i1),
                vertexAt(positions, i2)));
        }
    }
}

} // namespace Zem::Physics

namespace Zem::Physics {

void transformOccluders(Main::Entity& owner, const Matrix4& m) {
    for (auto& occluder : owner.occluders) {
        const auto* triangle = dynamic_cast<const TriangleOccluder*>(occluder.get());
        if (triangle == nullptr || triangle->frame == Matrix4::zero()) {
            continue;
        }
        // The frame's inverse has the edges and the first corner as its columns.
        const Matrix4 toWorld = triangle->frame.inverse();
        const Vector3 p0 = toWorld.getTranslation();
        const Vector3 p1 = p0 + Vector3(toWorld.at(0, 0), toWorld.at(1, 0), toWorld.at(2, 0));
        const Vector3 p2 = p0 + Vector3(toWorld.at(0, 1), toWorld.at(1, 1), toWorld.at(2, 1));
        occluder = std::make_unique<TriangleOccluder>(&owner, triangle->id, m.transformPoint(p0),
                                                      m.transformPoint(p1), m.transformPoint(p2));
    }
}

} // namespace Zem::Physics
