#include "script/Music_sdl2.h"

#include "main/report.h"
#include "resource/OggVorbisDecoder.h"
#include "script/MusicClock.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

namespace {

constexpr int deviceChannels = 2;
constexpr int bytesPerFrame = deviceChannels * static_cast<int>(sizeof(int16_t));
// Milliseconds between a block PulseAudio asked for and its sound beyond half a buffer: the
// sink's own latency and the server's rounding, measured with AvSyncBench on a null sink.
constexpr int pulseBeyondHalfBufferMs = 15;
// How long the clock waits at 0 for a device to take its first block after play. A sound server
// can take a second or more to start a stream; the show should not run ahead of its music then.
constexpr double startWaitMs = 3000.0;

// The asked length as it is, within what a device plays smoothly and SDL can hold.
int framesForMilliseconds(int milliseconds, int rate) {
    if (milliseconds <= 0) {
        return 1024;
    }
    const int64_t wanted = static_cast<int64_t>(milliseconds) * rate / 1000;
    return static_cast<int>(std::clamp<int64_t>(wanted, 512, 32768));
}

// What a driver still holds, not yet heard, when it asks for the next block of `frames`.
// PulseAudio splits the buffer between its queue and the sink's latency and asks for the next
// block when its queue holds about half of it; the dummy driver plays nothing; other drivers keep
// one whole buffer in front of the one they ask for.
int64_t pendingFramesFor(const char* driver, int frames, int rate) {
    const std::string name = driver != nullptr ? driver : "";
    if (name == "dummy") {
        return 0;
    }
    if (name == "pulseaudio") {
        return frames / 2 + static_cast<int64_t>(rate) * pulseBeyondHalfBufferMs / 1000;
    }
    return frames;
}

// Moves whatever the converter has ready to the end of samples.
void drain(SDL_AudioStream* converter, std::vector<int16_t>& samples) {
    const int ready = SDL_AudioStreamAvailable(converter);
    if (ready <= 0) {
        return;
    }
    const size_t old = samples.size();
    samples.resize(old + static_cast<size_t>(ready) / sizeof(int16_t));
    const int got = SDL_AudioStreamGet(converter, samples.data() + old, ready);
    samples.resize(old + static_cast<size_t>(std::max(got, 0)) / sizeof(int16_t));
}

} // namespace

class MusicStream {
public:
    // Interleaved stereo at the device's rate.
    std::vector<int16_t> samples;
    // The next frame the device takes; the audio thread's, read under the device lock.
    int64_t nextFrame = 0;
    int rate = 44100;
    MusicClock clock;
    // The next block handed to the device starts where the clock will then be heard.
    bool resync = false;
    // When the device last asked for a block; negative before the first.
    double lastTookMs = -1.0;
};

std::unique_ptr<Music> Music::create(TimeSource timeSource, bool trustDummyDevice) {
    return std::make_unique<Music_sdl2>(std::move(timeSource), trustDummyDevice);
}

Music_sdl2::Music_sdl2(TimeSource timeSource, bool trustDummyDevice)
    : timeSource(std::move(timeSource)), trustDummyDevice(trustDummyDevice) {}

Music_sdl2::~Music_sdl2() {
    // Closing the device waits for the audio thread, so the streams outlive every callback.
    if (device != 0) {
        SDL_CloseAudioDevice(device);
    }
    if (audioSubsystem) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

bool Music_sdl2::init(int rate, int, unsigned) {
    if (audioSubsystem) {
        return deviceWanted;
    }
    mixRate = rate > 0 ? rate : 44100;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        Zem::Main::report(std::string("No audio output (") + SDL_GetError() +
                          "): the music is silent, its clock runs on");
        return false;
    }
    audioSubsystem = true;
    const char* driver = SDL_GetCurrentAudioDriver();
    deviceWanted = trustDummyDevice || driver == nullptr || std::strcmp(driver, "dummy") != 0;
    return deviceWanted;
}

