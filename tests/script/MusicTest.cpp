#include "script/Music.h"
#include "script/MusicClock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>

namespace {

// Headless runs have no sound card; the dummy driver stands in for one.
std::unique_ptr<Music> openMusic(const double& nowMs, bool trustDummyDevice = false) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    return Music::create([&nowMs] { return nowMs; }, trustDummyDevice);
}

TEST(MusicTest, WithoutADeviceOrFileStreamTimePlusOffsetIsTheTimeSincePlay) {
    for (const char* file : {"data/Ombrel.ogg", "data/no-such-music.ogg"}) {
        for (const int offset : {0, 100, -30}) {
            SCOPED_TRACE(std::string(file) + " offset " + std::to_string(offset));
            double nowMs = 5000.0;
            auto music = openMusic(nowMs);
            EXPECT_FALSE(music->init(44100, 32, 0)) << "the dummy driver counts as no device";
            music->setBufferSize(offset);
            testing::internal::CaptureStdout();
            MusicStream* stream = music->openStream(file, 0x2000, 0, 0);
            const std::string said = testing::internal::GetCapturedStdout();
            const bool missing = std::string(file).find("no-such") != std::string::npos;
            EXPECT_EQ(said.find(std::string("Unable to load ") + file) != std::string::npos,
                      missing);
            nowMs += 750.0;
            EXPECT_EQ(music->streamTime(stream), -offset) << "nothing heard before play";
            ASSERT_TRUE(music->playStream(0, stream));
            // Heard time after each advance: millisecond resolution, never back, on past the
            // end of the music.
            const std::pair<double, int> steps[] = {
                {0.9, 0}, {0.2, 1}, {1874.0, 1875}, {-15.0, 1875}, {600015.0, 601875}};
            for (const auto& [advance, heard] : steps) {
                nowMs += advance;
                EXPECT_EQ(music->streamTime(stream) + offset, heard) << nowMs;
            }
        }
    }
}

// The transport without a device: a seek jumps (back too), a pause stands still.
TEST(MusicTest, SeekJumpsAndPauseStandsStill) {
    double nowMs = 0.0;
    auto music = openMusic(nowMs);
    music->init(44100, 32, 0);
    music->setBufferSize(100);
    MusicStream* stream = music->openStream("data/no-such-music.ogg", 0x2000, 0, 0);
    ASSERT_TRUE(music->seekStream(stream, 5000));
    nowMs = 300.0;
    EXPECT_EQ(music->streamTime(stream), 4900) << "before play a seek only sets the clock";
    music->playStream(0, stream);
    struct Step {
        double advance;
        int seekTo; // -1: none
        int pause;  // -1: leave, 0: resume, 1: pause
        int heard;  // afterwards
    };
    const Step steps[] = {
        {1000.0, -1, -1, 1000}, {0.0, 40000, -1, 40000}, {250.0, -1, -1, 40250},
        {0.0, 300, -1, 300},    {0.0, -1, 1, 300},       {5000.0, -1, -1, 300},
        {0.0, 9000, -1, 9000},  {700.0, -1, -1, 9000},   {0.0, -1, 0, 9000},
        {10.0, -1, -1, 9010},   {0.0, -20, -1, 0},       {15.5, -1, -1, 15},
    };
    for (const Step& step : steps) {
        nowMs += step.advance;
        if (step.seekTo != -1) {
            EXPECT_TRUE(music->seekStream(stream, step.seekTo));
        }
        if (step.pause != -1) {
            EXPECT_TRUE(music->pauseStream(stream, step.pause == 1));
        }
        EXPECT_EQ(music->streamTime(stream) + 100, step.heard) << "at " << nowMs;
    }
    EXPECT_FALSE(music->seekStream(nullptr, 0));
    EXPECT_FALSE(music->pauseStream(nullptr, true));
}

