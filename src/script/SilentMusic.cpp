#include "script/SilentMusic.h"

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
    return true;
}

int32_t SilentMusic::streamTime(MusicStream*) {
    const double heard = playing && heardTime ? heardTime() : 0.0;
    return static_cast<int32_t>(std::floor(heard)) - bufferMs;
}

int32_t SilentMusic::streamLengthMs(const MusicStream*) const {
    return 0;
}
