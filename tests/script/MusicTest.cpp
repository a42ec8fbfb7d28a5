// The platform's music layer without a device: the dummy driver under SDL, no sound card in a
// Windows test run (tools/windows/wine-run.sh).
#include "ScriptTestSupport.h"

#include "script/Music.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using ScriptTest::musicAt;
using ScriptTest::reportedBy;

namespace {

constexpr int rate = 44100;

// What is done to a playback, and the heard time (stream time plus offset) it reads afterwards.
struct Step {
    enum Action { After, Seek, Pause, Resume, Play } action;
    double value; // milliseconds the test's clock moves on, or the time sought
    int32_t heard;
};
Step after(double ms, int32_t heard) {
    return {Step::After, ms, heard};
}
Step seek(int32_t ms, int32_t heard) {
    return {Step::Seek, double(ms), heard};
}
Step pause(int32_t heard) {
    return {Step::Pause, 0.0, heard};
}
Step resume(int32_t heard) {
    return {Step::Resume, 0.0, heard};
}
Step play(int32_t heard) {
    return {Step::Play, 0.0, heard};
}

// Takes the steps on the layer without a device, the test's clock at 5000 ms when the stream is
// opened (and played, when `playing`), for a file found and one that is not, each with several
// offsets: without a device the time is the same whatever the file.
void expectPlayback(bool playing, const std::vector<Step>& steps) {
    for (const std::string file : {"data/Ombrel.ogg", "data/no-such-music.ogg"}) {
        for (const int offset : {0, 100, -30}) {
            SCOPED_TRACE(file + " offset " + std::to_string(offset));
            double nowMs = 5000.0;
            auto music = musicAt(&nowMs);
            music->init(rate, 32, 0);
            music->setBufferSize(offset);
            MusicStream* stream = nullptr;
            reportedBy([&] { stream = music->openStream(file, 0x2000, 0, 0); });
            ASSERT_TRUE(!playing || music->playStream(0, stream));
            for (const Step& step : steps) {
                nowMs += step.action == Step::After ? step.value : 0.0;
                const bool done = step.action == Step::Seek
                                      ? music->seekStream(stream, int32_t(step.value))
                                  : step.action == Step::Pause  ? music->pauseStream(stream, true)
                                  : step.action == Step::Resume ? music->pauseStream(stream, false)
                                  : step.action == Step::Play   ? music->playStream(0, stream)
                                                                : true;
                ASSERT_TRUE(done);
                EXPECT_EQ(music->streamTime(stream) + offset, step.heard) << "at " << nowMs;
            }
        }
    }
}

TEST(MusicTest, OnlyAFileThatCannotBeOpenedIsReportedAsUnableToLoad) {
    const double nowMs = 0.0;
    auto music = musicAt(&nowMs);
    for (const std::string file : {"data/Ombrel.ogg", "data/no-such-music.ogg"}) {
        const std::string said = reportedBy([&] { music->openStream(file, 0x2000, 0, 0); });
        EXPECT_EQ(said.find("Unable to load " + file) != std::string::npos,
                  file.find("no-such") != std::string::npos)
            << said;
    }
}

TEST(MusicTest, NothingIsHeardBeforePlay) {
    expectPlayback(false, {after(750.0, 0)});
}

TEST(MusicTest, ASeekBeforePlayOnlySetsWhereTheClockStands) {
    expectPlayback(false, {seek(5000, 5000), after(300.0, 5000), play(0), after(0.9, 0)});
}

TEST(MusicTest, PlayingTheHeardTimeIsTheWholeMillisecondsSincePlay) {
    expectPlayback(true, {after(0.9, 0), after(0.2, 1), after(1874.0, 1875)});
}

TEST(MusicTest, TheHeardTimeNeverGoesBack) {
    expectPlayback(true, {after(1875.0, 1875), after(-15.0, 1875)});
}

TEST(MusicTest, TheHeardTimeRunsOnPastTheEndOfTheMusic) {
    expectPlayback(true, {after(601875.0, 601875)});
}

TEST(MusicTest, ASeekJumpsForwardOrBack) {
    expectPlayback(true, {seek(40000, 40000), after(250.0, 40250), seek(300, 300)});
}

TEST(MusicTest, PausedTheHeardTimeStands) {
    expectPlayback(true, {after(300.0, 300), pause(300), after(5000.0, 300)});
}

TEST(MusicTest, ASeekWhilePausedMovesTheClockWhichStaysPaused) {
    expectPlayback(true, {pause(0), seek(9000, 9000), after(700.0, 9000)});
}

TEST(MusicTest, ResumedTheHeardTimeGoesOnFromWhereItStood) {
    expectPlayback(
        true, {after(300.0, 300), pause(300), after(700.0, 300), resume(300), after(10.0, 310)});
}

TEST(MusicTest, ASeekBelowZeroStopsAtZero) {
    expectPlayback(true, {seek(-20, 0), after(15.5, 15)});
}

TEST(MusicTest, ANullStreamCannotSeekOrPause) {
    const double nowMs = 0.0;
    auto music = musicAt(&nowMs);
    EXPECT_FALSE(music->seekStream(nullptr, 0));
    EXPECT_FALSE(music->pauseStream(nullptr, true));
}

} // namespace
