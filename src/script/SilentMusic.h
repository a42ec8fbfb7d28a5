#pragma once

#include "script/Music.h"

#include <cstdint>
#include <string>

// A music layer that plays nothing and whose heard position is the time its source has run since
// the stream played: a capture drives it from the frame number, so the script, the
// interpolators and the effects see exactly the time of the frame being made.
class SilentMusic : public Music {
public:
    // heardTime gives the music time, in milliseconds, that the show is at.
    explicit SilentMusic(TimeSource heardTime);
    ~SilentMusic() override;

    bool init(int mixRate, int maxSoftwareChannels, unsigned flags) override;
    bool setBufferSize(int milliseconds) override;
    MusicStream* openStream(const std::string& path, unsigned mode, int offset,
                            int length) override;
    bool playStream(int channel, MusicStream* stream) override;
    // The heard time less the buffer length, as every music layer reports it: readers add the
    // script's offset back.
    int32_t streamTime(MusicStream* stream) override;
    bool seekStream(MusicStream* stream, int32_t heardMs) override;
    bool pauseStream(MusicStream* stream, bool paused) override;
    int32_t streamLengthMs(const MusicStream* stream) const override;

private:
    double heardMs() const;

    TimeSource heardTime;
    // Added to the source's time, so a seek moves the music and the source keeps running.
    double shiftMs = 0.0;
    bool paused = false;
    double pausedAtMs = 0.0;
    int bufferMs = 0;
    bool playing = false;
};
