#pragma once

#include "demo/ShowFiles.h"
#include "graphics/View.h"
#include "main/Game.h"
#include "main/Show.h"
#include "script/ScriptMaster.h"

#include <memory>
#include <string>
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
class Resource;
class ResourceLoader;
class WorldObserver;
} // namespace Zem::Resource

// The demo: it registers what the world needs, loads "main.world", renders what the current camera
// sees each frame and updates the entities of the rooms that camera can reach. The run ends when
// Escape is held, the window is closed or the script asks for it.
class Ombrel : public Zem::Main::Game, public Zem::Main::Show {
public:
    Ombrel();
    ~Ombrel() override;

    // Always true: a missing world leaves an empty scene and the run goes on.
    bool init() override;
    // Unless paused, updates the current camera and every entity that is in no room or in an
    // active one and settles the portal crossings those updates made; then renders the frame, so
    // that it shows the world as the updates left it. False ends the run.
    bool update(float dt) override;
    bool shutdown() override;

    // Every entity type a world may name (the world fuzzer builds worlds through these too).
    void registerEntityTypes();
    // Where the world and the shipped data are read from; before init. The defaults play
    // "data/main.world".
    void useFiles(const ShowFiles& files);
    // Shown every entity element of the world as it is built (a checker's look); before init.
    // Not owned.
    void observeWorld(Zem::Resource::WorldObserver* observer) { worldObserver = observer; }
    // The music layers the world's script masters play on (the platform's when not set);
    // before init.
    void useMusic(ScriptMaster::Factory::MusicMaker maker);
    // Whether the final image's edges are smoothed (the default); before init.
    void useEdgeFilter(bool filter) { edgeFilter = filter; }
    // The show's clock: the script master the world's interpolators and cube grids read, else
    // the world's first; null without one.
    const ScriptMaster* scriptMaster() const;
    ScriptMaster* scriptMaster();

    // The script's music time; 0 without a script.
    int32_t showTimeMs() const override;
    int32_t endTimeMs() const override;
    bool ended() const override { return exitRequested(); }
    // A script master keeps the time.
    bool hasClock() const override { return scriptMaster() != nullptr; }
    // The passes render at the display's size; without a GL context nothing is drawn and the
    // show goes on unseen.
    void draw() override;
    // Updates the current camera, then every entity in no room or an active one.
    void step(float dt) override;
    // Forward by stepping the show without drawing, backward by building the world again from
    // its file and stepping from the start; the music waits meanwhile.
    void seek(int32_t heardMs) override;
    // Every script master that has started stands still, and goes on from there.
    void setPaused(bool paused) override;
    bool paused() const override { return isPaused; }
    // Every script master's clock, now and in a world built again.
    void setPictureLeadMs(double leadMs) override;
    std::string cameraName() const override;
    // The world, its templates and meshes read anew; shaders and textures reload in place.
    void reload() override;
    void observeFrames(Zem::Graphics::RenderObserver* observer) override {
        frameObserver = observer;
    }

    // The world's file was read; false leaves an empty scene.
    bool hasWorld() const { return world != nullptr; }
    // Deletes every entity and builds the world again from its file, as it stood when loaded.
    void rebuildWorld();

    // Fast-forward steps of a seek: the frame of a 60 Hz display.
    static constexpr double seekStepMs = 1000.0 / 60.0;

private:
    void registerPasses();
    void addSearchPaths();
    void registerLoaders();
    void showBlackScreen();
    void drawOnceFromEveryCamera();
    // Runs every active portal's trigger after the updates, so that the next frame is drawn from
    // the room its camera has walked into.
    void settleCrossings();
    // Loads the world file and makes its "camera" current.
    void loadWorld();
    // Runs action on every script master of the world.
    template <typename Action> void forEachScriptMaster(Action&& action);
    std::unique_ptr<ScriptMaster::Factory> makeScriptMasterFactory() const;
    // The file name the world is loaded under.
    std::string worldName() const;
    // Entities without a room always run; the others only while their room is active.
    static bool isInActiveRoomOrNone(const Zem::Main::Entity& entity);

    // Found under "input" and "display" by init; not owned.
    Zem::Input::InputBase* input = nullptr;
    Zem::Graphics::DisplayBase* display = nullptr;
    // The resource manager never deletes its loaders; the demo keeps them for the whole run.
    std::vector<std::unique_ptr<Zem::Resource::ResourceLoader>> loaders;
    // Kept across frames so the view tree reuses its storage instead of allocating every frame.
    Zem::Graphics::View frameRoot;
    ShowFiles files;
    ScriptMaster::Factory::MusicMaker musicMaker;
    // Held while the world's entities live; the cache owns it.
    Zem::Resource::Resource* world = nullptr;
    bool isPaused = false;
    bool edgeFilter = true;
    double pictureLeadMs = 0.0;
    Zem::Graphics::RenderObserver* frameObserver = nullptr;
    Zem::Resource::WorldObserver* worldObserver = nullptr;
};