TEST(MusicTest, DecodesTheScoreWhenADeviceTakesIt) {
    const double nowMs = 0.0;
    auto music = openMusic(nowMs, true);
    music->init(44100, 32, 0);
    music->setBufferSize(0); // short blocks: closing the dummy device waits for one or two
    MusicStream* stream = music->openStream("data/Ombrel.ogg", 0x2000, 0, 0);
    EXPECT_NEAR(music->streamLengthMs(stream), 150000, 50) << "75 bars at 120 bpm";
}

// A simulated device: it plays frame f at heardFrom + f / rate, asks for block k (of
// blockFrames) when pendingFrames are still in front of it, and its requests come late by up
// to 8 ms, never early. The clock must report what is heard, not what was taken.
TEST(MusicClockTest, ReportsTheHeardTimeBehindTheDevicesQueue) {
    struct Case {
        int blockFrames;
        int64_t pendingFrames;
    };
    const Case cases[] = {{1024, 0}, {2205, 1102}, {4410, 2425}, {8820, 4410}, {16384, 24576}};
    const double lateness[] = {0.0, 6.0, 3.0, 8.0, 1.0, 5.0, 0.0, 7.0, 2.0};
    constexpr int rate = 44100;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.blockFrames) + " frames a block, " +
                     std::to_string(c.pendingFrames) + " pending");
        const double playMs = 1000.0;
        // Frame 0 is handed at play and heard once the pending frames have played.
        const double heardFrom = playMs + c.pendingFrames * 1000.0 / rate;
        MusicClock clock;
        clock.start(playMs);
        double last = 0.0;
        int k = 0;
        for (double now = playMs; now < playMs + 8000.0; now += 0.5) {
            for (;;) {
                const int64_t first = static_cast<int64_t>(k) * c.blockFrames;
                const double due = heardFrom + (first - c.pendingFrames) * 1000.0 / rate;
                const double stamp = std::max(playMs, due) + lateness[k % 9];
                if (stamp > now) {
                    break;
                }
                clock.deviceTook(first, c.pendingFrames, stamp, rate);
                ++k;
            }
            const double heard = clock.heardMs(now);
            const double truth = std::max(0.0, now - heardFrom);
            ASSERT_GE(heard, last) << "went back at " << now;
            ASSERT_LE(heard - last, 0.5 * 1.1 + 1e-9) << "jumped at " << now;
            ASSERT_LE(heard, truth + 1.0) << "ahead of the sound at " << now;
            if (now > heardFrom + 300.0) {
                ASSERT_NEAR(heard, truth, 1.0) << "at " << now;
            }
            last = heard;
        }
    }
}

// The sound server stops taking blocks for a second: the clock runs on in real time (the show
// neither freezes nor jumps), and once the music is handed from where the clock says, the
// device's reports agree with the clock again.
TEST(MusicClockTest, RunsThroughAStallAndTheMusicCatchesUp) {
    constexpr int rate = 44100;
    constexpr int block = 4410;
    constexpr int64_t pending = 2205;
    MusicClock clock;
    clock.start(0.0);
    int64_t nextFrame = 0;
    double nextDue = 0.0;
    double last = 0.0;
    bool resync = false;
    for (double now = 0.0; now < 5000.0; now += 1.0) {
        const bool stalled = now >= 2000.0 && now < 3000.0;
        if (!stalled && now >= nextDue) {
            if (resync) {
                nextFrame = clock.frameToHand(now, pending, rate);
                clock.forgetDevice();
                resync = false;
            }
            clock.deviceTook(nextFrame, pending, now, rate);
            nextFrame += block;
            nextDue = now + block * 1000.0 / rate;
        }
        if (stalled) {
            resync = true;
        }
        const double heard = clock.heardMs(now);
        ASSERT_NEAR(heard - last, now > 0.0 ? 1.0 : 0.0, now < 100.0 ? 1.0 : 1e-6) << now;
        last = heard;
    }
    EXPECT_NEAR(last, 4999.0 - 50.0, 1e-6) << "heard from 50 ms, the pending frames' length";
}

