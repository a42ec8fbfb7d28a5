#pragma once

#include "graphics/Matrix4.h"
#include "main/Entity.h"
#include "main/EntityFactory.h"

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace Zem::Resource {
class MeshGroup;
}

namespace Zem::Graphics {

// An opening in a room that shows another place: a partner portal in another room (a doorway
// that also carries entities across) or a fixed viewpoint. Only its +z side opens a view.
class Portal : public Main::Entity {
public:
    // Reads "camera", "triggerplane", "threshold" and "portalmesh" after the entity settings
    // and binds to its partner among the entities created so far.
    explicit Portal(const Resource::XmlNode& element);
    // Deletes the viewpoint the portal created.
    ~Portal() override;

    // A ray that hit the opening (occluder id 0) goes on in the partner's room.
    Main::TraceHit trace(const Vector3& origin, const Vector3& direction, int mode,
                         float maxDistance, float hitDistance, int hitId) override;
    // The trigger: entities that pass through the zone from its +w side come out of the
    // partner.
    void update(float dt) override;
    // Runs the trigger once more, for entities moved after this portal's update: a crossing made
    // during a frame's updates is settled before the next frame is drawn.
    void settleCrossings();

    // (u, v, w) of the entity's position in the trigger zone's frame.
    Vector3 triggerCoordinates(Main::Entity& entity);

    // The group of the portal's model that gives the opening's shape; null draws no mask.
    const Resource::MeshGroup* maskGroup = nullptr;
    // Portal space to trigger-zone space.
    Matrix4 triggerFrame;
    // Offset of the clip plane along the portal's local z.
    float threshold = 0.0f;
    // The partner portal or viewpoint; null when unbound.
    Main::Entity* partner = nullptr;
    // Whether partner is the viewpoint this portal created.
    bool ownsPartner = false;
    // In the zone, in the order they entered; not owned.
    std::vector<Main::Entity*> crossing;

    class Camera;
    class Factory;

private:
    void bind(const Resource::XmlNode& camera);
    void readTriggerPlane(const Resource::XmlNode& element);
    void readMaskGroup(const Resource::XmlNode& element);
    void trigger();
    void carryPassedThrough();
    void enterZone();
    void watchZone();
    void rememberPositions();
    void carryAcross(Main::Entity& entity);

    // Where each entity of the room stood, in zone coordinates, at the last trigger: a crossing
    // is the path from there to where it stands now, so no speed or frame rate steps over it.
    struct Sighting {
        Vector3 at;
        uint32_t round = 0;
    };
    std::unordered_map<const Main::Entity*, Sighting> lastSeen;
    // Counts triggers, so entries of entities no longer in the room can be told apart without
    // emptying the map: refilling it would allocate every frame.
    uint32_t sightingRound = 0;

    // The partner when this portal created it.
    std::unique_ptr<Main::Entity> ownedPartner;
};

// A bare viewpoint a portal looks through. Kept out of the game's list and out of trigger
// zones.
class Portal::Camera : public Main::Entity {
public:
    explicit Camera(const Resource::XmlNode& element);
};

class Portal::Factory : public Main::EntityFactoryOf<Portal> {};

// Marks the opening's visible surface in the highest stencil bit, pushes the depth there to the
// far end, and leaves the stencil test and the portal's clip plane on for the view behind.
// Called with the modelview of the view in front of the portal.
void portalBegin(const Portal& portal);
// Turns the stencil test and clip plane off and clears the portal's stencil bit again.
void portalEnd(const Portal& portal);

} // namespace Zem::Graphics
