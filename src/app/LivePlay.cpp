#include "app/LivePlay.h"

#include "app/StatsOverlay.h"
#include "graphics/DisplayBase.h"
#include "graphics/hasCurrentContext.h"
#include "main/Show.h"

#include <iostream>

namespace Zem::App {

LivePlay::LivePlay(Main::Show& playing, const PlayerOptions& options,
                   Resource::FileWatcher::Clock watchClock)
    : show(playing), transport(playing, options.startSeconds, options.endSeconds, options.loop),
      reload(std::move(watchClock)) {
    if (options.stats) {
        stats = std::make_unique<FrameStats>();
        show.observeFrames(stats.get());
    }
}

LivePlay::~LivePlay() {
    if (stats) {
        show.observeFrames(nullptr);
    }
}

void LivePlay::begin() {
    transport.begin();
    reload.poll();
}

bool LivePlay::afterTurn(const Input::InputBase* input, const Graphics::DisplayBase* display) {
    showStats(display);
    if (input != nullptr) {
        transport.handleKeys(*input);
    }
    if (!transport.goesOn()) {
        return false;
    }
    if (reload.poll()) {
        show.reload();
    }
    return true;
}

// Over the finished frame, for the person watching; nothing without a picture.
void LivePlay::showStats(const Graphics::DisplayBase* display) {
    if (!stats || !Graphics::hasCurrentContext()) {
        return;
    }
    if (stats->frameDone(show.showTimeMs() / 1000.0)) {
        std::cout << FrameStats::line(stats->report()) << std::endl;
    }
    const int width = display != nullptr ? display->width : 640;
    const int height = display != nullptr ? display->height : 480;
    StatsOverlay::draw(FrameStats::overlayLines(stats->report()), width, height);
}

} // namespace Zem::App
