#include "physics/Collision.h"

#include "graphics/MathUtil.h"
#include "main/Entity.h"
#include "main/Room.h"
#include "physics/Occluder.h"

#include <algorithm>

namespace Zem::Physics {

using Graphics::Matrix4;
using Graphics::Vector3;

float raySphere(const Vector3& origin, const Vector3& direction, float radius) {
    const float b = 2.0f * Vector3::dot(direction, origin);
    const float a = Vector3::dot(direction, direction);
    const float c = Vector3::dot(origin, origin) - radius * radius;
    const float disc = b * b - 4.0f * a * c;
    if (disc < 0.0f) {
        return -1.0f;
    }
    const float root = Graphics::squareRoot(disc);
    const float t1 = (root - b) / (2.0f * a);
    const float t2 = (-b - root) / (2.0f * a);
    if (t1 < 0.0f && t2 < 0.0f) {
        return -1.0f;
    }
    if (t1 > 0.0f && t2 > 0.0f) {
        return t1 < t2 ? t1 : t2;
    }
    return 0.0f;
}

namespace {

struct NearestHit {
    float distance;
    const Occluder* occluder = nullptr;
    Vector3 normal;
};

void testOccluders(const Main::Entity& entity, const Vector3& origin, const Vector3& direction,
                   int mode, NearestHit& nearest) {
    const bool wantNormal = (mode & ReportNormal) != 0;
    for (const auto& occluder : entity.occluders) {
        Vector3 normal;
        const float t = occluder->intersect(origin, direction, wantNormal ? &normal : nullptr);
        if (t >= 0.0f && t < nearest.distance) {
            nearest.distance = t;
            nearest.occluder = occluder.get();
            if (wantNormal) {
                nearest.normal = normal;
            }
        }
    }
}

} // namespace

Main::TraceHit castRay(Main::Room* room, const Vector3& origin, const Vector3& direction, int mode,
                       float maxDistance, const Main::Entity* skip) {
    Main::TraceHit result;
    if (room == nullptr) {
        result.distance = -1.0f;
        return result;
    }
    NearestHit nearest;
    nearest.distance = maxDistance;
    if (room != skip) {
        // A room's own collision mesh is in world space.
        testOccluders(*room, origin, direction, mode, nearest);
    }
    for (Main::Entity* entity : room->entities) {
        if (entity == nullptr || entity == skip || entity->occluders.empty()) {
            continue;
        }
        entity->getWorldMatrix();
        const Matrix4& inverse = entity->getInverseWorldMatrix();
        const Vector3 o = inverse.transformPoint(origin);
        const Vector3 d = inverse.transformDirection(direction);
        // The radius is the world's; in the entity's own units a scale shrinks or grows it.
        const Vector3& scale = entity->scale;
        const float s =
            raySphere(o, d, entity->radius / std::min(scale.x, std::min(scale.y, scale.z)));
        // The transform is affine, so distances in entity space compare with world ones.
        if (s >= 0.0f && s < nearest.distance) {
            testOccluders(*entity, o, d, mode, nearest);
        }
    }

    if (nearest.occluder != nullptr) {
        result.id = nearest.occluder->id;
        result.entity = nearest.occluder->owner;
    }
    result.distance = nearest.distance;
    Main::Entity* owner = result.entity;
    if ((mode & StopAtPortals) == 0 && owner != nullptr &&
        (owner->flags & Main::EntityFlags::Portal) != 0) {
        const Main::TraceHit beyond =
            owner->trace(origin, direction, mode, maxDistance, result.distance, result.id);
        result.id = beyond.id;
        result.entity = beyond.entity;
        result.distance = beyond.distance;
    }
    if (maxDistance <= result.distance) {
        result.distance = -1.0f;
    }
    // The normal stays the one of this room's nearest triangle, also after a portal.
    result.normal = nearest.normal;
    return result;
}

} // namespace Zem::Physics
