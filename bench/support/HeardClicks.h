#pragma once

#include <sys/types.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Click tracks and what the sound server's monitor heard of them, for the benchmarks that time
// the show against the sound that really comes out.
namespace ZemBench {

constexpr int clickRate = 44100;
constexpr double clickFramesPerMs = clickRate / 1000.0;

// Mono samples lengthSeconds long, silent but for `count` clicks, the first intervalSeconds in
// and then one every intervalSeconds.
std::vector<float> clickTrack(double intervalSeconds, int count, double lengthSeconds);

// Encodes a click track as a mono Ogg Vorbis file the music layer plays.
bool writeClickTrack(const std::vector<float>& samples, const std::string& path);

// Onsets (sample indices) of the clicks in mono 16-bit samples: the first sample loud enough
// after at least quietFrames without one.
std::vector<int64_t> clickOnsets(const std::vector<int16_t>& samples,
                                 int quietFrames = clickRate / 4);

// Where the clicks start in the file as the decoder gives it back, in ms of music time; empty
// when it cannot be read.
std::vector<double> decodedClickTimesMs(const std::string& path, int quietFrames = clickRate / 4);

// The sink's monitor through parec, every read stamped with the steady clock.
class MonitorRecorder {
public:
    MonitorRecorder() = default;
    MonitorRecorder(const MonitorRecorder&) = delete;
    MonitorRecorder& operator=(const MonitorRecorder&) = delete;
    ~MonitorRecorder() { stop(); }

    // Starts parec and waits until sound flows; false, with the reason, when it does not.
    bool start(const std::string& sink, std::string& error);
    void stop();

    // The steady time (ms) at which a recorded frame reached the monitor.
    double frameTimeMs(int64_t frame) const;
    // How much of the monitor's sound the recording lacks, in ms: the server drops what parec
    // does not read in time.
    double missingMs() const;
    // The steady times at which each click's onset was heard.
    std::vector<double> heardClicksMs(int quietFrames = clickRate / 4) const;

    // The left channel: one sample a frame.
    std::vector<int16_t> samples;

private:
    struct Read {
        int64_t endFrame;
        double stampMs;
    };

    bool flowing();
    void readAll();

    pid_t child = -1;
    int fd = -1;
    std::thread reader;
    std::mutex mutex;
    std::vector<Read> reads;
};

} // namespace ZemBench
