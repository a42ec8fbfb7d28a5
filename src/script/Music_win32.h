#pragma once

#include "script/Music.h"

#include <cstdint>
#include <memory>
#include <vector>

class WaveOutput;

namespace Zem::Resource {
class OggVorbisDecoder;
}

// The music layer on the Windows wave output: the whole file is decoded with libvorbisfile when
// the stream is opened, and a feeder thread keeps the device's queue full. The clock follows the
// count of frames the device reports played, and the steady clock between its steps. A seek or a
// resume after one restarts the device from where the clock stands.
class Music_win32 : public Music {
public:
    explicit Music_win32(TimeSource timeSource);
    ~Music_win32() override;

    bool init(int mixRate, int maxSoftwareChannels, unsigned flags) override;
    bool setBufferSize(int milliseconds) override;
    MusicStream* openStream(const std::string& path, unsigned mode, int offset,
                            int length) override;
    bool playStream(int channel, MusicStream* stream) override;
    bool seekStream(MusicStream* stream, int32_t heardMs) override;
    bool pauseStream(MusicStream* stream, bool paused) override;
    int32_t streamTime(MusicStream* stream) override;
    int32_t streamLengthMs(const MusicStream* stream) const override;

private:
    // The device playing the stream; null when it plays silently.
    WaveOutput* deviceOf(const MusicStream* stream) const;
    void restartDevice(MusicStream& stream, double nowMs);
    // Decodes music into the stream at its own rate and channels.
    void decode(Zem::Resource::OggVorbisDecoder& music, MusicStream& stream,
                const std::string& path) const;

    TimeSource timeSource;
    // init found an output device; cleared when it cannot be opened.
    bool deviceWanted = false;
    // Added by every reader to the stream time: what streamTime takes off the heard time.
    int bufferMs = 0;
    std::vector<std::unique_ptr<MusicStream>> streams;
    // Plays one stream at a time; null while silent.
    std::unique_ptr<WaveOutput> output;
    MusicStream* playing = nullptr;
};
