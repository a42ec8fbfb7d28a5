#include "app/LivePlay.h"

#include "app/StatsOverlay.h"
#include "graphics/DisplayBase.h"
#include "graphics/hasCurrentContext.h"
#include "main/Show.h"

#include <algorithm>
#include <chrono>
#include <iostream>
#include <thread>

namespace Zem::App {

namespace {

double steadyMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

LivePlay::LivePlay(Main::Show& playing, const PlayerOptions& options, Clock turnClock)
    : show(playing), clock(turnClock ? std::move(turnClock) : Clock(&steadyMs)),
      transport(playing, options.startSeconds, options.endSeconds, options.loop),
      reload([this] { return static_cast<int64_t>(clock()); }), frameLog(options.frameLog),
      minimumTurnMs(options.maxFps > 0.0 ? 1000.0 / options.maxFps : 0.0) {
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
    logFrame(display);
    if (input != nullptr) {
        transport.handleKeys(*input);
    }
    if (!transport.goesOn()) {
        return false;
    }
    if (reload.poll()) {
        show.reload();
    }
    const double now = clock();
    waitForFrameCap(now);
    show.setPictureLeadMs(lead.turnEnded(minimumTurnMs > 0.0 ? clock() : now));
    return true;
}

// The line of the frame that went on screen at this turn's start, then the one just drawn.
void LivePlay::logFrame(const Graphics::DisplayBase* display) {
    if (!frameLog.isOpen()) {
        return;
    }
    if (display != nullptr) {
        frameLog.presented(display->presentedAtMs());
    }
    frameLog.drawn(show.showTimeMs(), show.cameraName());
}

void LivePlay::waitForFrameCap(double turnEndedMs) {
    if (minimumTurnMs <= 0.0) {
        return;
    }
    const double dueMs = lastTurnStartMs + minimumTurnMs;
    if (turnEndedMs < dueMs) {
        std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(dueMs - turnEndedMs));
    }
    // A turn that ran late is not made up for by shorter ones after it.
    lastTurnStartMs = std::max(dueMs, turnEndedMs);
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
