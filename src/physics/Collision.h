#pragma once

#include "graphics/Vector3.h"
#include "physics/TriangleOccluder.h"

namespace Zem::Main {
class Entity;
class Room;
struct TraceHit;
} // namespace Zem::Main

namespace Zem::Physics {

// Bits of castRay's mode.
enum RayMode : int {
    // Report the normal of the triangle hit.
    ReportNormal = 1,
    // Stop at portals instead of continuing in the room behind them.
    StopAtPortals = 2,
};

// The nearest hit of a ray in a room: the room's own occluders (world space) and those of every
// entity in it (in the entity's space, after a bounding-sphere test). Distances are in units of
// the direction's length; -1 when nothing lies closer than maxDistance. A hit on an opening of a
// portal goes on in the room behind it. `skip` is an entity whose occluders are ignored: the
// portal a continued ray starts on.
Main::TraceHit castRay(Main::Room* room, const Graphics::Vector3& origin,
                       const Graphics::Vector3& direction, int mode, float maxDistance,
                       const Main::Entity* skip = nullptr);

// Parameter of the ray's entry into the sphere of `radius` about the origin: -1 for a miss,
// 0 when the ray starts inside.
float raySphere(const Graphics::Vector3& origin, const Graphics::Vector3& direction, float radius);

} // namespace Zem::Physics
