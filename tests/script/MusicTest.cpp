#include "script/Music.h"
#include "script/MusicClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace {

// Headless runs have no sound card; the dummy driver stands in for one.
class MusicTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("SDL_AUDIODRIVER", "dummy", 1); }

    std::unique_ptr<Music> openMusic(bool trustDummyDevice = false) {
        auto music = Music::create([this] { return nowMs; }, trustDummyDevice);
        music->init(44100, 32, 0);
        music->setBufferSize(100);
        return music;
    }

    double nowMs = 5000.0;
};

TEST_F(MusicTest, DummyDriverCountsAsNoDevice) {
    auto music = Music::create([this] { return nowMs; });
    EXPECT_FALSE(music->init(44100, 32, 0));
}

TEST_F(MusicTest, PositionIsZeroUntilPlayThenFollowsTheClock) {
    auto music = openMusic();
    MusicStream* stream = music->openStream("data/Ombrel.ogg", 0x2000, 0, 0);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(music->streamTime(stream), 0);
    nowMs += 750.0;
    EXPECT_EQ(music->streamTime(stream), 0);

    ASSERT_TRUE(music->playStream(0, stream));
    EXPECT_EQ(music->streamTime(stream), 0);
    nowMs += 0.9;
    EXPECT_EQ(music->streamTime(stream), 0);
    nowMs += 0.2;
    EXPECT_EQ(music->streamTime(stream), 1);
    nowMs += 1874.0;
    EXPECT_EQ(music->streamTime(stream), 1875);
    // Well past the end of the music the clock still runs, for a script longer than the song.
    nowMs += 600000.0;
    EXPECT_EQ(music->streamTime(stream), 601875);
}

TEST_F(MusicTest, SilentClockNeverRunsBackwards) {
    auto music = openMusic();
    MusicStream* stream = music->openStream("data/Ombrel.ogg", 0x2000, 0, 0);
    music->playStream(0, stream);
    nowMs += 40.0;
    ASSERT_EQ(music->streamTime(stream), 40);
    nowMs -= 15.0;
    EXPECT_EQ(music->streamTime(stream), 40);
    nowMs += 16.0;
    EXPECT_EQ(music->streamTime(stream), 41);
}

TEST_F(MusicTest, UnreadableFileGivesASilentStreamThatKeepsTime) {
    auto music = openMusic();
    testing::internal::CaptureStdout();
    MusicStream* stream = music->openStream("data/no-such-music.ogg", 0x2000, 0, 0);
    const std::string said = testing::internal::GetCapturedStdout();
    ASSERT_NE(stream, nullptr);
    EXPECT_NE(said.find("Unable to load data/no-such-music.ogg"), std::string::npos) << said;
    EXPECT_EQ(music->streamLengthMs(stream), 0);
    music->playStream(0, stream);
    nowMs += 1234.0;
    EXPECT_EQ(music->streamTime(stream), 1234);
}

TEST_F(MusicTest, NullStreamReadsZero) {
    auto music = openMusic();
    EXPECT_EQ(music->streamTime(nullptr), 0);
    EXPECT_FALSE(music->playStream(0, nullptr));
}

TEST_F(MusicTest, DecodesTheScoreWhenADeviceTakesIt) {
    auto music = openMusic(true);
    // Short blocks: closing the dummy device waits for a block or two.
    music->setBufferSize(0);
    MusicStream* stream = music->openStream("data/Ombrel.ogg", 0x2000, 0, 0);
    // The generated score: 30 bars at 120 bpm.
    EXPECT_NEAR(music->streamLengthMs(stream), 60000, 50);
}

// The device-driven clock, with the device's blocks fed by hand: 1024 frames at 44100 Hz are
// 23.22 ms.
class MusicClockTest : public ::testing::Test {
protected:
    static constexpr double blockMs = 1024 * 1000.0 / 44100.0;

    void block(double stampMs) {
        clock.anchor(nextFrame, nextFrame + 1024, stampMs, 44100);
        nextFrame += 1024;
    }

