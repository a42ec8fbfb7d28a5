#pragma once

#include "demo/DemoOptions.h"
#include "demo/Transport.h"
#include "graphics/View.h"
#include "main/Game.h"
#include "resource/FileWatcher.h"
#include "script/ScriptMaster.h"

#include <memory>
#include <string>
#include <vector>

class FrameStats;
class LiveReload;
namespace Capture {
class CaptureSession;
}
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
} // namespace Zem::Resource

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
    // an active one, then settles portal crossings made by those updates. False ends the run.
    bool update(float dt) override;
    bool shutdown() override;

    // Every entity type a world may name (the world fuzzer builds worlds through these too).
    void registerEntityTypes();
    // Where the world and the shipped data are read from; before init. The defaults play
    // "data/main.world".
    void useOptions(const DemoOptions& options);
    // Renders the show into the session instead of playing it: the music runs on the session's
    // clock and every frame drawn goes to it. Before init; the session outlives the game's run.
    void captureTo(Capture::CaptureSession* session);
    // The music layers the world's script masters play on (the platform's when not set);
    // before init.
    void useMusic(ScriptMaster::Factory::MusicMaker maker);
    // The world's first script master, or null.
    const ScriptMaster* scriptMaster() const;
    ScriptMaster* scriptMaster();
    // The script's music time in seconds; 0 without a script.
    double showSeconds() const;

    // Deletes every entity and builds the world again from its file, as it stood when loaded.
    void rebuildWorld();
    // Builds the world again from the files on disk (the world, its templates and meshes read
    // anew) and brings it back to the show time it had.
    void reloadWorld();
    // Updates the current camera, then every entity in no room or an active one.
    void stepWorld(float dt);
    // The maker's controls while playing; null while capturing.
    Transport* transport() { return controls.get(); }
    // Follows the cached files on disk with this clock (the wall clock by default), reloading
    // what changes. On while playing from init; never while capturing, which must repeat.
    void watchFiles(Zem::Resource::FileWatcher::Clock clock = {});
    // Null unless the options ask for stats.
    const FrameStats* frameStats() const { return stats.get(); }
    // Looks on at every frame drawn from now on, in place of the stats (a benchmark's probe);
    // null stops it. Not owned.
    void observeFrames(Zem::Graphics::RenderObserver* observer) { frameObserver = observer; }

private:
    void registerPasses();
    void addSearchPaths();
    void registerLoaders();
    void showBlackScreen();
    // Runs every active portal's trigger after the updates, so that the next frame is drawn from
    // the room its camera has walked into.
    void settleCrossings();
    // Loads the world file and makes its "camera" current.
    void loadWorld();
    // After the picture: the stats overlay and, once a second, their line on standard output.
    void showStats();
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
    DemoOptions options;
    // Not owned; null while playing.
    Capture::CaptureSession* capture = nullptr;
    ScriptMaster::Factory::MusicMaker musicMaker;
    // Held while the world's entities live; the cache owns it.
    Zem::Resource::Resource* world = nullptr;
    std::unique_ptr<Transport> controls;
    std::unique_ptr<LiveReload> liveReload;
    std::unique_ptr<FrameStats> stats;
    Zem::Graphics::RenderObserver* frameObserver = nullptr;
};
