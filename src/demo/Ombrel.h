#pragma once

#include "graphics/View.h"
#include "main/Game.h"

#include <memory>
#include <vector>

namespace Zem::Graphics {
class DisplayBase;
}
namespace Zem::Input {
class InputBase;
}
namespace Zem::Main {
class Entity;
}
namespace Zem::Resource {
class ResourceLoader;
}

// The demo: it registers what the world needs, loads "main.world", renders what the current camera
// sees each frame and updates the entities of the rooms that camera can reach. The run ends when
// Escape is held, the window is closed or the script asks for it.
class Ombrel : public Zem::Main::Game {
public:
    Ombrel();
    ~Ombrel() override;

    // Always true: a missing world leaves an empty scene and the run goes on.
    bool init() override;
    // Renders the frame, then updates the current camera and every entity that is in no room or in
    // an active one. False ends the run.
    bool update(float dt) override;
    bool shutdown() override;

    // Every entity type a world may name (the world fuzzer builds worlds through these too).
    void registerEntityTypes();

private:
    void registerPasses();
    void addSearchPaths();
    void registerLoaders();
    void showBlackScreen();
    // Entities without a room always run; the others only while their room is active.
    static bool isInActiveRoomOrNone(const Zem::Main::Entity& entity);

    // Found under "input" and "display" by init; not owned.
    Zem::Input::InputBase* input = nullptr;
    Zem::Graphics::DisplayBase* display = nullptr;
    // The resource manager never deletes its loaders; the demo keeps them for the whole run.
    std::vector<std::unique_ptr<Zem::Resource::ResourceLoader>> loaders;
    // Kept across frames so the view tree reuses its storage instead of allocating every frame.
    Zem::Graphics::View frameRoot;
};
