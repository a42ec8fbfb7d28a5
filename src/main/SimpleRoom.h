#pragma once

#include "main/Room.h"

namespace Zem::Main {

// The room the world files build under the type name "Room". The current camera flags the
// rooms it can reach as active; the game updates only entities in active rooms.
class SimpleRoom : public Room {
public:
    explicit SimpleRoom(const Resource::XmlNode& element);

    bool active = false;

    class Factory;
};

class SimpleRoom::Factory : public EntityFactoryOf<SimpleRoom> {};

} // namespace Zem::Main
