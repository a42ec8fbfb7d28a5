#include "app/LivePlay.h"

#include "app/StatsOverlay.h"
#include "graphics/DisplayBase.h"
#include "graphics/hasCurrentContext.h"
#include "main/Show.h"
#include "main/report.h"
#include "main/steadyMs.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

namespace Zem::App {

namespace {

void sleepMs(double ms) {
    std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(ms));
}

// A show whose time stands has nothing to wait for: without a cap it would draw the same picture
// as fast as the machine can.
constexpr double standingShowFps = 30.0;

std::string secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", seconds);
    return text;
}

} // namespace

LivePlay::LivePlay(Main::Show& playing, const PlayerOptions& options, Clock turnClock, Wait waitFor)
    : show(playing), clock(turnClock ? std::move(turnClock) : Clock(&Main::steadyMs)),
      wait(waitFor ? std::move(waitFor) : Wait(&sleepMs)),
      transport(playing, options.startSeconds, options.endSeconds, options.loop, clock),
      reload([this] { return static_cast<int64_t>(clock()); }), frameLog(options.frameLog),
      minimumTurnMs(options.maxFps > 0.0 ? 1000.0 / options.maxFps : 0.0),
      endSeconds(options.endSeconds) {
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
    if (!show.hasClock()) {
        Main::report(std::string("No script: nothing keeps the show's time, so it stands at 0 s; "
                                 "showing it until ") +
                     (endSeconds >= 0.0 ? "--end (" + secondsText(endSeconds) + ")" : "Escape") +
                     ", at most " + std::to_string(static_cast<int>(standingShowFps)) +
                     " frames a second");
    }
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
    show.setPictureLeadMs(lead.turnEnded(turnCapMs() > 0.0 ? clock() : now));
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

double LivePlay::turnCapMs() const {
    if (minimumTurnMs > 0.0 || show.hasClock()) {
        return minimumTurnMs;
    }
    return 1000.0 / standingShowFps;
}

void LivePlay::waitForFrameCap(double turnEndedMs) {
    const double capMs = turnCapMs();
    if (capMs <= 0.0) {
        return;
    }
    const double dueMs = lastTurnStartMs + capMs;
    if (turnEndedMs < dueMs) {
        wait(dueMs - turnEndedMs);
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
