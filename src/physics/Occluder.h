#pragma once

#include "graphics/Vector3.h"

#include <cstdint>

namespace Zem::Main {
class Entity;
}

namespace Zem::Physics {

// A piece of an entity's collision model that answers ray queries.
class Occluder {
public:
    Occluder(Main::Entity* owner, int32_t id);
    Occluder(const Occluder&) = delete;
    Occluder& operator=(const Occluder&) = delete;

    // The hit's parameter along `direction`, in units of its length, or -1 for a miss. The
    // occluder's normal goes to normalOut, when given, whether the ray hits or not.
    virtual float intersect(const Graphics::Vector3& origin, const Graphics::Vector3& direction,
                            Graphics::Vector3* normalOut) const = 0;
    virtual ~Occluder();

    // The entity whose collision model produced this occluder; not owned.
    Main::Entity* owner;
    // Chosen by the collision model: shared by every triangle of a mesh group.
    int32_t id;
};

} // namespace Zem::Physics
