#include "main/Camera.h"

#include "graphics/Portal.h"
#include "main/Engine.h"
#include "main/Game.h"
#include "main/Room.h"
#include "main/SimpleRoom.h"
#include "main/messageBox.h"
#include "resource/ThreeNumbers.h"
#include "resource/XmlNode.h"

#include <algorithm>

namespace Zem::Main {

namespace {

// Only rooms built as SimpleRoom carry the flag; other rooms are listed but not flagged.
void setActive(Room* room, bool active) {
    if (auto* simple = dynamic_cast<SimpleRoom*>(room)) {
        simple->active = active;
    }
}

} // namespace

Camera::Camera(const Resource::XmlNode& element) : BaseEntity(element) {
    Engine* engine = currentGame != nullptr ? currentGame->engine : nullptr;
    if (engine != nullptr) {
        input = engine->driver("input");
    }
    if (input == nullptr) {
        messageBox("", "Error no input!", MessageIcon::Information);
    }
    // Fixed for every camera: a "radius" or "scale" setting has no effect.
    radius = 0.4f;
    scale = Graphics::Vector3(1.0f, 1.0f, 1.0f);
}

Camera::~Camera() = default;

void Camera::command(int, const Resource::XmlNode& element) {
    if (element.attribute("command") != "twitchright") {
        return;
    }
    Graphics::Vector3 offset;
    Resource::readThreeNumbers(element.text(), offset);
    matrixDirty = true;
    position = localToWorld(offset);
    matrixDirty = true;
}

void Camera::setChannel(unsigned index, float value) {
    if (index < 6) {
        BaseEntity::setChannel(index, value);
        return;
    }
    if (index < 9) {
        Graphics::Vector3 offset;
        offset[static_cast<int>(index - 6)] = value;
        position = localToWorld(offset);
        matrixDirty = true;
        return;
    }
    if (index < 12) {
        rotation[static_cast<int>(index - 9)] += value;
        matrixDirty = true;
    }
}

Graphics::Vector3 Camera::localToWorld(const Graphics::Vector3& p) {
    return getWorldMatrix().transformPoint(p);
}

void Camera::activate(Room* start) {
    Room* current = start != nullptr ? start : room;
    if (current == nullptr) {
        return;
    }
    // Portals may lead back to a room already reached; this ends the walk on such cycles.
    if (std::find(activeRooms.begin(), activeRooms.end(), current) != activeRooms.end()) {
        return;
    }
    activeRooms.push_back(current);
    setActive(current, true);

    for (std::size_t i = 0; i < current->entities.size(); ++i) {
        Entity* entity = current->entities[i];
        if (entity == nullptr) {
            break;
        }
        if ((entity->flags & EntityFlags::Portal) == 0) {
            continue;
        }
        const auto* portal = dynamic_cast<Graphics::Portal*>(entity);
        if (portal != nullptr && portal->partner != nullptr && portal->partner->room != nullptr) {
            activate(portal->partner->room);
        }
    }
}

void Camera::deactivate() {
    for (Room* activeRoom : activeRooms) {
        setActive(activeRoom, false);
    }
    activeRooms.clear();
}

} // namespace Zem::Main
