#include "script/MusicClock.h"

#include <algorithm>
#include <cmath>

namespace {

// How long one window of the device's reports lasts: long enough to hold a block that came on
// time, short enough to follow a device that really slipped (an underrun) within two of them.
constexpr double windowMs = 1000.0;
// Behind the device's time, the clock closes the gap with this time constant, never faster than
// 10 % above real time. Ahead of it, the clock stands until the sound gets there: it is never
// ahead of what is heard, and never goes back.
constexpr double followMs = 20.0;
constexpr double maxRate = 1.1;
// A block later than the device's queue could cover, by more than this, means it ran dry.
constexpr double underrunMarginMs = 10.0;
// Further behind the device than this, the clock jumps to it rather than take seconds to catch
// up.
constexpr double jumpMs = 250.0;

} // namespace

void MusicClock::start(double nowMs, double waitMs) {
    isStarted = true;
    isPaused = false;
    seek(nowMs, 0.0, waitMs);
}

void MusicClock::seek(double nowMs, double heardMs, double waitMs) {
    lastQueryMs = nowMs;
    lastHeardMs = heardMs;
    forgetDevice();
    waitForDevice(nowMs, waitMs);
}

void MusicClock::pause(double nowMs) {
    heardMs(nowMs);
    isPaused = true;
}

void MusicClock::resume(double nowMs, double waitMs) {
    if (!isPaused) {
        return;
    }
    isPaused = false;
    lastQueryMs = std::max(lastQueryMs, nowMs);
    forgetDevice();
    waitForDevice(lastQueryMs, waitMs);
}

void MusicClock::waitForDevice(double nowMs, double waitMs) {
    waitUntilMs = nowMs + std::max(0.0, waitMs);
}

bool MusicClock::waiting(double nowMs) const {
    return !anchored && nowMs < waitUntilMs;
}

void MusicClock::forgetDevice() {
    anchored = false;
    havePrevious = false;
}

void MusicClock::deviceTook(int64_t firstFrame, int64_t pendingFrames, double stampMs,
                            int sampleRate) {
    if (!isStarted || isPaused || sampleRate <= 0) {
        return;
    }
    const double report =
        static_cast<double>(firstFrame - pendingFrames) * 1000.0 / sampleRate - stampMs;
    const double pendingMs = static_cast<double>(pendingFrames) * 1000.0 / sampleRate;
    const double best = havePrevious ? std::max(currentBest, previousBest) : currentBest;
    // Later than everything it had queued could cover: the device ran dry and its music now
    // comes that much later. The earlier reports no longer hold.
    if (anchored && report < best - pendingMs - underrunMarginMs) {
        forgetDevice();
    }
    if (!anchored) {
        anchored = true;
        // The device is heard: a later stall runs on with the steady clock, without waiting.
        waitUntilMs = std::min(waitUntilMs, stampMs);
        windowStartMs = stampMs;
        currentBest = report;
        return;
    }
    if (stampMs - windowStartMs >= windowMs) {
        // A window with no report at all says nothing about the present.
        havePrevious = stampMs - windowStartMs < 2.0 * windowMs;
        previousBest = currentBest;
        currentBest = report;
        windowStartMs = stampMs;
        return;
    }
    currentBest = std::max(currentBest, report);
}

bool MusicClock::deviceHeardMs(double nowMs, double& heard) const {
    if (!anchored) {
        return false;
    }
    heard = nowMs + (havePrevious ? std::max(currentBest, previousBest) : currentBest);
    return true;
}

double MusicClock::heardMs(double nowMs) {
    if (!isStarted || nowMs <= lastQueryMs) {
        return lastHeardMs;
    }
    if (isPaused || waiting(nowMs)) {
        lastQueryMs = nowMs;
        return lastHeardMs;
    }
    // A wait that ran out counts from its end: the device has not started, the clock does.
    const double from = anchored ? lastQueryMs : std::max(lastQueryMs, waitUntilMs);
    const double elapsed = nowMs - from;
    lastQueryMs = nowMs;
    const double predicted = lastHeardMs + elapsed;
    double device = 0.0;
    if (!deviceHeardMs(nowMs, device)) {
        lastHeardMs = predicted;
        return lastHeardMs;
    }
    const double error = device - predicted;
    if (error <= 0.0) {
        // Ahead of what is heard: stand until the sound gets here, then go with it.
        lastHeardMs = std::max(lastHeardMs, device);
    } else if (error > jumpMs) {
        lastHeardMs = device;
    } else {
        // Behind: the gap shrinks exponentially, however far apart the readings are.
        const double wanted = device - error * std::exp(-elapsed / followMs);
        lastHeardMs = std::min(wanted, lastHeardMs + elapsed * maxRate);
    }
    return lastHeardMs;
}

int64_t MusicClock::frameToHand(double stampMs, int64_t pendingFrames, int sampleRate) {
    const double heard = std::max(0.0, heardMs(stampMs));
    return std::llround(heard * sampleRate / 1000.0) + pendingFrames;
}
