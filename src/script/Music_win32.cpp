#include "script/Music_win32.h"

#include "main/report.h"
#include "resource/OggVorbisDecoder.h"
#include "script/PositionClock.h"

#include <windows.h>

// Needs the types of windows.h.
#include <mmsystem.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <thread>
#include <utility>

class MusicStream {
public:
    // Interleaved 16-bit samples at the file's own rate; the wave mapper converts.
    std::vector<int16_t> samples;
    int channels = 2;
    int rate = 44100;
    PositionClock clock;
    // Sought while paused: the device starts again from the clock when the music resumes.
    bool restartOnResume = false;
};

namespace {

// Each block holds at least this much, so a slow machine (or Wine) does not run dry.
constexpr int minimumBlockMs = 40;

} // namespace

// One open wave-out device playing one stream. A feeder thread refills the blocks the device
// has finished with; the main thread asks where playback is, and pauses or restarts it.
class WaveOutput {
public:
    static std::unique_ptr<WaveOutput> open(const MusicStream& stream, int bufferMs);
    ~WaveOutput();

    // Frames the device has played since it last started; -1 when it cannot say.
    int64_t playedFrames() const;
    // Drops what is queued and plays on from music frame `frame`, counting from 0 again.
    void restartAt(int64_t frame);
    void pause();
    void resume();

private:
    static constexpr int blockCount = 4;

    explicit WaveOutput(const MusicStream& stream) : stream(stream) {}
    void feed();
    void queue(WAVEHDR& header, std::vector<int16_t>& block);
    int64_t deviceCount() const;

    const MusicStream& stream;
    HWAVEOUT device = nullptr;
    HANDLE blockDone = nullptr;
    int blockFrames = 0;
    // The blocks and the next frame to hand, shared by the feeder and the main thread.
    std::mutex mutex;
    int64_t nextFrame = 0;
    std::array<WAVEHDR, blockCount> headers{};
    std::array<std::vector<int16_t>, blockCount> blocks;
    // The device's count when it last started: a reset may or may not set it back to 0.
    std::atomic<int64_t> countAtStart{0};
    std::atomic<bool> stopping{false};
    std::thread feeder;
};

