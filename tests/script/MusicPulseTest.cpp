// The music layer on a real sound server: a private PulseAudio with a null sink, started by
// tools/pulse-null-sink.sh. Skipped where PulseAudio is not installed.

#include "script/Music.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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

    void startRecording() {
        recording = dir + "/monitor.raw";
        recorder = fork();
        if (recorder == 0) {
            if (std::freopen(recording.c_str(), "wb", stdout) == nullptr) {
                _exit(127);
            }
            execlp("parec", "parec", "--raw", "--format=s16le", "--channels=1", "-d",
                   "zem_null.monitor", static_cast<char*>(nullptr));
            _exit(127);
        }
    }

    void stopRecording() {
        if (recorder > 0) {
            kill(recorder, SIGTERM);
            waitpid(recorder, nullptr, 0);
            recorder = -1;
        }
    }

    // The loudest sample parec wrote.
    int loudestRecorded() const {
        std::ifstream in(recording, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
        int loudest = 0;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
            const auto sample = static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) |
                                                     static_cast<uint8_t>(bytes[i + 1]) << 8);
            loudest = std::max(loudest, std::abs(static_cast<int>(sample)));
        }
        return loudest;
    }

    std::string dir;
    std::string recording;
    pid_t recorder = -1;
};

// Two seconds of the score through the sink: it is heard (the monitor records it) and the clock
// read as the script reads it only ever moves forward. Order, not speed: the clock is read as
// often as the machine allows.
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
    long readings = 0;
    long backwards = 0;
    while (last < 2000) {
        const int32_t heard = music->streamTime(stream) + offset;
        backwards += heard < last ? 1 : 0;
        last = std::max(last, heard);
        ++readings;
    }
    music.reset();
    stopRecording();
    EXPECT_EQ(backwards, 0) << "of " << readings << " readings";
    EXPECT_GT(loudestRecorded(), 3000) << "the sink's monitor recorded no music";
}

} // namespace
