#include "demo/Machinery/Cog.h"

#include "demo/Machinery/Axis2Cog.h"
#include "demo/Machinery/Cog2Cog.h"
#include "demo/Machinery/readTransform.h"
#include "main/Game.h"
#include "main/Room.h"
#include "main/report.h"
#include "physics/TriangleOccluder.h"
#include "resource/Mesh.h"
#include "resource/ReadValue.h"
#include "resource/ResourceManager.h"
#include "resource/XmlNode.h"

#include <GL/glew.h>

#include <algorithm>

using Zem::Graphics::Matrix4;
using Zem::Graphics::Vector3;
using Zem::Main::Entity;
using Zem::Main::Room;
using Zem::Resource::Mesh;
using Zem::Resource::ResourceManager;
using Zem::Resource::XmlNode;

namespace Machinery {

namespace {

constexpr float degreesPerRadian = 57.29578f;

Matrix4 turnAboutZ(float degrees) {
    return Matrix4::rotation(degrees, 0.0f, 0.0f, 1.0f);
}

void reportRejected(const std::string& type, const XmlNode& element, const std::string& reason) {
    Zem::Main::report(type + " \"" + element.attribute("name") + "\": " + reason + ", not created");
}

Entity* findParent(const XmlNode& element) {
    if (Zem::Main::currentGame == nullptr) {
        return nullptr;
    }
    return Zem::Main::currentGame->findEntity(element.child("parent").text());
}

} // namespace

Cog::Cog(const XmlNode& element, const std::string& defaultModel) {
    name = element.attribute("name");
    std::string modelName;
    if (Zem::Resource::readValue(element, "model", modelName)) {
        model = ResourceManager::instance().get<Mesh>(modelName);
    }
    if (model == nullptr) {
        model = ResourceManager::instance().get<Mesh>(defaultModel);
    }
    if (model != nullptr) {
        Zem::Physics::buildOccluders(model, this, 0, 0);
    }
    Zem::Resource::readValue(element, "radius", cogRadius);
    Zem::Resource::readValue(element, "depth", cogDepth);
    radius = std::max(cogRadius, cogDepth);
}

Cog::~Cog() = default;

void Cog::update(float dt) {
    if (input == nullptr) {
        // The train sees the angle of the previous turn, then the driver moves on.
        propagate();
        angle += turnRate * dt;
    }
    setWorldMatrix(Matrix4::product(baseTransform, turnAboutZ(angle * degreesPerRadian)));
}

void Cog::draw() {
    glMultMatrixf(Matrix4::scale(cogRadius, cogRadius, cogDepth).data());
    if (model != nullptr) {
        Zem::Resource::drawMesh(*model);
    }
}

void Cog::attachToCog(Cog& parent, float degrees, float offset) {
    Matrix4 m = Matrix4::product(parent.baseTransform, turnAboutZ(degrees));
    const Vector3 centre = m.transformPoint(Vector3(parent.cogRadius + cogRadius, 0.0f, offset));
    m.m[12] = centre.x;
    m.m[13] = centre.y;
    m.m[14] = centre.z;
    // Rolled along the parent's rim to this place.
    baseTransform = Matrix4::product(m, turnAboutZ(parent.cogRadius * degrees / cogRadius));
    setWorldMatrix(baseTransform);
}

void Cog::attachToAxis(Cog& parent, float degrees, float offset) {
    Matrix4 m = Matrix4::product(parent.baseTransform, turnAboutZ(degrees));
    const Vector3 centre = m.transformPoint(Vector3(0.0f, 0.0f, offset));
    m.m[12] = centre.x;
    m.m[13] = centre.y;
    m.m[14] = centre.z;
    baseTransform = m;
    setWorldMatrix(baseTransform);
}

void Cog::placeInRoom(Room& room, const Matrix4& transform) {
    baseTransform = transform;
    // Drawn in place from the first frame, before the first update turns it.
    setWorldMatrix(baseTransform);
    setRoom(&room);
}

Cog::Mount Cog::readMount(const XmlNode& element, const std::string& type) {
    Mount mount;
    const std::string& parentName = element.child("parent").text();
    Entity* parent = findParent(element);
    if (parent == nullptr) {
        reportRejected(type, element, "no parent \"" + parentName + "\"");
        return mount;
    }
    auto* carrier = dynamic_cast<Cog*>(parent);
    if (carrier == nullptr) {
        reportRejected(type, element, "parent \"" + parentName + "\" is not a Cog or an Axis");
        return mount;
    }
    if (carrier->room == nullptr) {
        reportRejected(type, element, "parent \"" + parentName + "\" is in no room");
        return mount;
    }
    mount.carrier = carrier;
    Zem::Resource::readValue(element, "angle", mount.degrees);
    Zem::Resource::readValue(element, "depthoffset", mount.offset);
    return mount;
}

Entity* Cog::Factory::create(const XmlNode& element) {
    const std::string origin = element.attribute("origin");
    if (origin.empty() || origin == "room") {
        const XmlNode& transform = element.child("transform");
        if (transform.isEmpty()) {
            reportRejected("Cog", element, "no \"transform\"");
            return nullptr;
        }
        const std::string& parentName = element.child("parent").text();
        Entity* parent = findParent(element);
        if (parent == nullptr) {
            reportRejected("Cog", element, "no parent \"" + parentName + "\"");
            return nullptr;
        }
        auto* room = dynamic_cast<Room*>(parent);
        if (room == nullptr || (room->flags & Zem::Main::EntityFlags::Room) == 0) {
            reportRejected("Cog", element, "parent \"" + parentName + "\" is not a room");
            return nullptr;
        }
        auto* cog = new Cog(element);
        cog->placeInRoom(*room, readTransform(transform));
        return cog;
    }
    if (origin != "cog" && origin != "axis") {
        reportRejected("Cog", element, "unknown origin \"" + origin + "\"");
        return nullptr;
    }
    const Mount mount = readMount(element, "Cog");
    if (mount.carrier == nullptr) {
        return nullptr;
    }
    Cog& carrier = *mount.carrier;
    if (origin == "cog") {
        float ownRadius = 1.0f;
        Zem::Resource::readValue(element, "radius", ownRadius);
        // The ratio of the radii would divide by zero.
        if (ownRadius == 0.0f) {
            reportRejected("Cog", element, "a meshing cog of radius 0");
            return nullptr;
        }
        auto* cog = new Cog(element);
        cog->attachToCog(carrier, mount.degrees, mount.offset);
        cog->hangOn(carrier, std::make_unique<Cog2Cog>(carrier, *cog));
        return cog;
    }
    auto* cog = new Cog(element);
    cog->attachToAxis(carrier, mount.degrees, mount.offset);
    cog->hangOn(carrier, std::make_unique<Axis2Cog>(carrier, *cog));
    return cog;
}

} // namespace Machinery
