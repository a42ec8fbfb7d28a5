// Samples the music clock against the steady clock for a few seconds under the dummy audio
// driver: its drift, its smallest and largest step, and whether it ever went back. Run from the
// repository root (it opens data/Ombrel.ogg). Two runs: the dummy driver as the layer treats it
// (no device: a silent clock), then the dummy device trusted, which drives the clock from the
// device's blocks the way a sound card would.

#include "script/Music.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

struct Mean {
    void add(double x) {
        sum += x;
        ++count;
    }
    double value() const { return count > 0 ? sum / count : 0.0; }
    double sum = 0.0;
    long count = 0;
};

struct Figures {
    long samples = 0;
    double finalDriftMs = 0.0;
    // Mean drifts over half a second just after the start and at the end: readings are whole
    // milliseconds, so single ones would show the truncation rather than the rate.
    double earlyDriftMs = 0.0;
    double lateDriftMs = 0.0;
    double mostAheadMs = 0.0;
    double mostBehindMs = 0.0;
    int32_t smallestStep = 0;
    int32_t largestStep = 0;
    // The largest step beyond the steady time between two readings: a jump of the clock
    // itself rather than a pause of the thread reading it.
    double largestJumpMs = 0.0;
    bool wentBack = false;
};

Figures measure(bool trustDummyDevice, int bufferMs, double seconds) {
    auto music = Music::create(Music::steadyMilliseconds, trustDummyDevice);
    music->init(44100, 32, 0);
    music->setBufferSize(bufferMs);
    MusicStream* stream = music->openStream("data/Ombrel.ogg", 0x2000, 0, 0);
    music->playStream(0, stream);
    const double start = Music::steadyMilliseconds();

    Figures figures;
    int32_t last = 0;
    double lastElapsed = 0.0;
    Mean early;
    Mean late;
    figures.smallestStep = 1 << 30;
    for (;;) {
        const int32_t position = music->streamTime(stream) + bufferMs;
        const double elapsed = Music::steadyMilliseconds() - start;
        ++figures.samples;
        if (position < last) {
            figures.wentBack = true;
        } else if (position > last) {
            figures.smallestStep = std::min(figures.smallestStep, position - last);
            figures.largestStep = std::max(figures.largestStep, position - last);
            figures.largestJumpMs =
                std::max(figures.largestJumpMs, (position - last) - (elapsed - lastElapsed));
        }
        last = position;
        lastElapsed = elapsed;
        const double drift = position - elapsed;
        figures.mostAheadMs = std::max(figures.mostAheadMs, drift);
        figures.mostBehindMs = std::min(figures.mostBehindMs, drift);
        figures.finalDriftMs = drift;
        if (elapsed >= 500.0 && elapsed < 1000.0) {
            early.add(drift);
        } else if (elapsed >= seconds * 1000.0 - 500.0) {
            late.add(drift);
        }
        if (elapsed >= seconds * 1000.0) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    figures.earlyDriftMs = early.value();
    figures.lateDriftMs = late.value();
    return figures;
}

void report(const char* what, const Figures& f, double seconds) {
    std::printf("%s\n", what);
    std::printf("  samples %ld over %.1f s\n", f.samples, seconds);
    std::printf("  drift at the end %+.2f ms; most ahead %+.2f ms, most behind %+.2f ms\n",
                f.finalDriftMs, f.mostAheadMs, f.mostBehindMs);
    // The two windows are centred 0.75 s and (seconds - 0.25) s in.
    std::printf("  mean drift %+.2f ms at 0.75 s, %+.2f ms at the end: %+.0f ppm after the start\n",
                f.earlyDriftMs, f.lateDriftMs,
                (f.lateDriftMs - f.earlyDriftMs) / ((seconds - 1.0) * 1000.0) * 1e6);
    std::printf("  smallest non-zero step %d ms; largest step %d ms, of which %.2f ms beyond the "
                "steady time between readings; went back: %s\n",
                f.smallestStep, f.largestStep, f.largestJumpMs, f.wentBack ? "YES" : "no");
}

} // namespace

int main(int argc, char** argv) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    report("dummy driver, as the music layer treats it (no device: silent clock)",
           measure(false, 100, seconds), seconds);
    report("dummy device trusted, 1024-frame blocks (clock steered by the device)",
           measure(true, 0, seconds), seconds);
    report("dummy device trusted, 4410-frame blocks (\"offset\" 100 ms)",
           measure(true, 100, seconds), seconds);
    return 0;
}
