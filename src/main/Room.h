#pragma once

#include "main/Entity.h"
#include "main/EntityFactory.h"

#include <cstdint>
#include <vector>

namespace Zem::Main {

// A part of the world joined to others by portals. It lists the entities inside it (without
// owning them), draws its own model, collides against its own model unless it names a
// collision model, and chooses which of its entities a view can see.
class Room : public Entity {
public:
    explicit Room(const Resource::XmlNode& element);
    // Leaves every former entity alive and without a room.
    ~Room() override;

    // Clears `list` and fills it with the entities `view` can see.
    virtual void gatherVisible(std::vector<Entity*>& list, const Graphics::View& view);
    // Builds the subtree of `view` for this room: gathers, submits, and opens a child view for
    // every portal facing the eye, down to maxPortalDepth.
    void traverse(Graphics::View& view);

    // A view this deep opens no further portals from this room.
    int32_t maxPortalDepth = 10;
    // In the order they entered; not owned.
    std::vector<Entity*> entities;

    class Factory;
};

class Room::Factory : public EntityFactoryOf<Room> {};

// Takes the entity out of the room's list (first occurrence) and clears its room.
void removeFromRoom(Room* room, Entity* entity);

} // namespace Zem::Main
