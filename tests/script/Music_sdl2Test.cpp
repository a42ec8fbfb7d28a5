// The SDL music layer: the dummy driver counts as no device, and on a real sound server, a
// private PulseAudio with a null sink started by tools/pulse-null-sink.sh (skipped where
// PulseAudio is not installed). MusicTest has the layer without a device.
#include "ScriptTestSupport.h"

#include "script/Music.h"
#include "support/ReportRecorder.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using ScriptTest::musicAt;
using ZemTest::reportedBy;

namespace {

constexpr int rate = 44100;

TEST(MusicSdl2Test, TheDummyDriverCountsAsNoDevice) {
    const double nowMs = 0.0;
    EXPECT_FALSE(musicAt(&nowMs)->init(rate, 32, 0));
}

TEST(MusicSdl2Test, DecodesTheScoreWhenADeviceTakesIt) {
    const double nowMs = 0.0;
    auto music = musicAt(&nowMs, true);
    music->init(rate, 32, 0);
    music->setBufferSize(0); // short blocks: closing the dummy device waits for one or two
    MusicStream* stream = music->openStream("data/Ombrel.ogg", 0x2000, 0, 0);
    EXPECT_NEAR(music->streamLengthMs(stream), 150000, 50) << "75 bars at 120 bpm";
}

// The dummy device's thread asks for a block every 23 ms while the test seeks, pauses and reads
// the clock two thousand times; no file, so nothing is decoded.
TEST(MusicSdl2Test, APausedClockStandsWhereTheLastSeekPutItWhileTheDeviceTakesBlocks) {
    std::atomic<double> nowMs{0.0};
    auto music = Music::create([&nowMs] { return nowMs.load(); }, true);
    ASSERT_TRUE(music->init(rate, 32, 0));
    music->setBufferSize(0);
    MusicStream* stream = nullptr;
    reportedBy([&] { stream = music->openStream("data/no-such-music.ogg", 0x2000, 0, 0); });
    ASSERT_TRUE(music->playStream(0, stream));
    for (int i = 0; i < 2000; ++i) {
        nowMs = nowMs + 5.0;
        music->seekStream(stream, i * 100);
        music->pauseStream(stream, i % 2 == 0);
        music->streamTime(stream);
    }
    music->pauseStream(stream, true);
    music->seekStream(stream, 5000);
    nowMs = nowMs + 1000.0;
    EXPECT_EQ(music->streamTime(stream), 5000);
}

// Reads up to the end of a line; what follows stays in the pipe.
std::string lineFrom(FILE* pipe) {
    std::string line;
    for (int c; (c = std::fgetc(pipe)) != EOF && c != '\n';) {
        line += static_cast<char>(c);
    }
    return line;
}

class MusicSdl2PulseTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("command -v pulseaudio >/dev/null && command -v parec >/dev/null") != 0) {
            GTEST_SKIP() << "pulseaudio or parec is not installed (apt-get install pulseaudio "
                            "pulseaudio-utils): the music layer is not tested on a sound server";
        }
        char dirTemplate[] = "/tmp/zem-pulse-test-XXXXXX";
        ASSERT_NE(mkdtemp(dirTemplate), nullptr);
        dir = dirTemplate;
        FILE* sink = popen(("tools/pulse-null-sink.sh start " + dir).c_str(), "r");
        ASSERT_NE(sink, nullptr);
        const std::string server = lineFrom(sink);
        pclose(sink);
        ASSERT_EQ(server.rfind("PULSE_SERVER=", 0), 0u) << "the null sink did not start";
        setenv("PULSE_SERVER", server.substr(13).c_str(), 1);
        setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
        // parec records the sink's monitor, 20 ms at a time, as 16-bit mono, after a line with
        // its process id. Unbuffered: each read takes what has come.
        recording = popen("echo $$; exec parec --raw --format=s16le --channels=1 "
                          "--latency-msec=20 -d zem_null.monitor",
                          "r");
        ASSERT_NE(recording, nullptr);
        setvbuf(recording, nullptr, _IONBF, 0);
        recorder = std::atoi(lineFrom(recording).c_str());
    }

    void TearDown() override {
        if (recording != nullptr) {
            kill(recorder, SIGTERM);
            pclose(recording);
        }
        if (!dir.empty()) {
            std::system(("tools/pulse-null-sink.sh stop " + dir + "; rm -rf " + dir).c_str());
        }
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        unsetenv("PULSE_SERVER");
    }

    std::string dir;
    FILE* recording = nullptr;
    pid_t recorder = -1;
};

// Two seconds of the score through the sink: it is heard (the monitor records it) and the clock
// read as the script reads it only ever moves forward. Order, not speed: the clock is read each
// time a piece of the recording comes in.
TEST_F(MusicSdl2PulseTest, TheScoreReachesTheSinkAndTheClockNeverGoesBack) {
    constexpr int offset = 100;
    auto music = Music::create();
    ASSERT_TRUE(music->init(44100, 32, 0)) << "no PulseAudio device";
    music->setBufferSize(offset);
    MusicStream* stream = music->openStream("data/Ombrel.ogg", 0x2000, 0, 0);
    ASSERT_GT(music->streamLengthMs(stream), 2000) << "the score was not decoded for the device";
    EXPECT_EQ(music->streamTime(stream) + offset, 0);
    music->playStream(0, stream);
    int32_t last = 0;
    int readings = 0;
    int backwards = 0;
    int loudest = 0;
    while (last < 2000) {
        int16_t samples[2048]; // waits for the next piece of the recording
        const ssize_t got = read(fileno(recording), samples, sizeof samples);
        ASSERT_GT(got, 0) << "parec stopped";
        for (ssize_t i = 0; i < got / 2; ++i) {
            loudest = std::max(loudest, std::abs(static_cast<int>(samples[i])));
        }
        const int32_t heard = music->streamTime(stream) + offset;
        backwards += heard < last ? 1 : 0;
        last = std::max(last, heard);
        ++readings;
    }
    music.reset();
    EXPECT_EQ(backwards, 0) << "of " << readings << " readings";
    EXPECT_GT(readings, 20);
    EXPECT_GT(loudest, 3000) << "the sink's monitor recorded no music";
}

} // namespace
