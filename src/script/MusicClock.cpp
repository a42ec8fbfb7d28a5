#include "script/MusicClock.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// How fast the position may catch up with the device: 5 % faster than real time at most.
constexpr double maxCatchUpRate = 1.05;
// An error of this much behind the device slows the clock to a stop; smaller ones slow it in
// proportion. Large enough to ride out a device's bursts, small enough to follow a stall.
constexpr double steeringMs = 200.0;
// Further behind than this the position jumps to the device's.
constexpr double jumpMs = 250.0;

} // namespace

void MusicClock::start(double nowMs) {
    isStarted = true;
    startMs = nowMs;
    anchored = false;
    lastQueryMs = nowMs;
    lastPositionMs = 0.0;
}

void MusicClock::anchor(int64_t firstFrame, int64_t endFrame, double stampMs, int sampleRate) {
    if (!isStarted || sampleRate <= 0) {
        return;
    }
    anchored = true;
    anchorBeginMs = static_cast<double>(firstFrame) * 1000.0 / sampleRate;
    anchorEndMs = static_cast<double>(endFrame) * 1000.0 / sampleRate;
    anchorStampMs = stampMs;
}

double MusicClock::devicePositionMs(double nowMs) const {
    // A device that stalls holds the music at the end of the samples it was given.
    return std::min(anchorBeginMs + (nowMs - anchorStampMs), anchorEndMs);
}

double MusicClock::steeredPositionMs(double nowMs) const {
    const double elapsed = std::max(0.0, nowMs - lastQueryMs);
    const double predicted = lastPositionMs + elapsed;
    const double error = devicePositionMs(nowMs) - predicted;
    if (error > jumpMs) {
        return devicePositionMs(nowMs);
    }
    const double rate = std::clamp(1.0 + error / steeringMs, 0.0, maxCatchUpRate);
    return lastPositionMs + elapsed * rate;
}

int32_t MusicClock::positionMs(double nowMs) {
    if (!isStarted) {
        return 0;
    }
    // Without a device the steady clock is the music; a reading taken out of order never
    // takes it back.
    const double position = anchored ? steeredPositionMs(nowMs) : nowMs - startMs;
    lastPositionMs = std::max(lastPositionMs, position);
    lastQueryMs = std::max(lastQueryMs, nowMs);
    constexpr double limit = static_cast<double>(std::numeric_limits<int32_t>::max());
    return static_cast<int32_t>(std::floor(std::min(lastPositionMs, limit)));
}
