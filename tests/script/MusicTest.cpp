#include "script/Music.h"
#include "script/MusicClock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

// Headless runs have no sound card; the dummy driver stands in for one.
std::unique_ptr<Music> openMusic(const double& nowMs, bool trustDummyDevice = false) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    return Music::create([&nowMs] { return nowMs; }, trustDummyDevice);
}

TEST(MusicTest, WithoutADeviceOrFileThePositionFollowsTheClockFromPlayOn) {
    for (const char* file : {"data/Ombrel.ogg", "data/no-such-music.ogg"}) {
        SCOPED_TRACE(file);
        double nowMs = 5000.0;
        auto music = openMusic(nowMs);
        EXPECT_FALSE(music->init(44100, 32, 0)) << "the dummy driver counts as no device";
        testing::internal::CaptureStdout();
        MusicStream* stream = music->openStream(file, 0x2000, 0, 0);
        const std::string said = testing::internal::GetCapturedStdout();
        const bool missing = std::string(file).find("no-such") != std::string::npos;
        EXPECT_EQ(said.find(std::string("Unable to load ") + file) != std::string::npos, missing);
        nowMs += 750.0;
        EXPECT_EQ(music->streamTime(stream), 0);
        ASSERT_TRUE(music->playStream(0, stream));
        const std::pair<double, int> steps[] = {
            {0.9, 0}, {0.2, 1}, {1874.0, 1875}, {-15.0, 1875}, {600015.0, 601875}};
        // Millisecond resolution; never back; on past the end of the music.
        for (const auto& [advance, expected] : steps) {
            nowMs += advance;
            EXPECT_EQ(music->streamTime(stream), expected) << nowMs;
        }
    }
}

TEST(MusicTest, DecodesTheScoreWhenADeviceTakesIt) {
    const double nowMs = 0.0;
    auto music = openMusic(nowMs, true);
    music->init(44100, 32, 0);
    music->setBufferSize(0); // short blocks: closing the dummy device waits for one or two
    MusicStream* stream = music->openStream("data/Ombrel.ogg", 0x2000, 0, 0);
    EXPECT_NEAR(music->streamLengthMs(stream), 150000, 50) << "75 bars at 120 bpm";
}

// Blocks of 1024 frames at 44100 Hz (23.22 ms) arriving up to 8 ms early or late.
TEST(MusicClockTest, JitteryBlocksNeverMakeItJumpOrGoBack) {
    const double blockMs = 1024 * 1000.0 / 44100.0;
    MusicClock clock;
    clock.start(0.0);
    const double jitter[] = {0.0, 6.0, -5.0, 3.0, -7.0, 8.0, -2.0, 0.0};
    double now = 0.0;
    int32_t last = 0;
    for (int k = 0; k < 400; ++k) {
        const double due = k * blockMs + jitter[k % 8];
        for (; now < due; now += 0.25) {
            const int32_t position = clock.positionMs(now);
            ASSERT_TRUE(position == last || position == last + 1) << position << " at " << now;
            last = position;
        }
        clock.anchor(k * 1024, (k + 1) * 1024, due, 44100);
    }
    EXPECT_NEAR(last, 399 * blockMs, 8.0) << "still with the music after nine seconds";
}

// A device found 100 ms ahead is neither jumped to nor chased faster than 5 % over real time.
TEST(MusicClockTest, CatchesUpWithADeviceAheadGradually) {
    MusicClock clock;
    clock.start(0.0);
    EXPECT_EQ(clock.positionMs(0.0), 0);
    clock.anchor(4410, 441000, 0.0, 44100);
    const int32_t position = clock.positionMs(100.0);
    EXPECT_GT(position, 100);
    EXPECT_LE(position, 105);
}

} // namespace
