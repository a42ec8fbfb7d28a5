#pragma once

#include "script/Music.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Zem::Resource {
class OggVorbisDecoder;
}

// The music layer on an SDL audio device: the whole file is decoded with libvorbisfile when the
// stream is opened, so the device callback only copies samples and stamps the clock. SDL does
// not say how much of what it took is still waiting to be heard; each of its drivers keeps a
// known share of its buffer, which pendingFrames models.
class Music_sdl2 : public Music {
public:
    Music_sdl2(TimeSource timeSource, bool trustDummyDevice);
    ~Music_sdl2() override;

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
    static void audioCallback(void* self, uint8_t* out, int bytes);
    void fill(uint8_t* out, int bytes);
    bool openDevice();
    // Runs action on the stream's clock, under the device lock when a device plays.
    template <typename Action> auto withClock(MusicStream& stream, Action&& action);
    // Decodes music into the stream at the device's rate and channels.
    void decode(Zem::Resource::OggVorbisDecoder& music, MusicStream& stream,
                const std::string& path) const;

    TimeSource timeSource;
    bool trustDummyDevice;
    bool audioSubsystem = false;
    // init found an output worth playing on; cleared when the device cannot be opened.
    bool deviceWanted = false;
    uint32_t device = 0;
    int mixRate = 44100;
    int bufferFrames = 1024;
    // Added by every reader to the stream time: what streamTime takes off the heard time.
    int offsetMs = 0;
    // Frames the device has taken but not yet played when it asks for a block.
    int64_t pendingFrames = 0;
    // A longer pause between two blocks than this is a stall of the device (a suspended
    // sound server): the music then skips to where the clock has run on.
    double stallMs = 250.0;
    std::vector<std::unique_ptr<MusicStream>> streams;
    // What the device plays; shared with the audio thread under the device lock.
    MusicStream* playing = nullptr;
};
