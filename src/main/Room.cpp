#include "main/Room.h"

#include "graphics/MathUtil.h"
#include "graphics/Portal.h"
#include "graphics/ShaderRegistry.h"
#include "graphics/View.h"
#include "physics/TriangleOccluder.h"
#include "resource/XmlNode.h"

#include <algorithm>
#include <cmath>

namespace Zem::Main {

using Graphics::Matrix4;
using Graphics::Portal;
using Graphics::Vector3;
using Graphics::View;

Room::Room(const Resource::XmlNode& element) : Entity(element) {
    maxPortalDepth = 10;
    flags |= EntityFlags::Room;
    // With "collisionmodel" the entity part has built the occluders already; otherwise the
    // room collides against what it shows.
    if (element.child("collisionmodel").isEmpty()) {
        Physics::buildOccluders(model, this, 0, 0);
    }
    // A room's triangles collide in world space, where it is drawn: moved, turned and scaled.
    if (getWorldMatrix() != Graphics::Matrix4()) {
        Physics::transformOccluders(*this, worldMatrix);
    }
}

Room::~Room() {
    while (!entities.empty()) {
        Entity* entity = entities.back();
        if (entity == nullptr) {
            entities.pop_back();
            continue;
        }
        removeFromRoom(this, entity);
    }
}

void removeFromRoom(Room* room, Entity* entity) {
    if (room == nullptr) {
        return;
    }
    std::vector<Entity*>& list = room->entities;
    const auto found = std::find(list.begin(), list.end(), entity);
    if (found != list.end()) {
        list.erase(found);
    }
    if (entity != nullptr && entity->room == room) {
        entity->room = nullptr;
    }
}

namespace {

Vector3 eyePosition(const Matrix4& eye, Entity& entity) {
    return eye.transformPoint(entity.getWorldMatrix().getTranslation());
}

// Whether the sphere of `radius` at eye-space q (distance l) can be seen through every portal
// from the view's parent up to the root: it must overlap each portal's cone from the eye.
bool insidePortalCones(const View& view, const Vector3& q, float l, float radius) {
    const float beta = std::asin(radius / l);
    Portal* portal = view.portal;
    for (const View* outer = view.parent; outer != nullptr && portal != nullptr;
         outer = outer->parent) {
        const Vector3 p = eyePosition(outer->eyeMatrix, *portal);
        const float u = p.length();
        if (portal->radius < u) {
            const float alpha = std::asin(portal->radius / u);
            const float cosine = std::clamp(Vector3::dot(p, q) / (l * u), -1.0f, 1.0f);
            const float gamma = std::acos(cosine);
            if (alpha + beta - gamma < 0.0f) {
                return false;
            }
        }
        portal = outer->portal;
    }
    return true;
}

} // namespace

void Room::gatherVisible(std::vector<Entity*>& list, const View& view) {
    list.clear();
    const Matrix4& eye = view.eyeMatrix;
    Portal* portal = view.portal;
    float portalDistance = 0.0f;
    if (portal != nullptr && view.parent != nullptr) {
        portalDistance = eyePosition(view.parent->eyeMatrix, *portal).length();
    }

    if (portal != nullptr && portal->radius <= portalDistance) {
        // The eye is outside the portal's sphere: only what lies in the cones of the portals
        // on the way here can be seen.
        for (Entity* entity : entities) {
            if (entity == nullptr) {
                continue;
            }
            const Vector3 q = eyePosition(eye, *entity);
            const float l = q.length();
            if (entity->radius >= l || insidePortalCones(view, q, l, entity->radius)) {
                list.push_back(entity);
            }
        }
        return;
    }

    for (Entity* entity : entities) {
        if (entity == nullptr) {
            continue;
        }
        // Some part of the sphere lies in front of the eye plane; the eye looks along -z.
        if (eyePosition(eye, *entity).z - entity->radius < 0.0f) {
            list.push_back(entity);
        }
    }
}

void Room::traverse(View& view) {
    view.room = this;
    Graphics::ShaderRegistry& registry = Graphics::ShaderRegistry::instance();
    // A record that was not reset still holds last frame's set; it must not stay lent forever.
    if (view.passes != nullptr) {
        registry.release(view.passes);
    }
    view.passes = registry.acquire();
    gatherVisible(view.visible, view);
    submit(view);

    for (std::size_t i = 0; i < view.visible.size(); ++i) {
        Entity* entity = view.visible[i];
        entity->submit(view);
        if (view.depth >= maxPortalDepth) {
            continue;
        }
        if ((entity->flags & EntityFlags::Portal) == 0) {
            continue;
        }
        Portal* portal = static_cast<Portal*>(entity);
        const Matrix4 world = portal->getWorldMatrix();
        const Matrix4 portalToEye = view.eyeMatrix * world;
        const Vector3 axis(portalToEye.m[8], portalToEye.m[9], portalToEye.m[10]);
        const Vector3 position = view.eyeMatrix.transformPoint(world.getTranslation());
        // Portals open only from their +z side.
        const bool facing = Vector3::dot(position, axis) < 0.0f;
        Entity* partner = portal->partner;
        if (partner == nullptr || partner->room == nullptr || !facing) {
            continue;
        }
        View& child = view.allocateChild();
        child.parent = &view;
        child.depth = view.depth + 1;
        child.portal = portal;
        partner->getWorldMatrix();
        child.localMatrix = world * partner->getInverseWorldMatrix();
        child.eyeMatrix = view.eyeMatrix * child.localMatrix;
        partner->room->traverse(child);
    }
}

} // namespace Zem::Main