    // Reads the clock every stepMs up to untilMs, checking it never goes back and never jumps
    // by more than maxStep; returns the last reading.
    int32_t sample(double& nowMs, double untilMs, double stepMs, int32_t maxStep) {
        for (; nowMs < untilMs; nowMs += stepMs) {
            const int32_t position = clock.positionMs(nowMs);
            EXPECT_GE(position, last) << "went back at " << nowMs;
            EXPECT_LE(position - last, maxStep) << "jumped at " << nowMs;
            if (position > last) {
                smallestStep = std::min(smallestStep, position - last);
            }
            last = position;
        }
        return last;
    }

    MusicClock clock;
    int64_t nextFrame = 0;
    int32_t last = 0;
    int32_t smallestStep = 1000000;
};

TEST_F(MusicClockTest, ZeroBeforeStartEvenWhenBlocksArrive) {
    block(10.0);
    EXPECT_EQ(clock.positionMs(20.0), 0);
    EXPECT_FALSE(clock.started());
}

TEST_F(MusicClockTest, RegularBlocksGiveExactlyTheSteadyTime) {
    clock.start(100.0);
    block(100.0);
    EXPECT_EQ(clock.positionMs(100.0), 0);
    EXPECT_EQ(clock.positionMs(101.0), 1);
    EXPECT_EQ(clock.positionMs(112.5), 12);
    EXPECT_EQ(clock.positionMs(123.0), 23);
    block(100.0 + blockMs);
    EXPECT_EQ(clock.positionMs(124.22), 24);
    EXPECT_EQ(clock.positionMs(130.22), 30);
}

TEST_F(MusicClockTest, JitteryBlocksNeverMakeItJumpOrGoBack) {
    clock.start(0.0);
    double now = 0.0;
    // Blocks up to 8 ms early or late; the bare block times would jump by up to 11 ms.
    const double jitter[] = {0.0, 6.0, -5.0, 3.0, -7.0, 8.0, -2.0, 0.0};
    for (int k = 0; k < 400; ++k) {
        const double due = k * blockMs + jitter[k % 8];
        sample(now, due, 0.25, 1);
        block(due);
    }
    EXPECT_EQ(smallestStep, 1);
    // Still with the music after nine seconds.
    EXPECT_NEAR(last, 399 * blockMs, 8.0);
}

TEST_F(MusicClockTest, BurstyDeviceDoesNotStepByBlocks) {
    clock.start(0.0);
    double now = 0.0;
    // The device takes two blocks at once every other period.
    for (int k = 0; k < 400; k += 2) {
        const double due = k * blockMs;
        sample(now, due, 1.0, 2);
        block(due);
        block(due + 0.1);
    }
    EXPECT_NEAR(last, 398 * blockMs, 2.0 * blockMs);
}

TEST_F(MusicClockTest, StalledDeviceSlowsItToAStopThenItFollowsAgain) {
    clock.start(0.0);
    block(0.0);
    double now = 0.0;
    // The device gives nothing more for two seconds: the clock runs on a little, then waits.
    const int32_t stalled = sample(now, 2000.0, 1.0, 1);
    EXPECT_GT(stalled, 100);
    EXPECT_LT(stalled, 23 + 200);
    // It resumes: the clock waits for the music to catch up and then stays with it.
    for (int k = 1; k < 200; ++k) {
        const double due = 2000.0 + k * blockMs;
        sample(now, due, 1.0, 1);
        block(due);
    }
    EXPECT_NEAR(last, 199 * blockMs, 5.0);
}

TEST_F(MusicClockTest, FarBehindTheDeviceItJumps) {
    clock.start(0.0);
    nextFrame = 441000;
    block(0.0);
    EXPECT_EQ(clock.positionMs(1.0), 10001);
}

TEST_F(MusicClockTest, RestartBeginsAtZeroAgain) {
    clock.start(0.0);
    EXPECT_EQ(clock.positionMs(300.0), 300);
    clock.start(1000.0);
    EXPECT_EQ(clock.positionMs(1010.0), 10);
}

} // namespace
