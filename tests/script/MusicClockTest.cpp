#include "script/MusicClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

namespace {

constexpr int rate = 44100;

// Reads a clock started at startMs every stepMs until endMs; before each reading feed(clock,
// now) hands it what the device took by then. Readings never go back; check(now, heard, last)
// judges each. Stops at the first failure; returns the last reading.
template <typename Feed, typename Check>
double readClock(double startMs, double endMs, double stepMs, Feed feed, Check check) {
    MusicClock clock;
    clock.start(startMs);
    double last = 0.0;
    for (double now = startMs; now < endMs && !testing::Test::HasFailure(); now += stepMs) {
        feed(clock, now);
        const double heard = clock.heardMs(now);
        EXPECT_GE(heard, last) << "went back at " << now;
        check(now, heard, last);
        last = heard;
    }
    return last;
}

// A device that takes block k (of blockFrames) at takenAt(k), pendingFrames in front of it.
template <typename TakenAt> auto blocksTakenAt(int blockFrames, int64_t pending, TakenAt takenAt) {
    return [=, k = 0](MusicClock& clock, double now) mutable {
        for (double at; (at = takenAt(k)) <= now; ++k) {
            clock.deviceTook(static_cast<int64_t>(k) * blockFrames, pending, at, rate);
        }
    };
}

// A simulated device: it plays frame f at heardFrom + f / rate, asks for block k when
// pendingFrames are still in front of it, and its requests come late by up to 8 ms, never
// early. The clock must report what is heard, not what was taken.
TEST(MusicClockTest, ReportsTheHeardTimeBehindTheDevicesQueue) {
    const std::pair<int, int64_t> cases[] = {
        {1024, 0}, {2205, 1102}, {4410, 2425}, {8820, 4410}, {16384, 24576}};
    const double lateness[] = {0.0, 6.0, 3.0, 8.0, 1.0, 5.0, 0.0, 7.0, 2.0};
    const double playMs = 1000.0;
    for (const auto& [block, pending] : cases) {
        SCOPED_TRACE(std::to_string(block) + " frames a block, " + std::to_string(pending) +
                     " pending");
        // Frame 0 is handed at play and heard once the pending frames have played.
        const double heardFrom = playMs + pending * 1000.0 / rate;
        const auto takenAt = [&, block = block, pending = pending](int k) {
            const double due = heardFrom + (int64_t(k) * block - pending) * 1000.0 / rate;
            return std::max(playMs, due) + lateness[k % 9];
        };
        readClock(playMs, playMs + 8000.0, 0.5, blocksTakenAt(block, pending, takenAt),
                  [&](double now, double heard, double last) {
                      const double truth = std::max(0.0, now - heardFrom);
                      EXPECT_LE(heard - last, 0.5 * 1.1 + 1e-9) << "jumped at " << now;
                      EXPECT_LE(heard, truth + 1.0) << "ahead of the sound at " << now;
                      if (now > heardFrom + 300.0) {
                          EXPECT_NEAR(heard, truth, 1.0) << "at " << now;
                      }
                  });
    }
}

// The sound server stops taking blocks for a second: the clock runs on in real time (the show
// neither freezes nor jumps), and once the music is handed from where the clock says, the
// device's reports agree with the clock again.
TEST(MusicClockTest, RunsThroughAStallAndTheMusicCatchesUp) {
    constexpr int block = 4410;
    constexpr int64_t pending = 2205;
    int64_t nextFrame = 0;
    double nextDue = 0.0;
    bool resync = false;
    const auto device = [&](MusicClock& clock, double now) {
        const bool stalled = now >= 2000.0 && now < 3000.0;
        if (!stalled && now >= nextDue) {
            if (std::exchange(resync, false)) {
                nextFrame = clock.frameToHand(now, pending, rate);
                clock.forgetDevice();
            }
            clock.deviceTook(nextFrame, pending, now, rate);
            nextFrame += block;
            nextDue = now + block * 1000.0 / rate;
        }
        resync = resync || stalled;
    };
    const double last =
        readClock(0.0, 5000.0, 1.0, device, [](double now, double heard, double last) {
            EXPECT_NEAR(heard - last, now > 0.0 ? 1.0 : 0.0, now < 100.0 ? 1.0 : 1e-6) << now;
        });
    EXPECT_NEAR(last, 4999.0 - 50.0, 1e-6) << "heard from 50 ms, the pending frames' length";
}

// The device's queue runs dry: block 40 comes 150 ms late where 50 ms were queued, so the music
// after it comes 100 ms later than before. The clock does not wait for its windows to pass: from
// the late block on it stands until the sound gets there, and goes on with it.
TEST(MusicClockTest, FollowsTheSoundAtOnceWhenTheDeviceRanDry) {
    // Block k is due when the k - 1 before it are heard but the pending 50 ms.
    const auto takenAt = [](int k) { return k * 50.0 + (k == 40 ? 150.0 : k > 40 ? 100.0 : 0.0); };
    readClock(0.0, 4000.0, 1.0, blocksTakenAt(2205, 2205, takenAt),
              [](double now, double heard, double) {
                  // The queue ran dry at 2050 ms, while music time 2000 was due: silence until the
                  // late block comes.
                  if (now < 2050.0) {
                      EXPECT_NEAR(heard, std::max(0.0, now - 50.0), 1.0) << now;
                  } else if (now < 2250.0) {
                      EXPECT_LE(heard, 2100.0) << "ran on after the late block, at " << now;
                  } else {
                      EXPECT_NEAR(heard, now - 150.0, 1.0) << now;
                  }
              });
}

void expectHeard(MusicClock& clock, std::initializer_list<std::pair<double, double>> readings) {
    for (const auto& [at, heard] : readings) {
        EXPECT_NEAR(clock.heardMs(at), heard, 1e-9) << "at " << at;
    }
}

// A device that takes its first block 600 ms after play: nothing is heard until its pending
// 50 ms have played, then the clock goes with it.
TEST(MusicClockTest, StandsUntilASlowDeviceIsHeard) {
    MusicClock slow;
    slow.start(0.0, 3000.0);
    expectHeard(slow, {{500.0, 0.0}});
    slow.deviceTook(0, 2205, 600.0, rate);
    expectHeard(slow, {{640.0, 0.0}, {750.0, 100.0}});
}

TEST(MusicClockTest, WithADeviceThatNeverStartsItStandsForTheWaitThenRunsOn) {
    MusicClock dead;
    dead.start(0.0, 3000.0);
    expectHeard(dead, {{2999.0, 0.0}, {3500.0, 500.0}});
}

TEST(MusicClockTest, ASeekWaitsForTheDeviceAsLongAsItIsTold) {
    MusicClock dead;
    dead.start(0.0);
    dead.seek(4000.0, 10000.0, 250.0);
    expectHeard(dead, {{4200.0, 10000.0}, {4300.0, 10050.0}});
}

TEST(MusicClockTest, ReadsZeroBeforeItStarts) {
    MusicClock idle;
    expectHeard(idle, {{500.0, 0.0}});
}

TEST(MusicClockTest, WithoutADeviceItRunsWithTheSteadyClockFromTheStart) {
    MusicClock clock;
    clock.start(1000.0);
    expectHeard(clock, {{1400.0, 400.0}});
}

// Paused at 500 ms of music; the device, paying no heed, reports a block a second on.
class MusicClockPausedTest : public ::testing::Test {
protected:
    void SetUp() override {
        clock.start(1000.0);
        clock.pause(1500.0);
        clock.deviceTook(rate, 0, 1600.0, rate);
    }
    MusicClock clock;
};

TEST_F(MusicClockPausedTest, StandsAndIgnoresTheDevice) {
    expectHeard(clock, {{2500.0, 500.0}});
}

TEST_F(MusicClockPausedTest, ResumedRunsOnFromWhereItStood) {
    clock.resume(3000.0);
    expectHeard(clock, {{3100.0, 600.0}});
}

TEST_F(MusicClockPausedTest, AReadingOutOfOrderNeverGoesBack) {
    clock.resume(3000.0);
    expectHeard(clock, {{3100.0, 600.0}, {3050.0, 600.0}});
}

TEST_F(MusicClockPausedTest, ASeekMovesItBack) {
    clock.resume(3000.0);
    clock.seek(3100.0, 100.0);
    expectHeard(clock, {{3200.0, 200.0}});
}

TEST_F(MusicClockPausedTest, TheFrameToHandIsTheOneHeardOnceThePendingFramesHavePlayed) {
    clock.resume(3000.0);
    clock.seek(3100.0, 100.0);
    EXPECT_EQ(clock.frameToHand(3200.0, 441, rate), 8820 + 441);
}

// A device heard 100 ms ahead is neither jumped to nor chased faster than 10 % over real time.
TEST(MusicClockTest, CatchesUpWithADeviceAheadGradually) {
    MusicClock clock;
    clock.start(0.0);
    expectHeard(clock, {{0.0, 0.0}});
    clock.deviceTook(4410, 0, 0.0, rate);
    const double heard = clock.heardMs(100.0);
    EXPECT_GT(heard, 100.0);
    EXPECT_LE(heard, 110.0 + 1e-9);
}

} // namespace
