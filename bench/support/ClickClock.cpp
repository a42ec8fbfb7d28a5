#include "support/ClickClock.h"

#include "script/Music.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <thread>

namespace ZemBench {

ClickClockRun readClickClock(const std::string& path, int offsetMs, double seconds,
                             const std::vector<double>& clicks, const ClickTransport& transport,
                             const std::function<void()>& atPlay) {
    ClickClockRun run;
    run.reachedMs.assign(clicks.size(), -1.0);
    // Exactly the ScriptMaster's calls.
    auto music = Music::create();
    music->init(44100, 32, 0);
    music->setBufferSize(offsetMs);
    MusicStream* stream = music->openStream(path, 0x2000, 0, 0);
    music->playStream(0, stream);
    run.playMs = Music::steadyMilliseconds();
    if (atPlay) {
        atPlay();
    }

    ClockWatch& watch = run.watch;
    size_t next = 0;
    int32_t last = music->streamTime(stream) + offsetMs;
    double lastStamp = run.playMs;
    double standingSince = run.playMs;
    int lastProgress = -1;
    const double endMs = run.playMs + (seconds + 1.0) * 1000.0;
    bool sought = transport.seekAtS < 0.0;
    bool paused = false;
    bool resumed = transport.pauseAtS < 0.0;
    for (;;) {
        const double since = (Music::steadyMilliseconds() - run.playMs) / 1000.0;
        if (!sought && since >= transport.seekAtS) {
            sought = true;
            music->seekStream(stream, static_cast<int32_t>(transport.seekToS * 1000.0));
            last = music->streamTime(stream) + offsetMs;
            next = static_cast<size_t>(std::lower_bound(clicks.begin(), clicks.end(), last + 0.5) -
                                       clicks.begin());
        }
        if (!paused && !resumed && since >= transport.pauseAtS) {
            paused = music->pauseStream(stream, true);
        } else if (paused && !resumed && since >= transport.pauseAtS + transport.pauseForS) {
            resumed = music->pauseStream(stream, false);
        }
        const int32_t clock = music->streamTime(stream) + offsetMs;
        const double now = Music::steadyMilliseconds();
        if (now >= endMs) {
            break;
        }
        if (paused && !resumed) {
            // Standing is what a pause is for.
            standingSince = now;
        }
        if (clock < last) {
            watch.wentBack = true;
        }
        if (clock > last) {
            watch.largestJumpMs = std::max(watch.largestJumpMs, (clock - last) - (now - lastStamp));
            standingSince = now;
        }
        // At the start the clock rightly stands until the first sound is heard.
        if (next > 0) {
            watch.longestStandMs = std::max(watch.longestStandMs, now - standingSince);
        }
        // A whole-millisecond clock reads c while the true time is in [c, c + 1).
        while (next < clicks.size() && clock + 0.5 >= clicks[next]) {
            run.reachedMs[next] = now - (clock + 0.5 - clicks[next]);
            ++next;
        }
        last = std::max(last, clock);
        lastStamp = now;
        const int second = static_cast<int>((now - run.playMs) / 1000.0);
        if (second % 10 == 0 && second != lastProgress) {
            lastProgress = second;
            std::fprintf(stderr, "\r  %d / %.0f s", second, seconds + 1.0);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    std::fprintf(stderr, "\n");
    // The last click is still on its way to the sink.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    return run;
}

} // namespace ZemBench
