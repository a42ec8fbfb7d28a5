#include "script/Music.h"
#include "script/MusicClock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

// Headless runs have no sound card; the dummy driver stands in for one.
class MusicTest : public ::testing::Test {
protected:
    std::unique_ptr<Music> openMusic(bool trustDummyDevice = false) {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        auto music = Music::create([this] { return nowMs; }, trustDummyDevice);
        initialised = music->init(44100, 32, 0);
        return music;
    }

    double nowMs = 5000.0;
    bool initialised = true;
};

TEST_F(MusicTest, WithoutADeviceThePositionFollowsTheClockFromPlayOn) {
    auto music = openMusic();
    EXPECT_FALSE(initialised) << "the dummy driver counts as no device";
    MusicStream* stream = music->openStream("data/Ombrel.ogg", 0x2000, 0, 0);
    nowMs += 750.0;
    EXPECT_EQ(music->streamTime(stream), 0);
    ASSERT_TRUE(music->playStream(0, stream));
    nowMs += 0.9;
    EXPECT_EQ(music->streamTime(stream), 0);
    nowMs += 0.2;
    EXPECT_EQ(music->streamTime(stream), 1);
    nowMs += 1874.0;
    EXPECT_EQ(music->streamTime(stream), 1875);
    // A clock that steps back is not followed.
    nowMs -= 15.0;
    EXPECT_EQ(music->streamTime(stream), 1875);
    // Past the end of the music it runs on, for a script longer than the song.
    nowMs += 600015.0;
    EXPECT_EQ(music->streamTime(stream), 601875);
}

TEST_F(MusicTest, UnreadableFileGivesASilentStreamThatKeepsTime) {
    auto music = openMusic();
    testing::internal::CaptureStdout();
    MusicStream* stream = music->openStream("data/no-such-music.ogg", 0x2000, 0, 0);
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_NE(said.find("Unable to load data/no-such-music.ogg"), std::string::npos) << said;
    ASSERT_TRUE(music->playStream(0, stream));
    nowMs += 1234.0;
    EXPECT_EQ(music->streamTime(stream), 1234);
}

TEST_F(MusicTest, DecodesTheScoreWhenADeviceTakesIt) {
    auto music = openMusic(true);
    // Short blocks: closing the dummy device waits for a block or two.
    music->setBufferSize(0);
    MusicStream* stream = music->openStream("data/Ombrel.ogg", 0x2000, 0, 0);
    // The generated score: 30 bars at 120 bpm.
    EXPECT_NEAR(music->streamLengthMs(stream), 60000, 50);
}

// The device-driven clock, fed blocks of 1024 frames at 44100 Hz (23.22 ms) by hand.
TEST(MusicClockTest, JitteryBlocksNeverMakeItJumpOrGoBack) {
    const double blockMs = 1024 * 1000.0 / 44100.0;
    MusicClock clock;
    EXPECT_EQ(clock.positionMs(20.0), 0) << "not started";
    clock.start(0.0);
    // Blocks up to 8 ms early or late; the bare block times would jump by up to 11 ms.
    const double jitter[] = {0.0, 6.0, -5.0, 3.0, -7.0, 8.0, -2.0, 0.0};
    double now = 0.0;
    int32_t last = 0;
    for (int k = 0; k < 400; ++k) {
        const double due = k * blockMs + jitter[k % 8];
        for (; now < due; now += 0.25) {
            const int32_t position = clock.positionMs(now);
            ASSERT_GE(position, last) << "went back at " << now;
            ASSERT_LE(position - last, 1) << "jumped at " << now;
            last = position;
        }
        clock.anchor(k * 1024, (k + 1) * 1024, due, 44100);
    }
    // Still with the music after nine seconds.
    EXPECT_NEAR(last, 399 * blockMs, 8.0);
}

} // namespace
