#include "graphics/Portal.h"

#include "main/Game.h"
#include "main/Room.h"
#include "physics/Collision.h"
#include "resource/Mesh.h"
#include "resource/ReadValue.h"
#include "resource/ThreeNumbers.h"
#include "resource/XmlNode.h"

#include <GL/glew.h>

#include <algorithm>
#include <string>

namespace Zem::Graphics {

using Main::Entity;
using Main::TraceHit;
using Main::EntityFlags::NoPortalTransfer;
using Resource::XmlNode;

Portal::Portal(const XmlNode& element) : Entity(element) {
    flags |= Main::EntityFlags::Portal;
    // The view behind is laid onto the portal's frame, which a scale would stretch.
    scale = Vector3(1.0f, 1.0f, 1.0f);
    const XmlNode& camera = element.child("camera");
    if (!camera.isEmpty()) {
        bind(camera);
    }
    readTriggerPlane(element);
    Resource::readValue(element, "threshold", threshold);
    readMaskGroup(element);
}

Portal::~Portal() {
    // Entities halfway through this portal stop pointing at it.
    for (Entity* entity : crossing) {
        entity->currentPortal = nullptr;
    }
}

void Portal::bind(const XmlNode& camera) {
    Main::Game* game = Main::currentGame;
    if (game == nullptr) {
        return;
    }
    // Only entities created so far can be found: of two portals naming each other, the later
    // one gets its partner and the earlier one stays unbound.
    const std::string& bindName = camera.child("bind").text();
    if (!bindName.empty()) {
        if (Entity* found = game->findEntity(bindName)) {
            ownedPartner.reset();
            partner = found;
            ownsPartner = false;
        }
    }
    if (partner != nullptr) {
        return;
    }

    const XmlNode& parentNode = camera.child("parent");
    if (parentNode.isEmpty()) {
        return;
    }
    Entity* parentRoom = game->findEntity(parentNode.text());
    if (parentRoom == nullptr || (parentRoom->flags & Main::EntityFlags::Room) == 0) {
        return;
    }
    Vector3 viewpointPosition;
    Vector3 viewpointRotation;
    Resource::readValue(camera, "position", viewpointPosition);
    Resource::readValue(camera, "rotation", viewpointRotation);

    auto viewpoint = std::make_unique<Camera>(XmlNode::empty());
    viewpoint->position = viewpointPosition;
    viewpoint->rotation = viewpointRotation;
    viewpoint->matrixDirty = true;
    // The portal owns its viewpoint: the game must neither update, find nor delete it.
    game->removeEntity(viewpoint.get());
    viewpoint->setRoom(static_cast<Main::Room*>(parentRoom));
    partner = viewpoint.get();
    ownedPartner = std::move(viewpoint);
    ownsPartner = true;
}

void Portal::readTriggerPlane(const XmlNode& element) {
    const XmlNode& plane = element.child("triggerplane");
    if (plane.isEmpty()) {
        return;
    }
    Vector3 corners[3];
    for (std::size_t i = 0; i < 3; ++i) {
        const XmlNode& corner = plane.child("v", i);
        if (!corner.isEmpty()) {
            Resource::readThreeNumbers(corner.text(), corners[i]);
        }
    }
    const Vector3 e1 = corners[1] - corners[0];
    const Vector3 e2 = corners[2] - corners[0];
    Vector3 n = Vector3::cross(e1, e2);
    n.normalise();
    Matrix4 zoneToPortal;
    for (int row = 0; row < 3; ++row) {
        zoneToPortal.at(row, 0) = e1[row];
        zoneToPortal.at(row, 1) = e2[row];
        zoneToPortal.at(row, 2) = n[row];
        zoneToPortal.at(row, 3) = corners[0][row];
    }
    triggerFrame = zoneToPortal.inverse();
}

void Portal::readMaskGroup(const XmlNode& element) {
    int index = 0;
    Resource::readValue(element, "portalmesh", index);
    if (model == nullptr || index < 0 || static_cast<std::size_t>(index) >= model->groups.size()) {
        return;
    }
    maskGroup = model->groups[static_cast<std::size_t>(index)].get();
}

Vector3 Portal::triggerCoordinates(Entity& entity) {
    getWorldMatrix();
    const Matrix4 worldToZone = triggerFrame * getInverseWorldMatrix();
    return worldToZone.transformPoint(entity.getWorldMatrix().getTranslation());
}

namespace {

bool insideSquare(const Vector3& uvw) {
    return uvw.x >= 0.0f && uvw.x <= 1.0f && uvw.y >= 0.0f && uvw.y <= 1.0f;
}

} // namespace

void Portal::update(float) {
    trigger();
}

void Portal::settleCrossings() {
    trigger();
}

void Portal::trigger() {
    if (partner == nullptr) {
        lastSeen.clear();
        return;
    }
    carryPassedThrough();
    enterZone();
    watchZone();
    rememberPositions();
}

namespace {

// Where the path from `from` to `to` meets the zone's plane w = 0 lies inside the opening.
bool pathPassesThrough(const Vector3& from, const Vector3& to) {
    if (!(from.z >= 0.0f && to.z < 0.0f)) {
        return false;
    }
    const float t = from.z / (from.z - to.z);
    return insideSquare(from + (to - from) * t);
}

} // namespace

void Portal::carryPassedThrough() {
    if (room == nullptr) {
        return;
    }
    // Collected first: carrying an entity takes it out of the list being walked.
    std::vector<Entity*> passed;
    for (Entity* candidate : room->entities) {
        if (candidate == nullptr || candidate == this || candidate->radius <= 0.0f ||
            (candidate->flags & NoPortalTransfer) != 0 ||
            (candidate->currentPortal != nullptr && candidate->currentPortal != this)) {
            continue;
        }
        const auto seen = lastSeen.find(candidate);
        if (seen != lastSeen.end() && seen->second.round == sightingRound &&
            pathPassesThrough(seen->second.at, triggerCoordinates(*candidate))) {
            passed.push_back(candidate);
        }
    }
    for (Entity* entity : passed) {
        const auto listed = std::find(crossing.begin(), crossing.end(), entity);
        if (listed != crossing.end()) {
            crossing.erase(listed);
        }
        carryAcross(*entity);
    }
}

void Portal::rememberPositions() {
    ++sightingRound;
    if (room == nullptr) {
        lastSeen.clear();
        return;
    }
    std::size_t seenNow = 0;
    for (Entity* entity : room->entities) {
        if (entity != nullptr && entity != this && entity->radius > 0.0f &&
            (entity->flags & NoPortalTransfer) == 0) {
            lastSeen[entity] = Sighting{triggerCoordinates(*entity), sightingRound};
            ++seenNow;
        }
    }
    // Entities that left the room (or were deleted) go, and only then.
    if (seenNow != lastSeen.size()) {
        for (auto it = lastSeen.begin(); it != lastSeen.end();) {
            it = it->second.round == sightingRound ? std::next(it) : lastSeen.erase(it);
        }
    }
}

void Portal::enterZone() {
    if (room == nullptr) {
        return;
    }
    for (Entity* candidate : room->entities) {
        if (candidate == nullptr || candidate == this ||
            (candidate->flags & NoPortalTransfer) != 0 || candidate->currentPortal != nullptr) {
            continue;
        }
        const Vector3 uvw = triggerCoordinates(*candidate);
        if (insideSquare(uvw) && uvw.z >= 0.0f && uvw.z <= candidate->radius) {
            crossing.push_back(candidate);
            candidate->currentPortal = this;
        }
    }
}

void Portal::watchZone() {
    std::size_t i = 0;
    while (i < crossing.size()) {
        Entity* entity = crossing[i];
        const Vector3 uvw = triggerCoordinates(*entity);
        if (insideSquare(uvw) && uvw.z < 0.0f) {
            carryAcross(*entity);
            crossing.erase(crossing.begin() + static_cast<std::ptrdiff_t>(i));
            i = 0;
        } else if (insideSquare(uvw) && uvw.z < entity->radius) {
            ++i;
        } else {
            // Left backwards or sideways: it stays where it is.
            entity->currentPortal = nullptr;
            crossing.erase(crossing.begin() + static_cast<std::ptrdiff_t>(i));
            i = 0;
        }
    }
}

void Portal::carryAcross(Entity& entity) {
    getWorldMatrix();
    const Matrix4 carry = partner->getWorldMatrix() * getInverseWorldMatrix();
    entity.position = carry.transformPoint(entity.getWorldMatrix().getTranslation());
    entity.currentPortal = nullptr;
    entity.rotation = entity.rotation - rotation + partner->rotation;
    entity.matrixDirty = true;
    for (Vector3* point : entity.attachedPoints) {
        if (point != nullptr) {
            *point = carry.transformPoint(*point);
        }
    }
    for (Vector3* direction : entity.attachedDirections) {
        if (direction != nullptr) {
            *direction = carry.transformDirection(*direction);
        }
    }
    entity.setRoom(partner->room);
}

TraceHit Portal::trace(const Vector3& origin, const Vector3& direction, int mode, float maxDistance,
                       float hitDistance, int hitId) {
    // Only id 0 is the opening; other ids are the portal's solid parts.
    if (partner == nullptr || partner->room == nullptr || hitId != 0) {
        TraceHit stop;
        stop.id = -1;
        stop.entity = this;
        stop.distance = hitDistance;
        return stop;
    }
    const Vector3 hit = origin + direction * hitDistance;
    const Vector3 ahead = hit + direction;
    getWorldMatrix();
    const Matrix4& toPortal = getInverseWorldMatrix();
    const Matrix4& fromPartner = partner->getWorldMatrix();
    const Vector3 hitBeyond = fromPartner.transformPoint(toPortal.transformPoint(hit));
    const Vector3 aheadBeyond = fromPartner.transformPoint(toPortal.transformPoint(ahead));
    // The continued ray starts on the partner's own surface, which it must not hit again.
    TraceHit beyond = Physics::castRay(partner->room, hitBeyond, aheadBeyond - hitBeyond, mode,
                                       maxDistance - hitDistance, partner);
    if (beyond.distance > 0.0f) {
        beyond.distance += hitDistance;
    }
    if (maxDistance < beyond.distance) {
        beyond.distance = -1.0f;
    }
    return beyond;
}

Portal::Camera::Camera(const XmlNode& element) : Entity(element) {
    flags |= NoPortalTransfer;
}

namespace {

GLuint highestStencilBit() {
    GLint bits = 0;
    glGetIntegerv(GL_STENCIL_BITS, &bits);
    // Without a stencil buffer the test always passes, so any bit will do; never shift by -1.
    if (bits <= 0) {
        return 1;
    }
    return 1u << (bits - 1);
}

// The group's triangles from client memory, with nothing but positions enabled.
void drawShape(const Resource::MeshGroup& group) {
    if (glBindBuffer != nullptr) {
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    }
    glVertexPointer(3, GL_FLOAT, 0, group.positions.data());
    glEnableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    // Mesh draws leave tangents and binormals enabled on units 1 and 2; reading them here
    // could run past their buffers.
    if (glClientActiveTexture != nullptr) {
        for (GLenum unit = GL_TEXTURE2; unit > GL_TEXTURE0; --unit) {
            glClientActiveTexture(unit);
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        }
        glClientActiveTexture(GL_TEXTURE0);
    }
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDrawElements(static_cast<GLenum>(group.primitive), static_cast<GLsizei>(group.indices.size()),
                   GL_UNSIGNED_INT, group.indices.data());
}

constexpr GLbitfield maskAttributes = GL_COLOR_BUFFER_BIT | GL_ENABLE_BIT | GL_STENCIL_BUFFER_BIT |
                                      GL_DEPTH_BUFFER_BIT | GL_CURRENT_BIT;
static_assert(maskAttributes == 0x6501, "the mask saves exactly these attribute groups");

} // namespace

void portalBegin(const Portal& portal) {
    if (portal.maskGroup == nullptr) {
        return;
    }
    const Resource::MeshGroup& shape = *portal.maskGroup;
    const GLuint s = highestStencilBit();
    const GLuint allBits = 2 * s - 1;

    glPushAttrib(maskAttributes);
    glPushMatrix();
    glMultMatrixf(portal.worldMatrix.m);

    // Mark s where the opening, drawn by the geometry pass already, is the visible surface.
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, static_cast<GLint>(s), s);
    glStencilMask(s);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    glDepthFunc(GL_EQUAL);
    glDisable(GL_TEXTURE_2D);
    drawShape(shape);

