#include "ScriptTestSupport.h"

#include "script/MusicClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

using ScriptTest::musicAt;

namespace {

constexpr int rate = 44100;

// Without a device, or without the file, stream time + offset is the time since play: whole
// milliseconds, never back, on past the end of the music. A seek jumps (back too), a pause
// stands still; before play a seek only sets the clock.
TEST(MusicTest, WithoutADeviceOrFileStreamTimePlusOffsetIsTheTimeSincePlay) {
    // seekTo -1: none; pause -1: leave as it is, 0: resume, 1: pause; heard afterwards.
    const struct {
        double advance;
        int seekTo, pause, heard;
    } steps[] = {
        {0.9, -1, -1, 0},       {0.2, -1, -1, 1},           {1874.0, -1, -1, 1875},
        {-15.0, -1, -1, 1875},  {600015.0, -1, -1, 601875}, {0.0, 40000, -1, 40000},
        {250.0, -1, -1, 40250}, {0.0, 300, -1, 300},        {0.0, -1, 1, 300},
        {5000.0, -1, -1, 300},  {0.0, 9000, -1, 9000},      {700.0, -1, -1, 9000},
        {0.0, -1, 0, 9000},     {10.0, -1, -1, 9010},       {0.0, -20, -1, 0},
        {15.5, -1, -1, 15},
    };
    for (const std::string file : {"data/Ombrel.ogg", "data/no-such-music.ogg"}) {
        for (const int offset : {0, 100, -30}) {
            SCOPED_TRACE(file + " offset " + std::to_string(offset));
            double nowMs = 5000.0;
            auto music = musicAt(&nowMs);
            EXPECT_FALSE(music->init(rate, 32, 0)) << "the dummy driver counts as no device";
            music->setBufferSize(offset);
            MusicStream* stream = nullptr;
            const std::string said =
                ScriptTest::reportedBy([&] { stream = music->openStream(file, 0x2000, 0, 0); });
            EXPECT_EQ(said.find("Unable to load " + file) != std::string::npos,
                      file.find("no-such") != std::string::npos);
            nowMs += 750.0;
            EXPECT_EQ(music->streamTime(stream), -offset) << "nothing heard before play";
            ASSERT_TRUE(music->seekStream(stream, 5000));
            nowMs += 300.0;
            EXPECT_EQ(music->streamTime(stream), 5000 - offset);
            ASSERT_TRUE(music->playStream(0, stream));
            for (const auto& step : steps) {
                nowMs += step.advance;
                EXPECT_TRUE(step.seekTo == -1 || music->seekStream(stream, step.seekTo));
                EXPECT_TRUE(step.pause == -1 || music->pauseStream(stream, step.pause == 1));
                EXPECT_EQ(music->streamTime(stream) + offset, step.heard) << "at " << nowMs;
            }
            EXPECT_FALSE(music->seekStream(nullptr, 0));
            EXPECT_FALSE(music->pauseStream(nullptr, true));
        }
    }
}

TEST(MusicTest, DecodesTheScoreWhenADeviceTakesIt) {
    const double nowMs = 0.0;
    auto music = musicAt(&nowMs, true);
    music->init(rate, 32, 0);
    music->setBufferSize(0); // short blocks: closing the dummy device waits for one or two
    MusicStream* stream = music->openStream("data/Ombrel.ogg", 0x2000, 0, 0);
    EXPECT_NEAR(music->streamLengthMs(stream), 150000, 50) << "75 bars at 120 bpm";
}

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
// 50 ms have played, then the clock goes with it. A device that never starts: the clock stands
// for the wait, then runs on; a seek waits again, as long as it is told. Paused, the clock
// stands and ignores the device.
TEST(MusicClockTest, StandsWhileItWaitsForTheDeviceOrIsPaused) {
    MusicClock slow;
    slow.start(0.0, 3000.0);
    expectHeard(slow, {{500.0, 0.0}});
    slow.deviceTook(0, 2205, 600.0, rate);
    expectHeard(slow, {{640.0, 0.0}, {750.0, 100.0}});

    MusicClock dead;
    dead.start(0.0, 3000.0);
    expectHeard(dead, {{2999.0, 0.0}, {3500.0, 500.0}});
    dead.seek(4000.0, 10000.0, 250.0);
    expectHeard(dead, {{4200.0, 10000.0}, {4300.0, 10050.0}});

    MusicClock paused;
    expectHeard(paused, {{500.0, 0.0}}); // not started
    paused.start(1000.0);
    expectHeard(paused, {{1400.0, 400.0}});
    paused.pause(1500.0);
    paused.deviceTook(rate, 0, 1600.0, rate);
    expectHeard(paused, {{2500.0, 500.0}});
    paused.resume(3000.0);
    expectHeard(paused, {{3100.0, 600.0}, {3050.0, 600.0}}); // the second one out of order
    paused.seek(3100.0, 100.0);
    expectHeard(paused, {{3200.0, 200.0}});
    EXPECT_EQ(paused.frameToHand(3200.0, 441, rate), 8820 + 441);
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
