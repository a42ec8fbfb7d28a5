#include "support/HeardClicks.h"

#include "support/OggVorbisWriter.h"

#include <vorbis/vorbisfile.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace ZemBench {

namespace {

// A click: a short tone that starts at full strength, so its onset is one sample sharp.
constexpr double clickMs = 8.0;
constexpr double clickHz = 1000.0;
constexpr double clickLevel = 0.7;
// An onset is the first sample this loud after a quiet stretch.
constexpr int onsetThreshold = 9000;

double steadyMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

std::vector<float> clickTrack(double intervalSeconds, int count, double lengthSeconds) {
    std::vector<float> samples(static_cast<size_t>(lengthSeconds * clickRate), 0.0f);
    const int clickFrames = static_cast<int>(clickMs * clickFramesPerMs);
    for (int k = 1; k <= count; ++k) {
        const auto first = static_cast<size_t>(std::llround(k * intervalSeconds * clickRate));
        for (int n = 0; n < clickFrames && first + static_cast<size_t>(n) < samples.size(); ++n) {
            const double phase = 2.0 * M_PI * clickHz * n / clickRate + M_PI / 2.0;
            samples[first + static_cast<size_t>(n)] =
                static_cast<float>(clickLevel * std::sin(phase));
        }
    }
    return samples;
}

bool writeClickTrack(const std::vector<float>& samples, const std::string& path) {
    ZemTools::OggVorbisSettings settings;
    settings.channels = 1;
    settings.sampleRate = clickRate;
    settings.quality = 0.9f;
    return ZemTools::writeOggVorbis(samples, settings, path);
}

std::vector<int64_t> clickOnsets(const std::vector<int16_t>& samples, int quietFrames) {
    std::vector<int64_t> found;
    int64_t lastLoud = -quietFrames;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(static_cast<int>(samples[i])) >= onsetThreshold) {
            if (static_cast<int64_t>(i) - lastLoud >= quietFrames) {
                found.push_back(static_cast<int64_t>(i));
            }
            lastLoud = static_cast<int64_t>(i);
        }
    }
    return found;
}

std::vector<double> decodedClickTimesMs(const std::string& path, int quietFrames) {
    OggVorbis_File file;
    if (ov_fopen(path.c_str(), &file) != 0) {
        return {};
    }
    std::vector<int16_t> samples;
    char buffer[8192];
    int section = 0;
    long got = 0;
    while ((got = ov_read(&file, buffer, sizeof buffer, 0, 2, 1, &section)) > 0) {
        const auto* read = reinterpret_cast<const int16_t*>(buffer);
        samples.insert(samples.end(), read, read + got / 2);
    }
    ov_clear(&file);
    std::vector<double> times;
    for (const int64_t onset : clickOnsets(samples, quietFrames)) {
        times.push_back(static_cast<double>(onset) / clickFramesPerMs);
    }
    return times;
}

bool MonitorRecorder::start(const std::string& sink, std::string& error) {
    int pipeEnds[2];
    // Programs started later must not hold the pipe open.
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        error = "cannot make a pipe for parec";
        return false;
    }
    child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], 1);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        const std::string device = sink + ".monitor";
        // The sink's own format: no resampler between the sink and the recording.
        execlp("parec", "parec", "--raw", "--format=s16le", "--rate=44100", "--channels=2",
               "--latency-msec=5", "-d", device.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeEnds[1]);
    if (child < 0) {
        close(pipeEnds[0]);
        error = "cannot start parec";
        return false;
    }
    fd = pipeEnds[0];
    reader = std::thread([this] { readAll(); });
    const double waitFrom = steadyMs();
    while (!flowing() && steadyMs() - waitFrom < 5000.0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!flowing()) {
        error = "nothing recorded from " + sink + ".monitor";
        stop();
        return false;
    }
    return true;
}

bool MonitorRecorder::flowing() {
    std::lock_guard<std::mutex> lock(mutex);
    return !samples.empty();
}

void MonitorRecorder::stop() {
    if (child > 0) {
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
        child = -1;
    }
    if (reader.joinable()) {
        reader.join();
    }
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

// Every read gives a bound (its frames existed before it returned); the earliest of the reads
// in the next second wins.
double MonitorRecorder::frameTimeMs(int64_t frame) const {
    auto it = std::upper_bound(reads.begin(), reads.end(), frame,
                               [](int64_t f, const Read& r) { return f < r.endFrame; });
    double best = 1e300;
    for (auto first = it; it != reads.end() && it->stampMs < first->stampMs + 1000.0; ++it) {
        best = std::min(best,
                        it->stampMs - static_cast<double>(it->endFrame - frame) / clickFramesPerMs);
    }
    return best;
}

// Each read bounds when the recording's first frame was made: its stamp less the time its
// frames last. The earliest bound of the first seconds against that of the last seconds: sound
// the server dropped moves the later bounds on by its length; a late read only raises one bound.
double MonitorRecorder::missingMs() const {
    if (reads.empty()) {
        return 0.0;
    }
    constexpr double spanMs = 2000.0;
    double firstBound = 1e300;
    double lastBound = 1e300;
    for (const Read& read : reads) {
        const double bound = read.stampMs - static_cast<double>(read.endFrame) / clickFramesPerMs;
        if (read.stampMs < reads.front().stampMs + spanMs) {
            firstBound = std::min(firstBound, bound);
        }
        if (read.stampMs > reads.back().stampMs - spanMs) {
            lastBound = std::min(lastBound, bound);
        }
    }
    return lastBound - firstBound;
}

std::vector<double> MonitorRecorder::heardClicksMs(int quietFrames) const {
    std::vector<double> heard;
    for (const int64_t onset : clickOnsets(samples, quietFrames)) {
        heard.push_back(frameTimeMs(onset));
    }
    return heard;
}

void MonitorRecorder::readAll() {
    std::vector<char> buffer(65536);
    std::vector<char> carry;
    for (;;) {
        const ssize_t got = read(fd, buffer.data(), buffer.size());
        const double stamp = steadyMs();
        if (got <= 0) {
            return;
        }
        carry.insert(carry.end(), buffer.begin(), buffer.begin() + got);
        // Stereo frames; the left channel is enough.
        const size_t whole = carry.size() / 4;
        std::lock_guard<std::mutex> lock(mutex);
        const size_t old = samples.size();
        samples.resize(old + whole);
        for (size_t i = 0; i < whole; ++i) {
            std::memcpy(&samples[old + i], carry.data() + 4 * i, 2);
        }
        carry.erase(carry.begin(), carry.begin() + static_cast<std::ptrdiff_t>(whole * 4));
        reads.push_back({static_cast<int64_t>(samples.size()), stamp});
    }
}

} // namespace ZemBench
