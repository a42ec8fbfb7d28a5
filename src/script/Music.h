#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// A music stream, owned by the Music that opened it.
class MusicStream;

// The music layer the timeline runs on: five operations in the manner of the sound library the
// show was written for (init, buffer size, open a stream, play it, read its position), and a
// transport (seek, pause). The position of a playing stream is the clock of the whole script.
//
// The contract: stream time + offset = the music time being heard now, where offset is the
// milliseconds last given to setBufferSize (the script's "offset"). Every reader adds the offset,
// so the layer reports the heard time minus it, having taken its device's latency and the audio
// queued but not yet played into account. The heard time is 0 before play and keeps running
// even when nothing can be heard: without an audio device, or when the file cannot be opened, it
// is the time source's time since play, so stream time may be negative (down to -offset) at the
// start. It never goes back, except by a seek.
class Music {
public:
    // Steady milliseconds from any fixed origin. Called from the audio thread as well while a
    // device plays, so it must be safe to call from there.
    using TimeSource = std::function<double()>;

    static double steadyMilliseconds();

    // The platform's music layer. The dummy audio driver calls its device on a sleep timer that
    // drifts, so by default it counts as no device at all; trustDummyDevice plays it anyway
    // (to measure the device-driven clock without a sound card).
    static std::unique_ptr<Music> create(TimeSource timeSource = steadyMilliseconds,
                                         bool trustDummyDevice = false);

    Music() = default;
    Music(const Music&) = delete;
    Music& operator=(const Music&) = delete;
    virtual ~Music();

    // Starts the audio output at mixRate frames per second. False when there is no device to
    // play on; the layer then keeps time silently.
    virtual bool init(int mixRate, int maxSoftwareChannels, unsigned flags) = 0;
    // The offset the readers add to the stream time, and the length of the device's buffer (for a
    // device opened afterwards): a longer buffer plays on through longer hitches, and the stream
    // time allows for it either way.
    virtual bool setBufferSize(int milliseconds) = 0;
    // Always a stream: one whose file cannot be read plays silence. Owned by this object and
    // valid until it is destroyed.
    virtual MusicStream* openStream(const std::string& path, unsigned mode, int offset,
                                    int length) = 0;
    // Starts the stream from its beginning on the channel; a stream already playing on it is
    // replaced.
    virtual bool playStream(int channel, MusicStream* stream) = 0;
    // The music continues from the heard time heardMs (clamped at 0), backwards too: the one
    // jump the clock makes. Before play it only sets where the clock stands; play still starts
    // from the beginning. False when this layer cannot seek.
    virtual bool seekStream(MusicStream* stream, int32_t heardMs);
    // Music and clock stand still while paused, and go on from there. False when this layer
    // cannot pause.
    virtual bool pauseStream(MusicStream* stream, bool paused);
    // The heard time minus the offset, in whole milliseconds: -offset before play, then growing
    // with real time, never going back except by a seek.
    virtual int32_t streamTime(MusicStream* stream) = 0;
    // Milliseconds of decoded music in the stream; 0 when nothing could be decoded (always so
    // without a device, which has no use for the samples).
    virtual int32_t streamLengthMs(const MusicStream* stream) const = 0;
};