bool Music_sdl2::setBufferSize(int milliseconds) {
    offsetMs = milliseconds;
    bufferFrames = framesForMilliseconds(milliseconds, mixRate);
    return true;
}

bool Music_sdl2::openDevice() {
    SDL_AudioSpec wanted;
    SDL_zero(wanted);
    wanted.freq = mixRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = deviceChannels;
    wanted.samples = static_cast<Uint16>(bufferFrames);
    wanted.callback = &Music_sdl2::audioCallback;
    wanted.userdata = this;
    SDL_AudioSpec obtained;
    // No changes allowed: SDL converts for a device that differs, so the samples stay ours.
    device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device == 0) {
        Zem::Main::report(std::string("Unable to open the audio device (") + SDL_GetError() +
                          "): the music is silent, its clock runs on");
        deviceWanted = false;
        return false;
    }
    pendingFrames = pendingFramesFor(SDL_GetCurrentAudioDriver(), obtained.samples, obtained.freq);
    const double bufferMs = obtained.samples * 1000.0 / obtained.freq;
    stallMs = std::max(250.0, 2.0 * bufferMs + 100.0);
    return true;
}

template <typename Action> auto Music_sdl2::withClock(MusicStream& stream, Action&& action) {
    if (device == 0) {
        return action(stream.clock);
    }
    SDL_LockAudioDevice(device);
    auto result = action(stream.clock);
    SDL_UnlockAudioDevice(device);
    return result;
}

MusicStream* Music_sdl2::openStream(const std::string& path, unsigned, int, int) {
    auto stream = std::make_unique<MusicStream>();
    stream->rate = mixRate;
    if (deviceWanted && device == 0) {
        openDevice();
    }
    Zem::Resource::OggVorbisDecoder music(path);
    if (music.status() == Zem::Resource::OggVorbisDecoder::Status::unopened) {
        Zem::Main::report(std::string("Unable to load ") + path +
                          ": the music is silent, its clock runs on");
    } else if (device != 0) {
        // Without a device nothing would ever read the samples.
        decode(music, *stream, path);
    }
    streams.push_back(std::move(stream));
    return streams.back().get();
}

void Music_sdl2::decode(Zem::Resource::OggVorbisDecoder& music, MusicStream& stream,
                        const std::string& path) const {
    using Status = Zem::Resource::OggVorbisDecoder::Status;
    if (music.status() != Status::ready) {
        Zem::Main::report(std::string("Unable to load ") + path + ": no audio in it");
        return;
    }
    const std::unique_ptr<SDL_AudioStream, void (*)(SDL_AudioStream*)> converter(
        SDL_NewAudioStream(AUDIO_S16SYS, static_cast<Uint8>(music.channels()), music.rate(),
                           AUDIO_S16SYS, deviceChannels, stream.rate),
        &SDL_FreeAudioStream);
    if (converter == nullptr) {
        Zem::Main::report(std::string("Unable to load ") + path + ": " + SDL_GetError());
        return;
    }
    if (music.totalFrames() > 0) {
        stream.samples.reserve(
            static_cast<size_t>(music.totalFrames() * stream.rate / music.rate() + 4096) *
            deviceChannels);
    }
    music.decode([&](const int16_t* block, size_t count) {
        SDL_AudioStreamPut(converter.get(), block, static_cast<int>(count * sizeof(int16_t)));
        drain(converter.get(), stream.samples);
    });
    if (music.status() == Status::damaged) {
        // Frames at the device's rate, as the stream holds them.
        Zem::Main::report(std::string("Unable to load ") + path + ": damaged after " +
                          std::to_string(stream.samples.size() / deviceChannels) + " frames");
    } else if (music.status() == Status::formatChanged) {
        Zem::Main::report("Unable to load " + music.reason());
    }
    SDL_AudioStreamFlush(converter.get());
    drain(converter.get(), stream.samples);
}

