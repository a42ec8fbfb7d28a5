#include "script/PositionClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace {

constexpr int rate = 44100;
constexpr double frameMs = 1000.0 / 60.0;
constexpr double playMs = 1000.0;
// The device's first frame is heard this long after play: an odd phase against the frames.
constexpr double heardFromMs = playMs + 31.7;

// A device whose count of played frames moves every stepMs, standing still between: what is
// heard at t is t - heardFromMs, less any time it ran dry (dryMs from dryAtMs on).
struct SteppingDevice {
    double stepMs;
    double dryAtMs = 1e300;
    double dryMs = 0.0;

    double heardMs(double t) const {
        const double played = std::max(0.0, t - heardFromMs);
        return t < dryAtMs ? played : std::max(dryAtMs - heardFromMs, played - dryMs);
    }
    int64_t count(double t) const {
        const double counted = std::floor(heardMs(t) / stepMs) * stepMs;
        return std::llround(counted * rate / 1000.0);
    }
};

// Reads the clock a frame at a time from play to endMs, the device's count read first;
// check(now, heard, moved) judges each frame from checkFromMs on. Readings never go back.
template <typename Check>
void playFrames(PositionClock& clock, const SteppingDevice& device, double endMs,
                double checkFromMs, Check check) {
    double last = clock.heardMs(playMs);
    for (double now = playMs; now < endMs && !testing::Test::HasFailure(); now += frameMs) {
        clock.countRead(device.count(now), now);
        const double heard = clock.heardMs(now);
        EXPECT_GE(heard, last) << "went back at " << now;
        if (now >= checkFromMs) {
            check(now, heard, heard - last);
        }
        last = heard;
    }
}

// Wave-out counts move in steps of 20 or 40 ms; read every 16.7 ms frame, the clock must still
// move by a frame per frame, close behind what is heard and never ahead of it.
TEST(PositionClockTest, MovesAFramePerFrameWithACountThatMovesInSteps) {
    for (const double stepMs : {20.0, 40.0}) {
        SCOPED_TRACE("steps of " + std::to_string(stepMs) + " ms");
        PositionClock clock(rate);
        clock.start(playMs, 3000.0);
        const SteppingDevice device{stepMs};
        playFrames(clock, device, playMs + 8000.0, playMs + 1500.0,
                   [&](double now, double heard, double moved) {
                       EXPECT_NEAR(moved, frameMs, 0.5) << "at " << now;
                       EXPECT_LE(heard, device.heardMs(now) + 0.01) << "ahead at " << now;
                       EXPECT_GE(heard, device.heardMs(now) - 3.5) << "behind at " << now;
                   });
    }
}

// The device runs dry for 150 ms: its count stands, then moves on 150 ms later than before. The
// clock, which ran on meanwhile, stands until the sound gets there, then goes with it.
TEST(PositionClockTest, FollowsTheSoundOnceADeviceThatRanDryGoesOn) {
    PositionClock clock(rate);
    clock.start(playMs, 3000.0);
    const SteppingDevice device{20.0, 2500.0, 150.0};
    playFrames(clock, device, 4000.0, 3000.0, [&](double now, double heard, double) {
        EXPECT_LE(heard, device.heardMs(now) + 0.01) << "ahead at " << now;
        EXPECT_GE(heard, device.heardMs(now) - 3.5) << "behind at " << now;
    });
}

// The sound server is suspended for two seconds: the clock runs on through it, a frame per frame,
// and once the count moves again the device restarts from where the clock is.
TEST(PositionClockTest, RunsOnThroughAStallAndTheDeviceFollowsIt) {
    PositionClock clock(rate);
    clock.start(playMs, 3000.0);
    const SteppingDevice stalling{20.0, 2000.0, 2000.0};
    double restartedAt = -1.0;
    int64_t handed = 0;
    double last = 0.0;
    for (double now = playMs; now < 6000.0 && !HasFailure(); now += frameMs) {
        if (restartedAt < 0.0) {
            if (clock.countRead(stalling.count(now), now)) {
                restartedAt = now;
                handed = clock.frameToHand(now);
                clock.deviceRestarted(handed, now);
            }
        } else {
            const SteppingDevice restarted{20.0};
            EXPECT_FALSE(clock.countRead(restarted.count(now - restartedAt + playMs), now));
        }
        const double heard = clock.heardMs(now);
        if (now > 3100.0 && now < 4000.0) {
            EXPECT_NEAR(heard - last, frameMs, 0.01) << "stood in the stall at " << now;
        }
        if (restartedAt > 0.0 && now > restartedAt + 500.0) {
            const double truth =
                handed * 1000.0 / rate + std::max(0.0, now - restartedAt - (heardFromMs - playMs));
            EXPECT_NEAR(heard, truth, 3.5) << "at " << now;
        }
        EXPECT_GE(heard, last) << "went back at " << now;
        last = heard;
    }
    EXPECT_GT(restartedAt, 4000.0) << "the device was never told to follow the clock";
}

// A seek restarts the device from the music frame where the clock stands, its count from 0.
TEST(PositionClockTest, ADeviceRestartedAfterASeekCountsFromTheFrameHandedToIt) {
    PositionClock clock(rate);
    clock.start(0.0, 0.0);
    clock.seek(playMs, 10000.0, 500.0);
    clock.deviceRestarted(clock.frameToHand(playMs), playMs);
    EXPECT_EQ(clock.frameToHand(playMs), 10000 * rate / 1000);
    const SteppingDevice device{20.0};
    playFrames(clock, device, 3000.0, 2000.0, [&](double now, double heard, double) {
        EXPECT_NEAR(heard, 10000.0 + device.heardMs(now), 3.5) << "at " << now;
    });
}

} // namespace
