#include "main/Game.h"

#include "graphics/Portal.h"
#include "main/Camera.h"
#include "main/Entity.h"
#include "main/Room.h"
#include "main/report.h"
#include "resource/XmlNode.h"

#include <algorithm>
#include <new>
#include <stdexcept>

namespace Zem::Main {

Game* currentGame = nullptr;

Game::Game() {
    currentGame = this;
    registerFactory("Room", std::make_unique<Room::Factory>());
    registerFactory("Portal", std::make_unique<Graphics::Portal::Factory>());
}

Game::~Game() {
    deleteEntities();
    // One at a time from the front: clear() leaves the order to the map, in practice the reverse.
    while (!factories.empty()) {
        factories.erase(factories.begin());
    }
    // Entities built after this game has gone must not list themselves in it.
    if (currentGame == this) {
        currentGame = nullptr;
    }
}

void Game::deleteEntities() {
    camera = nullptr;
    // Each entity unlists itself as it dies, so the front is always the oldest one left. An entity
    // that deletes others on its way out only shortens the list.
    while (!entities.empty()) {
        Entity* oldest = entities.front();
        delete oldest;
        // Another game may have become current meanwhile; never delete the same entity twice.
        if (!entities.empty() && entities.front() == oldest) {
            entities.erase(entities.begin());
        }
    }
    exitRequest = false;
}

void Game::registerFactory(const std::string& type, std::unique_ptr<EntityFactory> factory) {
    auto found = factories.find(type);
    if (found != factories.end()) {
        found->second.reset();
        found->second = std::move(factory);
        return;
    }
    factories.emplace(type, std::move(factory));
}

Entity* Game::createEntity(const std::string& type, const Resource::XmlNode& element) {
    auto found = factories.find(type);
    if (found == factories.end() || !found->second) {
        return nullptr;
    }
    // A world may ask for more than memory holds; that entity is skipped, the show goes on.
    try {
        return found->second->create(element);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    Zem::Main::report(type + " \"" + element.attribute("name") +
                      "\": not enough memory to build it, not created");
    return nullptr;
}

Entity* Game::findEntity(const std::string& name) const {
    for (Entity* entity : entities) {
        if (entity->name == name) {
            return entity;
        }
    }
    return nullptr;
}

void Game::removeEntity(Entity* entity) {
    auto found = std::find(entities.begin(), entities.end(), entity);
    if (found != entities.end()) {
        entities.erase(found);
    }
    // A camera that goes away stops being current; its rooms may be gone already, so they are not
    // touched.
    if (camera != nullptr && static_cast<Entity*>(camera) == entity) {
        camera = nullptr;
    }
}

void Game::makeCameraCurrent(Camera* newCamera) {
    if (camera != nullptr) {
        camera->deactivate();
    }
    camera = newCamera;
    if (camera != nullptr) {
        camera->activate();
    }
}

} // namespace Zem::Main