bool Music_sdl2::playStream(int, MusicStream* stream) {
    if (stream == nullptr) {
        return false;
    }
    if (device == 0) {
        stream->clock.start(timeSource());
        return true;
    }
    SDL_LockAudioDevice(device);
    playing = stream;
    stream->nextFrame = 0;
    stream->resync = false;
    stream->lastTookMs = -1.0;
    stream->clock.start(timeSource(), startWaitMs);
    SDL_UnlockAudioDevice(device);
    SDL_PauseAudioDevice(device, 0);
    return true;
}

bool Music_sdl2::seekStream(MusicStream* stream, int32_t heardMs) {
    if (stream == nullptr) {
        return false;
    }
    return withClock(*stream, [&](MusicClock& clock) {
        clock.seek(timeSource(), std::max(heardMs, 0), device != 0 ? stallMs : 0.0);
        stream->resync = true;
        return true;
    });
}

bool Music_sdl2::pauseStream(MusicStream* stream, bool paused) {
    if (stream == nullptr) {
        return false;
    }
    return withClock(*stream, [&](MusicClock& clock) {
        if (paused) {
            clock.pause(timeSource());
        } else if (clock.paused()) {
            clock.resume(timeSource(), device != 0 ? stallMs : 0.0);
            stream->resync = true;
        }
        return true;
    });
}

int32_t Music_sdl2::streamTime(MusicStream* stream) {
    if (stream == nullptr) {
        return 0;
    }
    const double heard =
        withClock(*stream, [this](MusicClock& clock) { return clock.heardMs(timeSource()); });
    constexpr double lowest = static_cast<double>(std::numeric_limits<int32_t>::min());
    constexpr double highest = static_cast<double>(std::numeric_limits<int32_t>::max());
    return static_cast<int32_t>(std::clamp(std::floor(heard) - offsetMs, lowest, highest));
}

int32_t Music_sdl2::streamLengthMs(const MusicStream* stream) const {
    if (stream == nullptr || stream->rate <= 0) {
        return 0;
    }
    const int64_t frames = static_cast<int64_t>(stream->samples.size()) / deviceChannels;
    return static_cast<int32_t>(frames * 1000 / stream->rate);
}

void Music_sdl2::audioCallback(void* self, uint8_t* out, int bytes) {
    static_cast<Music_sdl2*>(self)->fill(out, bytes);
}

// Runs on the audio thread with the device locked: copies and stamps, nothing that can block.
void Music_sdl2::fill(uint8_t* out, int bytes) {
    MusicStream* stream = playing;
    const double stamp = timeSource();
    if (stream == nullptr || stream->clock.paused()) {
        std::memset(out, 0, static_cast<size_t>(bytes));
        if (stream != nullptr) {
            stream->lastTookMs = stamp;
        }
        return;
    }
    // After a seek, a pause or a stall the clock has gone its own way: the music follows it.
    const bool stalled = stream->lastTookMs >= 0.0 && stamp - stream->lastTookMs > stallMs;
    if (stream->resync || stalled) {
        stream->nextFrame = stream->clock.frameToHand(stamp, pendingFrames, stream->rate);
        stream->clock.forgetDevice();
        stream->resync = false;
    }
    stream->lastTookMs = stamp;
    const int64_t frames = bytes / bytesPerFrame;
    const int64_t decoded = static_cast<int64_t>(stream->samples.size()) / deviceChannels;
    const int64_t copied = std::clamp<int64_t>(decoded - stream->nextFrame, 0, frames);
    if (copied > 0) {
        std::memcpy(out, stream->samples.data() + stream->nextFrame * deviceChannels,
                    static_cast<size_t>(copied * bytesPerFrame));
    }
    // Past the end the music is silence, and its time keeps running for a longer script.
    std::memset(out + copied * bytesPerFrame, 0,
                static_cast<size_t>(bytes - copied * bytesPerFrame));
    stream->clock.deviceTook(stream->nextFrame, pendingFrames, stamp, stream->rate);
    stream->nextFrame += frames;
}
