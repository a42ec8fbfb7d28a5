#pragma once

#include "app/FrameLog.h"
#include "app/FrameStats.h"
#include "app/LiveReload.h"
#include "app/PictureLead.h"
#include "app/PlayerOptions.h"
#include "app/Transport.h"

#include <functional>
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

// What a show played live needs around the engine's turns: each frame drawn as the show will
// stand when it is seen, at most so many frames a second, and the maker's tools (the frame stats
// and their overlay, the transport's keys, start, end and loop, live reload).
class LivePlay {
public:
    // Steady milliseconds.
    using Clock = std::function<double()>;
    // Lets so many milliseconds pass.
    using Wait = std::function<void(double ms)>;

    // The clock times the turns and the file watcher (the steady clock by default); the frame
    // cap waits with `wait` (a sleep by default).
    LivePlay(Main::Show& show, const PlayerOptions& options, Clock clock = {}, Wait wait = {});
    ~LivePlay();

    // Once the world is loaded: goes to the start and notes the files as they are now.
    void begin();
    // After the world was stepped and the frame drawn: the overlay over the picture, the
    // picture's lead for the next frame, the keys read, the end or the loop, then a reload of what
    // changed on disk, and a wait for the frame cap. False ends the run.
    bool afterTurn(const Input::InputBase* input, const Graphics::DisplayBase* display);

    // Null unless the options ask for stats.
    const FrameStats* frameStats() const { return stats.get(); }

private:
    void showStats(const Graphics::DisplayBase* display);
    void logFrame(const Graphics::DisplayBase* display);
    void waitForFrameCap(double turnEndedMs);
    // The shortest a turn may take: --max-fps's, else a cap while the show's time stands.
    double turnCapMs() const;

    Main::Show& show;
    Clock clock;
    Wait wait;
    Transport transport;
    LiveReload reload;
    std::unique_ptr<FrameStats> stats;
    PictureLead lead;
    FrameLog frameLog;
    double minimumTurnMs = 0.0;
    double endSeconds = -1.0;
    double lastTurnStartMs = 0.0;
};

} // namespace Zem::App
