#include "script/PositionClock.h"

#include <algorithm>
#include <cmath>

void PositionClock::start(double nowMs, double waitMs) {
    clock.start(nowMs, waitMs);
    deviceRestarted(0, nowMs);
}

void PositionClock::seek(double nowMs, double heardMs, double waitMs) {
    clock.seek(nowMs, heardMs, waitMs);
}

void PositionClock::pause(double nowMs) {
    clock.pause(nowMs);
}

void PositionClock::resume(double nowMs, double waitMs) {
    clock.resume(nowMs, waitMs);
    // The count stood while paused.
    lastMoveMs = nowMs;
}

void PositionClock::deviceRestarted(int64_t firstFrame, double nowMs) {
    countOrigin = firstFrame;
    lastCount = 0;
    lastReadMs = nowMs;
    lastMoveMs = nowMs;
    counting = false;
    stalled = false;
}

bool PositionClock::countRead(int64_t playedFrames, double nowMs) {
    if (playedFrames == lastCount) {
        lastReadMs = std::max(lastReadMs, nowMs);
        // A device slow to start is waited for by the clock itself.
        if (counting && !stalled && !clock.paused() && nowMs - lastMoveMs > stallMs) {
            stalled = true;
            clock.forgetDevice();
        }
        return false;
    }
    // What it says now is behind the clock, which ran on: the device is to follow the clock.
    if (stalled) {
        return true;
    }
    const double lateByUpToMs = std::max(0.0, nowMs - lastReadMs);
    const auto allowance = static_cast<int64_t>(std::ceil(lateByUpToMs * rate / 1000.0));
    lastCount = playedFrames;
    lastReadMs = nowMs;
    // Heard now: at least the count, at most the allowance further, as a block taken with that
    // much still in front of it.
    const int64_t heardFrame = countOrigin + playedFrames;
    clock.deviceTook(heardFrame + allowance, allowance, nowMs, rate);
    lastMoveMs = nowMs;
    counting = true;
    return false;
}

int64_t PositionClock::frameToHand(double nowMs) {
    return clock.frameToHand(nowMs, 0, rate);
}