std::unique_ptr<WaveOutput> WaveOutput::open(const MusicStream& stream, int bufferMs) {
    std::unique_ptr<WaveOutput> output(new WaveOutput(stream));
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(stream.channels);
    format.nSamplesPerSec = static_cast<DWORD>(stream.rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(stream.channels * 2);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;

    output->blockDone = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (output->blockDone == nullptr) {
        return nullptr;
    }
    const MMRESULT result =
        waveOutOpen(&output->device, WAVE_MAPPER, &format,
                    reinterpret_cast<DWORD_PTR>(output->blockDone), 0, CALLBACK_EVENT);
    if (result != MMSYSERR_NOERROR) {
        output->device = nullptr;
        Zem::Main::report(std::string("Unable to open the audio device (wave output error ") +
                          std::to_string(result) + "): the music is silent, its clock runs on");
        return nullptr;
    }
    const int blockMs = std::max(minimumBlockMs, bufferMs / 2);
    output->blockFrames = std::max(1, stream.rate * blockMs / 1000);
    for (int i = 0; i < blockCount; ++i) {
        output->queue(output->headers[i], output->blocks[i]);
    }
    output->feeder = std::thread(&WaveOutput::feed, output.get());
    return output;
}

WaveOutput::~WaveOutput() {
    stopping = true;
    if (blockDone != nullptr) {
        SetEvent(blockDone);
    }
    if (feeder.joinable()) {
        feeder.join();
    }
    if (device != nullptr) {
        waveOutReset(device);
        for (WAVEHDR& header : headers) {
            if (header.dwFlags & WHDR_PREPARED) {
                waveOutUnprepareHeader(device, &header, sizeof header);
            }
        }
        waveOutClose(device);
    }
    if (blockDone != nullptr) {
        CloseHandle(blockDone);
    }
}

// Fills the block with the next frames (silence past the end: the clock runs on for a longer
// script) and hands it to the device.
void WaveOutput::queue(WAVEHDR& header, std::vector<int16_t>& block) {
    if (header.dwFlags & WHDR_PREPARED) {
        waveOutUnprepareHeader(device, &header, sizeof header);
    }
    const int64_t channels = stream.channels;
    block.assign(static_cast<size_t>(blockFrames * channels), 0);
    const int64_t decoded = static_cast<int64_t>(stream.samples.size()) / channels;
    const int64_t copied = std::clamp<int64_t>(decoded - nextFrame, 0, blockFrames);
    if (copied > 0) {
        std::memcpy(block.data(), stream.samples.data() + nextFrame * channels,
                    static_cast<size_t>(copied * channels) * sizeof(int16_t));
    }
    nextFrame += blockFrames;

    header = WAVEHDR{};
    header.lpData = reinterpret_cast<LPSTR>(block.data());
    header.dwBufferLength = static_cast<DWORD>(block.size() * sizeof(int16_t));
    waveOutPrepareHeader(device, &header, sizeof header);
    waveOutWrite(device, &header, sizeof header);
}

void WaveOutput::feed() {
    while (!stopping) {
        WaitForSingleObject(blockDone, 100);
        std::lock_guard<std::mutex> lock(mutex);
        for (int i = 0; i < blockCount && !stopping; ++i) {
            if (headers[i].dwFlags & WHDR_DONE) {
                queue(headers[i], blocks[i]);
            }
        }
    }
}

int64_t WaveOutput::deviceCount() const {
    MMTIME time{};
    time.wType = TIME_SAMPLES;
    if (waveOutGetPosition(device, &time, sizeof time) != MMSYSERR_NOERROR ||
        time.wType != TIME_SAMPLES) {
        return -1;
    }
    return static_cast<int64_t>(time.u.sample);
}

int64_t WaveOutput::playedFrames() const {
    const int64_t count = deviceCount();
    return count < 0 ? -1 : std::max<int64_t>(0, count - countAtStart);
}

void WaveOutput::restartAt(int64_t frame) {
    std::lock_guard<std::mutex> lock(mutex);
    // Every queued block comes back done; the feeder waits for the lock to hand more.
    waveOutReset(device);
    countAtStart = std::max<int64_t>(0, deviceCount());
    nextFrame = std::max<int64_t>(0, frame);
    for (int i = 0; i < blockCount; ++i) {
        queue(headers[i], blocks[i]);
    }
    // A device paused before the reset plays again.
    waveOutRestart(device);
}

void WaveOutput::pause() {
    std::lock_guard<std::mutex> lock(mutex);
    waveOutPause(device);
}

void WaveOutput::resume() {
    std::lock_guard<std::mutex> lock(mutex);
    waveOutRestart(device);
}

Music_win32::Music_win32(TimeSource timeSource) : timeSource(std::move(timeSource)) {}

Music_win32::~Music_win32() {
    // The device goes before the streams its feeder reads.
    output.reset();
}

bool Music_win32::init(int, int, unsigned) {
    deviceWanted = waveOutGetNumDevs() > 0;
    if (!deviceWanted) {
        Zem::Main::report("No audio output: the music is silent, its clock runs on");
    }
    return deviceWanted;
}

bool Music_win32::setBufferSize(int milliseconds) {
    // Readers add the offset back as given, negative too; the device's blocks cannot be.
    bufferMs = milliseconds;
    return true;
}

MusicStream* Music_win32::openStream(const std::string& path, unsigned, int, int) {
    auto stream = std::make_unique<MusicStream>();
    Zem::Resource::OggVorbisDecoder music(path);
    if (music.status() == Zem::Resource::OggVorbisDecoder::Status::unopened) {
        Zem::Main::report(std::string("Unable to load ") + path +
                          ": the music is silent, its clock runs on");
    } else if (deviceWanted) {
        // Without a device nothing would ever read the samples.
        decode(music, *stream, path);
    }
    streams.push_back(std::move(stream));
    return streams.back().get();
}

void Music_win32::decode(Zem::Resource::OggVorbisDecoder& music, MusicStream& stream,
                         const std::string& path) const {
    using Status = Zem::Resource::OggVorbisDecoder::Status;
    if (music.status() != Status::ready || music.channels() > 2) {
        Zem::Main::report(std::string("Unable to load ") + path +
                          ": no stereo or mono audio in it");
        return;
    }
    stream.channels = music.channels();
    stream.rate = music.rate();
    stream.samples = music.decodeAll();
    if (music.status() == Status::damaged || music.status() == Status::formatChanged) {
        Zem::Main::report("Unable to load " + music.reason());
    }
}

namespace {
// How long a starting device may take to make its first sound before the clock runs anyway.
constexpr double firstSoundWaitMs = 3000.0;
// The same after a seek or a pause, for a device already running.
constexpr double restartWaitMs = 500.0;
} // namespace

WaveOutput* Music_win32::deviceOf(const MusicStream* stream) const {
    return stream == playing ? output.get() : nullptr;
}

bool Music_win32::playStream(int, MusicStream* stream) {
    if (stream == nullptr) {
        return false;
    }
    output.reset();
    playing = stream;
    if (deviceWanted && !stream->samples.empty()) {
        output = WaveOutput::open(*stream, bufferMs);
        deviceWanted = output != nullptr;
    }
    // With a device the clock waits for the first sound, as a slow audio start would otherwise
    // leave it ahead of the music.
    stream->clock.setRate(stream->rate);
    stream->clock.start(timeSource(), output != nullptr ? firstSoundWaitMs : 0.0);
    stream->restartOnResume = false;
    return true;
}

// The device drops what it queued and plays on from where the clock stands.
void Music_win32::restartDevice(MusicStream& stream, double nowMs) {
    const int64_t frame = stream.clock.frameToHand(nowMs);
    output->restartAt(frame);
    stream.clock.deviceRestarted(frame, nowMs);
}

bool Music_win32::seekStream(MusicStream* stream, int32_t heardMs) {
    if (stream == nullptr) {
        return false;
    }
    const double now = timeSource();
    const bool withDevice = deviceOf(stream) != nullptr;
    stream->clock.seek(now, std::max(heardMs, 0), withDevice ? restartWaitMs : 0.0);
    if (withDevice) {
        // Paused, the device waits for the resume: a run of seeks costs one restart.
        if (stream->clock.paused()) {
            stream->restartOnResume = true;
        } else {
            restartDevice(*stream, now);
        }
    }
    return true;
}

bool Music_win32::pauseStream(MusicStream* stream, bool paused) {
    if (stream == nullptr) {
        return false;
    }
    const double now = timeSource();
    WaveOutput* device = deviceOf(stream);
    if (paused && !stream->clock.paused()) {
        stream->clock.pause(now);
        if (device != nullptr) {
            device->pause();
        }
    } else if (!paused && stream->clock.paused()) {
        stream->clock.resume(now, device != nullptr ? restartWaitMs : 0.0);
        if (device != nullptr && std::exchange(stream->restartOnResume, false)) {
            restartDevice(*stream, now);
        } else if (device != nullptr) {
            device->resume();
        }
    }
    return true;
}

int32_t Music_win32::streamTime(MusicStream* stream) {
    if (stream == nullptr) {
        return 0;
    }
    const double now = timeSource();
    if (const WaveOutput* device = deviceOf(stream); device != nullptr) {
        const int64_t played = device->playedFrames();
        // A device that stalled (a suspended sound server) plays on from where the clock is.
        if (played >= 0 && stream->clock.countRead(played, now)) {
            restartDevice(*stream, now);
        }
    }
    // Readers add the buffer length back.
    constexpr double lowest = static_cast<double>(std::numeric_limits<int32_t>::min());
    constexpr double highest = static_cast<double>(std::numeric_limits<int32_t>::max());
    return static_cast<int32_t>(
        std::clamp(std::floor(stream->clock.heardMs(now)) - bufferMs, lowest, highest));
}

int32_t Music_win32::streamLengthMs(const MusicStream* stream) const {
    if (stream == nullptr || stream->rate <= 0 || stream->channels <= 0) {
        return 0;
    }
    const int64_t frames = static_cast<int64_t>(stream->samples.size()) / stream->channels;
    return static_cast<int32_t>(frames * 1000 / stream->rate);
}

std::unique_ptr<Music> Music::create(TimeSource timeSource, bool) {
    return std::make_unique<Music_win32>(std::move(timeSource));
}
