#include "main/Entity.h"

#include "graphics/Portal.h"
#include "graphics/Shader.h"
#include "graphics/ShaderRegistry.h"
#include "graphics/View.h"
#include "main/Game.h"
#include "main/Room.h"
#include "main/report.h"
#include "physics/Occluder.h"
#include "physics/TriangleOccluder.h"
#include "resource/Mesh.h"
#include "resource/ReadValue.h"
#include "resource/ResourceManager.h"
#include "resource/ThreeNumbers.h"
#include "resource/XmlNode.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>

namespace Zem::Main {

namespace {

// An integer attribute read by stream extraction; 0 when missing or unreadable.
int integerAttribute(const Resource::XmlNode& element, std::string_view key) {
    std::istringstream in(element.attribute(key));
    int value = 0;
    if (!(in >> value)) {
        value = 0;
    }
    return value;
}

// How messages name an entity: by its name, or by its type when it has none (the cubes of a
// grid are built from settings without either).
std::string describe(const Resource::XmlNode& element) {
    const std::string name = element.attribute("name");
    if (!name.empty()) {
        return "Entity \"" + name + "\"";
    }
    const std::string type = element.attribute("type");
    return type.empty() ? std::string("An entity without a name")
                        : "An entity of type \"" + type + "\" without a name";
}

} // namespace

Entity::Entity(const Resource::XmlNode& element) {
    // Listed before any setting is read, so the entity can already be found while it loads.
    if (currentGame != nullptr) {
        currentGame->entities.push_back(this);
    }
    // An entity whose settings throw (memory running out on a huge collision model) is never
    // deleted, so nothing may keep pointing at it.
    try {
        readSettings(element);
    } catch (...) {
        if (room != nullptr) {
            removeFromRoom(room, this);
        }
        if (currentGame != nullptr) {
            currentGame->removeEntity(this);
        }
        throw;
    }
}

void Entity::readSettings(const Resource::XmlNode& element) {
    // Before "model", so collision triangles never come from the entity's own model.
    readCollisionModel(element);
    name = element.attribute("name");

    std::string modelName;
    if (Resource::readValue(element, "model", modelName)) {
        // Each name that cannot be had is reported once, with the first entity that asked.
        auto& resources = Resource::ResourceManager::instance();
        const bool reportedBefore = resources.hasFailed(modelName);
        if (!modelName.empty()) {
            model = resources.get<Resource::Mesh>(modelName);
        }
        if (model == nullptr && !reportedBefore) {
            Zem::Main::report(describe(element) + ": no model \"" + modelName + "\"");
        }
    }
    if (Resource::readValue(element, "position", position)) {
        matrixDirty = true;
    }
    if (Resource::readValue(element, "rotation", rotation)) {
        matrixDirty = true;
    }
    readScale(element);
    readRadius(element);
    readParent(element);
}

// One number scales evenly, three scale each axis; the model is drawn and collides at that size.
void Entity::readScale(const Resource::XmlNode& element) {
    const Resource::XmlNode& setting = element.child("scale");
    if (setting.isEmpty()) {
        return;
    }
    const float unread = std::numeric_limits<float>::quiet_NaN();
    Graphics::Vector3 read(unread, unread, unread);
    Resource::readThreeNumbers(setting.text(), read);
    if (std::isnan(read.y) && std::isnan(read.z)) {
        read = Graphics::Vector3(read.x, read.x, read.x);
    }
    for (int axis = 0; axis < 3; ++axis) {
        if (!(read[axis] > 0.0f) || !std::isfinite(read[axis])) {
            Zem::Main::report(describe(element) + ": a \"scale\" of \"" + setting.text() +
                              "\" is not one number or three, each above 0; it keeps its size");
            return;
        }
    }
    scale = read;
    matrixDirty = true;
}

void Entity::readRadius(const Resource::XmlNode& element) {
    if (Resource::readValue(element, "radius", radius) && radius < 0.0f) {
        Zem::Main::report(describe(element) + ": a negative \"radius\" " +
                          element.child("radius").text() +
                          "; give the radius of the sphere that holds the model, 0 or more");
    }
}

void Entity::readCollisionModel(const Resource::XmlNode& element) {
    const Resource::XmlNode& collision = element.child("collisionmodel");
    if (collision.isEmpty()) {
        return;
    }
    const int firstId = integerAttribute(collision, "startid");
    const int idStep = integerAttribute(collision, "step");
    const std::string& meshName = collision.text();
    auto& resources = Resource::ResourceManager::instance();
    const bool reportedBefore = resources.hasFailed(meshName);
    const auto* mesh = resources.get<Resource::Mesh>(meshName);
    // Without a mesh there is nothing to collide with; the entity's own model is not a substitute
    // here (rooms make that choice themselves).
    if (mesh == nullptr) {
        if (!reportedBefore) {
            Zem::Main::report(describe(element) + ": no collision model \"" + meshName + "\"");
        }
        return;
    }
    Physics::buildOccluders(mesh, this, firstId, idStep);
}

void Entity::readParent(const Resource::XmlNode& element) {
    const Resource::XmlNode& parent = element.child("parent");
    if (parent.isEmpty() || currentGame == nullptr) {
        return;
    }
    // Only entities earlier in the world exist yet, so a room must come before its contents.
    Entity* found = currentGame->findEntity(parent.text());
    if (found == nullptr || (found->flags & EntityFlags::Room) == 0) {
        Zem::Main::report(std::string("Entity \"") + name + "\": parent \"" + parent.text() +
                          "\" is not a room created before it; it stays in no room");
        return;
    }
    if (auto* parentRoom = dynamic_cast<Room*>(found)) {
        setRoom(parentRoom);
    }
}

TraceHit Entity::trace(const Graphics::Vector3&, const Graphics::Vector3&, int, float, float, int) {
    return TraceHit{};
}

void Entity::update(float) {}

void Entity::submit(Graphics::View& view) {
    view.submitted.push_back(this);
    if (view.passes == nullptr) {
        return;
    }
    const auto& registry = Graphics::ShaderRegistry::instance();
    if (Graphics::Shader* pass =
            Graphics::ShaderRegistry::findPass(view.passes, registry.defaultGeometryPass)) {
        pass->add(this);
    }
}

void Entity::draw() {
    if (model != nullptr) {
        Resource::drawMesh(*model);
    }
}

Entity::~Entity() {
    // A portal still watching this entity must not keep a dangling pointer to it.
    if (currentPortal != nullptr) {
        auto& crossing = currentPortal->crossing;
        crossing.erase(std::remove(crossing.begin(), crossing.end(), this), crossing.end());
    }
    if (room != nullptr) {
        removeFromRoom(room, this);
    }
    for (auto& occluder : occluders) {
        occluder.reset();
    }
    occluders.clear();
    if (currentGame != nullptr) {
        currentGame->removeEntity(this);
    }
}

const Graphics::Matrix4& Entity::getWorldMatrix() {
    if (matrixDirty && autoMatrix) {
        matrixDirty = false;
        worldMatrix = Graphics::Matrix4::translationRotation(position, rotation);
        if (scale != Graphics::Vector3(1.0f, 1.0f, 1.0f)) {
            worldMatrix = worldMatrix * Graphics::Matrix4::scale(scale.x, scale.y, scale.z);
        }
        inverseWorldMatrix = worldMatrix.inverse();
    }
    return worldMatrix;
}

const Graphics::Matrix4& Entity::getInverseWorldMatrix() {
    getWorldMatrix();
    return inverseWorldMatrix;
}

void Entity::setWorldMatrix(const Graphics::Matrix4& m) {
    worldMatrix = m;
    inverseWorldMatrix = m.inverse();
    matrixDirty = false;
}

void Entity::setRoom(Room* newRoom) {
    if (room != nullptr) {
        removeFromRoom(room, this);
    }
    room = newRoom;
    if (room != nullptr) {
        room->entities.push_back(this);
    }
}

} // namespace Zem::Main