// The device's queue runs dry: a block comes 150 ms late where 50 ms were queued, so the music
// after it comes 100 ms later than before. The clock does not wait for its windows to pass: from
// the late block on it stands until the sound gets there, and goes on with it.
TEST(MusicClockTest, FollowsTheSoundAtOnceWhenTheDeviceRanDry) {
    constexpr int rate = 44100;
    constexpr int block = 2205;
    constexpr int64_t pending = 2205;
    MusicClock clock;
    clock.start(0.0);
    double shift = 0.0;
    double last = 0.0;
    int k = 0;
    for (double now = 0.0; now < 4000.0; now += 1.0) {
        for (;;) {
            // Block k is due when the k - 1 before it are heard but the pending 50 ms.
            const double due = shift + k * 50.0;
            const bool late = k == 40;
            if (due + (late ? 150.0 : 0.0) > now) {
                break;
            }
            if (late) {
                shift += 100.0;
            }
            clock.deviceTook(static_cast<int64_t>(k) * block, pending, now, rate);
            ++k;
        }
        // The queue ran dry at 2050 ms, while music time 2000 was due: silence until the late
        // block comes.
        const double heard = clock.heardMs(now);
        const double truth = now < 2050.0   ? std::max(0.0, now - 50.0)
                             : now < 2150.0 ? 2000.0
                                            : now - 150.0;
        ASSERT_GE(heard, last) << now;
        if (now < 2050.0 || now >= 2250.0) {
            ASSERT_NEAR(heard, truth, 1.0) << now;
        } else {
            ASSERT_LE(heard, 2100.0) << "ran on after the late block, at " << now;
        }
        last = heard;
    }
}

TEST(MusicClockTest, WaitsForTheDeviceToStartButNotForever) {
    // A device that takes its first block 600 ms after play: nothing is heard until its pending
    // 50 ms have played, then the clock goes with it.
    MusicClock slow;
    slow.start(0.0, 3000.0);
    EXPECT_EQ(slow.heardMs(500.0), 0.0);
    slow.deviceTook(0, 2205, 600.0, 44100);
    EXPECT_EQ(slow.heardMs(640.0), 0.0);
    EXPECT_NEAR(slow.heardMs(750.0), 100.0, 1e-9);
    // A device that never starts: the clock stands for the wait, then runs on.
    MusicClock dead;
    dead.start(0.0, 3000.0);
    EXPECT_EQ(dead.heardMs(2999.0), 0.0);
    EXPECT_EQ(dead.heardMs(3500.0), 500.0);
    // A seek waits again, as long as it is told.
    dead.seek(4000.0, 10000.0, 250.0);
    EXPECT_EQ(dead.heardMs(4200.0), 10000.0);
    EXPECT_EQ(dead.heardMs(4300.0), 10050.0);
}

TEST(MusicClockTest, PausedItStandsAndIgnoresTheDevice) {
    MusicClock clock;
    EXPECT_EQ(clock.heardMs(500.0), 0.0) << "not started";
    clock.start(1000.0);
    EXPECT_EQ(clock.heardMs(1400.0), 400.0);
    clock.pause(1500.0);
    clock.deviceTook(44100, 0, 1600.0, 44100);
    EXPECT_EQ(clock.heardMs(2500.0), 500.0);
    clock.resume(3000.0);
    EXPECT_EQ(clock.heardMs(3100.0), 600.0);
    EXPECT_EQ(clock.heardMs(3050.0), 600.0) << "a reading out of order";
    clock.seek(3100.0, 100.0);
    EXPECT_EQ(clock.heardMs(3200.0), 200.0);
    EXPECT_EQ(clock.frameToHand(3200.0, 441, 44100), 8820 + 441);
}

// A device heard 100 ms ahead is neither jumped to nor chased faster than 10 % over real time.
TEST(MusicClockTest, CatchesUpWithADeviceAheadGradually) {
    MusicClock clock;
    clock.start(0.0);
    EXPECT_EQ(clock.heardMs(0.0), 0.0);
    clock.deviceTook(4410, 0, 0.0, 44100);
    const double heard = clock.heardMs(100.0);
    EXPECT_GT(heard, 100.0);
    EXPECT_LE(heard, 110.0 + 1e-9);
}

} // namespace
