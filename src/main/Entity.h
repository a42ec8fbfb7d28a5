#pragma once

#include "graphics/Matrix4.h"
#include "graphics/Vector3.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Zem::Resource {
class XmlNode;
class Mesh;
} // namespace Zem::Resource

namespace Zem::Physics {
class Occluder;
}

namespace Zem::Graphics {
class View;
class Portal;
} // namespace Zem::Graphics

namespace Zem::Main {

class Entity;
class Room;

// Kind bits of Entity::flags. The bits live in their own namespace so that the names Portal and
// Room keep meaning the classes: write EntityFlags::Room, which converts to uint32_t.
namespace EntityFlags {
enum Bit : uint32_t {
    // Ray traces continue through it; camera activation follows it.
    Portal = 1,
    // May be named as another entity's "parent".
    Room = 2,
    // Never carried through a portal into another room.
    NoPortalTransfer = 4,
};
} // namespace EntityFlags

// What a ray query found: nothing when id is -1 and entity is null.
struct TraceHit {
    int32_t id = -1;
    Entity* entity = nullptr;
    float distance = 0.0f;
    Graphics::Vector3 normal;
};

// Root of every object in the scene. An entity lists itself in the current game when it is
// built and takes itself out again when it is destroyed.
class Entity {
public:
    // Reads "collisionmodel", "name", "model", "position", "rotation", "scale", "radius" and
    // "parent", in that order; anything missing or unreadable keeps its default.
    explicit Entity(const Resource::XmlNode& element);
    Entity(const Entity&) = delete;
    Entity& operator=(const Entity&) = delete;

    // The no-hit record: ordinary entities let rays pass.
    virtual TraceHit trace(const Graphics::Vector3& origin, const Graphics::Vector3& direction,
                           int mode, float maxDistance, float hitDistance, int hitId);
    virtual void update(float dt);
    // Records the entity in the view and queues it for the default geometry pass.
    virtual void submit(Graphics::View& view);
    // Draws the model with the current GL transform; the caller has applied the world matrix.
    virtual void draw();
    virtual ~Entity();

    // Rebuilt from position, rotation and scale (T * Ry * Rx * Rz * S) only when it is dirty and
    // autoMatrix is set, so repeated calls in a frame cost nothing.
    const Graphics::Matrix4& getWorldMatrix();
    // The inverse of getWorldMatrix, brought up to date the same way.
    const Graphics::Matrix4& getInverseWorldMatrix();
    // Stores m and its inverse and clears matrixDirty. Set autoMatrix to false as well to keep
    // m after later position or rotation writes.
    void setWorldMatrix(const Graphics::Matrix4& m);
    // Leaves the old room's list (if any) and joins the end of the new room's list.
    void setRoom(Room* newRoom);

    std::string name;
    std::vector<std::unique_ptr<Physics::Occluder>> occluders;
    Graphics::Vector3 position;
    // Degrees about X, Y and Z.
    Graphics::Vector3 rotation;
    // Along the model's own X, Y and Z, before it turns; all above 0.
    Graphics::Vector3 scale{1.0f, 1.0f, 1.0f};
    Graphics::Matrix4 worldMatrix;
    Graphics::Matrix4 inverseWorldMatrix;
    // Moved by a portal along with the entity: points with the whole transform, directions with
    // its rotation only. Not owned.
    std::vector<Graphics::Vector3*> attachedPoints;
    std::vector<Graphics::Vector3*> attachedDirections;
    bool autoMatrix = true;
    bool matrixDirty = true;
    float radius = 0.0f;
    // A counted reference from the resource manager, given back when the cache is cleared.
    Resource::Mesh* model = nullptr;
    Room* room = nullptr;
    uint32_t flags = 0;
    Graphics::Portal* currentPortal = nullptr;

private:
    void readSettings(const Resource::XmlNode& element);
    void readCollisionModel(const Resource::XmlNode& element);
    void readScale(const Resource::XmlNode& element);
    void readRadius(const Resource::XmlNode& element);
    void readParent(const Resource::XmlNode& element);
};

} // namespace Zem::Main
