#include "script/SilentMusic.h"

#include <algorithm>
#include <cmath>

SilentMusic::SilentMusic(TimeSource source) : heardTime(std::move(source)) {}

SilentMusic::~SilentMusic() = default;

bool SilentMusic::init(int, int, unsigned) {
    return false;
}

bool SilentMusic::setBufferSize(int milliseconds) {
    bufferMs = milliseconds;
    return true;
}

MusicStream* SilentMusic::openStream(const std::string&, unsigned, int, int) {
    // The handle is opaque to callers and never read here: the layer's own address serves.
    return reinterpret_cast<MusicStream*>(this);
}

bool SilentMusic::playStream(int, MusicStream*) {
    playing = true;
    // The music starts from its beginning when it is played, as a device's would: a script that
    // starts late hears its music from 0 then. A start just before the source's 0 (a capture's
    // lead-in between frames) counts from 0.
    shiftMs = heardTime ? -std::max(0.0, heardTime()) : 0.0;
    return true;
}

double SilentMusic::heardMs() const {
    if (!playing || !heardTime) {
        return 0.0;
    }
    return paused ? pausedAtMs : heardTime() + shiftMs;
}

int32_t SilentMusic::streamTime(MusicStream*) {
    return static_cast<int32_t>(std::floor(heardMs())) - bufferMs;
}

bool SilentMusic::seekStream(MusicStream*, int32_t target) {
    if (!heardTime) {
        return false;
    }
    shiftMs = target - heardTime();
    pausedAtMs = target;
    return true;
}

bool SilentMusic::pauseStream(MusicStream*, bool pause) {
    if (!heardTime || pause == paused) {
        return heardTime != nullptr;
    }
    if (pause) {
        pausedAtMs = heardMs();
    } else {
        shiftMs = pausedAtMs - heardTime();
    }
    paused = pause;
    return true;
}

int32_t SilentMusic::streamLengthMs(const MusicStream*) const {
    return 0;
}