    // Push the depth inside the mark to the far end, so the room behind can be drawn there.
    GLfloat range[2] = {0.0f, 1.0f};
    glGetFloatv(GL_DEPTH_RANGE, range);
    glDepthRange(static_cast<GLdouble>(range[1]) - 0.0001, range[1]);
    glDepthMask(GL_TRUE);
    glStencilFunc(GL_EQUAL, static_cast<GLint>(s), s);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glDepthFunc(GL_ALWAYS);
    drawShape(shape);

    glDepthRange(range[0], range[1]);
    glPopMatrix();
    glPopAttrib();

    // The view behind draws only inside the mark...
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_EQUAL, static_cast<GLint>(s), s);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glStencilMask(allBits);

    // ...and only what lies at local z <= threshold, behind the portal's plane.
    glPushMatrix();
    glMultMatrixf(portal.worldMatrix.m);
    const GLdouble plane[4] = {0.0, 0.0, -1.0, static_cast<GLdouble>(portal.threshold)};
    glClipPlane(GL_CLIP_PLANE0, plane);
    glEnable(GL_CLIP_PLANE0);
    glPopMatrix();
}

void portalEnd(const Portal& portal) {
    if (portal.maskGroup == nullptr) {
        return;
    }
    const Resource::MeshGroup& shape = *portal.maskGroup;
    const GLuint s = highestStencilBit();
    const GLuint allBits = 2 * s - 1;

    glDisable(GL_STENCIL_TEST);
    glDisable(GL_CLIP_PLANE0);

    glPushAttrib(maskAttributes);
    glPushMatrix();
    glMultMatrixf(portal.worldMatrix.m);
    // Clear s over the whole shape, so the next portal starts from a clean bit.
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glEnable(GL_STENCIL_TEST);
    glDisable(GL_DEPTH_TEST);
    glStencilFunc(GL_ALWAYS, 0, s);
    glStencilMask(s);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    glDepthFunc(GL_EQUAL);
    glDisable(GL_TEXTURE_2D);
    drawShape(shape);
    glStencilMask(allBits);
    glPopMatrix();
    glPopAttrib();
}

} // namespace Zem::Graphics
