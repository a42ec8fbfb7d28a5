#pragma once

#include "app/FrameStats.h"
#include "app/LiveReload.h"
#include "app/PlayerOptions.h"
#include "app/Transport.h"

#include <memory>

namespace Zem::Graphics {
class DisplayBase;
}
namespace Zem::Input {
class InputBase;
}
namespace Zem::Main {
class Show;
}

namespace Zem::App {

// The maker's tools around a show played live, run after each of the engine's turns: the frame
// stats and their overlay, the transport's keys, start, end and loop, and live reload.
class LivePlay {
public:
    // The clock is the file watcher's (the wall clock by default).
    LivePlay(Main::Show& show, const PlayerOptions& options,
             Resource::FileWatcher::Clock watchClock = {});
    ~LivePlay();

    // Once the world is loaded: goes to the start and notes the files as they are now.
    void begin();
    // After the frame is drawn and the world stepped: the overlay over the picture, the keys
    // read, the end or the loop, then a reload of what changed on disk. False ends the run.
    bool afterTurn(const Input::InputBase* input, const Graphics::DisplayBase* display);

    // Null unless the options ask for stats.
    const FrameStats* frameStats() const { return stats.get(); }

private:
    void showStats(const Graphics::DisplayBase* display);

    Main::Show& show;
    Transport transport;
    LiveReload reload;
    std::unique_ptr<FrameStats> stats;
};

} // namespace Zem::App
