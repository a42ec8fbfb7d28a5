#pragma once

#include "graphics/Matrix4.h"
#include "graphics/Vector3.h"
#include "physics/Occluder.h"

namespace Zem::Resource {
class Mesh;
}

namespace Zem::Physics {

// One collision triangle. It keeps the map from world space into its own frame, where x and y
// run along the edges P1 - P0 and P2 - P0 and z is the distance along the normal.
class TriangleOccluder : public Occluder {
public:
    TriangleOccluder(Main::Entity* owner, int32_t id, const Graphics::Vector3& p0,
                     const Graphics::Vector3& p1, const Graphics::Vector3& p2);

    // A ray parallel to the plane misses; the sign of the result is the caller's business.
    float intersect(const Graphics::Vector3& origin, const Graphics::Vector3& direction,
                    Graphics::Vector3* normalOut) const override;

    // World to triangle frame; the zero matrix for a degenerate triangle.
    Graphics::Matrix4 frame;
    // Unit normal; (0, 1, 0) for a degenerate triangle.
    Graphics::Vector3 normal;
};

// Appends one TriangleOccluder per triangle of `mesh` (the owner's own model when null) to the
// owner's occluders. Group g gets the id firstId + g * idStep.
void buildOccluders(const Resource::Mesh* mesh, Main::Entity* owner, int firstId, int idStep);

// Moves every triangle of the owner's by the matrix, for occluders that live in world space.
void transformOccluders(Main::Entity& owner, const Graphics::Matrix4& m);

} // namespace Zem::Physics
