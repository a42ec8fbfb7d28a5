#pragma once

#include "main/EntityFactory.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Zem::Resource {
class XmlNode;
}

namespace Zem::Main {

class Camera;
class Engine;
class Entity;

// The one game of the program. It owns every entity of the world and the factories that build them
// by type name, answers lookups by name, keeps the current camera and the request to end the run.
// The engine initialises it after the drivers, updates it once per frame after them and shuts it
// down before them.
class Game {
public:
    // Becomes the current game and registers the engine's own "Room" and "Portal" types.
    Game();
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;
    // Deletes the entities in creation order, then the factories.
    virtual ~Game();

    virtual bool init() = 0;
    // False ends the main loop after this frame.
    virtual bool update(float dt) = 0;
    // The engine ignores the result.
    virtual bool shutdown() = 0;

    // Takes ownership; a factory already registered under the name is deleted first.
    void registerFactory(const std::string& type, std::unique_ptr<EntityFactory> factory);
    // What the type's factory builds from the element (it is already listed), or null when no
    // factory has that exact name.
    Entity* createEntity(const std::string& type, const Resource::XmlNode& element);
    // The first listed entity with exactly this name, or null.
    Entity* findEntity(const std::string& name) const;
    // Deletes every entity in creation order, the current camera among them (no camera is current
    // afterwards), and forgets an exit request: the world can then be built again.
    void deleteEntities();
    // Unlists the entity (first occurrence) without deleting it; unknown entities are ignored.
    void removeEntity(Entity* entity);

    // The camera the scene is rendered from and updated first; null when there is none.
    Camera* currentCamera() const { return camera; }
    // Deactivates the old camera's rooms, then activates those the new one (may be null) reaches.
    void makeCameraCurrent(Camera* newCamera);
    // The script's "exit": the run ends at the end of the frame.
    void requestExit() { exitRequest = true; }
    bool exitRequested() const { return exitRequest; }

    // Owned, in creation order: each entity lists itself when built and unlists itself when
    // deleted.
    std::vector<Entity*> entities;
    std::map<std::string, std::unique_ptr<EntityFactory>> factories;
    // Set by the program entry before the engine initialises the game; not owned.
    Engine* engine = nullptr;
    // The file the world was read from, for messages about it; empty without one.
    std::string worldFile;

private:
    Camera* camera = nullptr;
    bool exitRequest = false;
};

// The game every entity lists itself in; set by the Game constructor.
extern Game* currentGame;

} // namespace Zem::Main
