// The music layer on a real sound server: a private PulseAudio with a null sink, started by
// tools/pulse-null-sink.sh. Skipped where PulseAudio is not installed.

#include "script/Music.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool installed(const char* program) {
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

std::string firstLineOf(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return "";
    }
    char line[512] = {};
    const bool got = std::fgets(line, sizeof line, pipe) != nullptr;
    pclose(pipe);
    std::string text = got ? line : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

class MusicPulseTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!installed("pulseaudio") || !installed("parec")) {
            GTEST_SKIP() << "pulseaudio or parec is not installed (apt-get install pulseaudio "
                            "pulseaudio-utils): the music layer is not tested on a sound server";
        }
        char dirTemplate[] = "/tmp/zem-pulse-test-XXXXXX";
        ASSERT_NE(mkdtemp(dirTemplate), nullptr);
        dir = dirTemplate;
        const std::string server = firstLineOf("tools/pulse-null-sink.sh start " + dir);
        ASSERT_EQ(server.rfind("PULSE_SERVER=", 0), 0u) << "the null sink did not start";
        setenv("PULSE_SERVER", server.substr(13).c_str(), 1);
        setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
    }

    void TearDown() override {
        stopRecording();
        if (!dir.empty()) {
            std::system(("tools/pulse-null-sink.sh stop " + dir + "; rm -rf " + dir).c_str());
        }
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        unsetenv("PULSE_SERVER");
    }

    // parec records the sink's monitor into a pipe, 20 ms at a time, as interleaved stereo.
    void startRecording() {
        int ends[2];
        ASSERT_EQ(pipe(ends), 0);
        recorder = fork();
        if (recorder == 0) {
            dup2(ends[1], 1);
            close(ends[0]);
            close(ends[1]);
            execlp("parec", "parec", "--raw", "--format=s16le", "--channels=1", "--latency-msec=20",
                   "-d", "zem_null.monitor", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(ends[1]);
        recording = ends[0];
    }

    // Waits for the next piece of the recording; the loudest sample in it, -1 at its end.
    int recordedLoudest() {
        int16_t samples[2048];
        const ssize_t got = read(recording, samples, sizeof samples);
        int loudest = got > 0 ? 0 : -1;
        for (ssize_t i = 0; i < got / 2; ++i) {
            loudest = std::max(loudest, std::abs(static_cast<int>(samples[i])));
        }
        return loudest;
    }

    void stopRecording() {
        if (recorder > 0) {
            kill(recorder, SIGTERM);
            waitpid(recorder, nullptr, 0);
            recorder = -1;
        }
        if (recording >= 0) {
            close(recording);
            recording = -1;
        }
    }

    std::string dir;
    int recording = -1;
    pid_t recorder = -1;
};

// Two seconds of the score through the sink: it is heard (the monitor records it) and the clock
// read as the script reads it only ever moves forward. Order, not speed: the clock is read each
// time a piece of the recording comes in.
TEST_F(MusicPulseTest, TheScoreReachesTheSinkAndTheClockNeverGoesBack) {
    startRecording();
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
        const int piece = recordedLoudest();
        ASSERT_GE(piece, 0) << "parec stopped";
        loudest = std::max(loudest, piece);
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
