#include "ProgramRun.h"

#include "graphics/FrameImage.h"
#include "support/ImageCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using DemoTest::ombrel;
using DemoTest::ProgramRun;
using Zem::Graphics::FrameImage;

namespace {

std::size_t countFrames(const std::string& folder) {
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        count += entry.path().extension() == ".png" ? 1 : 0;
    }
    return count;
}

double probeDuration(const std::string& file, const char* stream) {
    const ProgramRun probe =
        DemoTest::run("ffprobe", "-v error -select_streams " + std::string(stream) +
                                     " -show_entries stream=duration -of csv=p=0 " + file);
    return probe.exitCode == 0 ? std::atof(probe.output.c_str()) : -1.0;
}

const char* const smallSecond = "--start 10 --end 11 --fps 30 --size 64x48";

TEST(CaptureRun, TheSameShowGivesTheSameBytesAndOneFramePerStep) {
    ZemTest::TempDir dir;
    // The stats overlay is for the person watching: it never reaches the captured frames.
    for (const char* name : {"a", "b"}) {
        const std::string stats = name[0] == 'b' ? " --stats" : "";
        const ProgramRun run = ombrel("--capture " + dir.file(name) + " " + smallSecond + stats);
        ASSERT_EQ(run.exitCode, 0) << run.errors;
        EXPECT_NE(run.errors.find("Captured 30 frames"), std::string::npos) << run.errors;
    }
    ASSERT_EQ(countFrames(dir.file("a")), 30u);
    for (int i = 0; i < 30; i += 7) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%06d.png", i);
        EXPECT_EQ(ZemTest::TempDir::readFile(dir.file("a") + name),
                  ZemTest::TempDir::readFile(dir.file("b") + name))
            << name;
    }
    // One second of 16-bit stereo at 44100 Hz.
    EXPECT_EQ(fs::file_size(dir.file("a/music.wav")), 44u + 44100u * 4u);
    const FrameImage first = FrameImage::readPng(dir.file("a/frame-000000.png"));
    EXPECT_EQ(first.width(), 64);
    EXPECT_EQ(first.height(), 48);
}

// A capture that starts late steps through the show first: its first frame is frame 300 of a
// capture from the start at 30 fps, but for the eye adaptation, which starts afresh.
TEST(CaptureRun, ALateStartShowsWhatACaptureFromTheStartShowsThen) {
    ZemTest::TempDir dir;
    for (const auto& [name, start] : {std::pair{"whole", ""}, {"late", " --start 10"}}) {
        const ProgramRun run =
            ombrel("--capture " + dir.file(name) + start + " --end 10.02 --fps 30 --size 64x48");
        ASSERT_EQ(run.exitCode, 0) << run.errors;
    }
    ASSERT_EQ(countFrames(dir.file("whole")), 301u);
    const auto frame = [&dir](const char* name) { return FrameImage::readPng(dir.file(name)); };
    const FrameImage started = frame("late/frame-000000.png");
    EXPECT_GE(ZemTest::psnr(frame("whole/frame-000300.png"), started), 40.0);
    // Not a black or frozen picture that would match anything.
    EXPECT_LT(ZemTest::psnr(frame("whole/frame-000150.png"), started), 30.0);
}

TEST(CaptureRun, VideoAndMusicLastAsLongAsTheFrames) {
    if (!DemoTest::commandExists("ffmpeg") || !DemoTest::commandExists("ffprobe")) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    ZemTest::TempDir dir;
    const std::string video = dir.file("show.mp4");
    const ProgramRun run = ombrel("--capture " + video + " " + smallSecond);
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_FALSE(fs::exists(video + ".part"));
    EXPECT_NEAR(probeDuration(video, "v:0"), 1.0, 1.0 / 30.0);
    EXPECT_NEAR(probeDuration(video, "a:0"), 1.0, 1.0 / 30.0);
}

// Bad use is one line, then the usage, and exit code 2; an output that cannot be written fails
// with 1 and leaves no complete-looking file. Without ffmpeg a video is refused at once,
// pointing at the PNG form.
TEST(CaptureRun, BadUseAndOutputsThatCannotBeWrittenEndWithTheirMessage) {
    ZemTest::TempDir dir;
    std::ofstream(dir.file("plain")) << "x";
    const std::string video = dir.file("show.mp4");
    const struct {
        std::string arguments, prefix;
        int exitCode;
        std::vector<std::string> parts; // a bad use's error starts with the first
    } cases[] = {
        {"--fps fast", "", 2, {"ombrel: --fps needs a number from 1 to 1000, not 'fast'\nUsage:"}},
        {"--help", "", 0, {}},
        {"--capture " + dir.file("plain/frames") + " " + smallSecond,
         "",
         1,
         {"capture failed: cannot make the folder"}},
        {"--capture " + video + " " + smallSecond,
         "PATH=/nonexistent",
         1,
         {"needs the ffmpeg program", "--capture DIR"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const ProgramRun run = ombrel(c.arguments, c.prefix);
        EXPECT_EQ(run.exitCode, c.exitCode);
        for (const std::string& part : c.parts) {
            EXPECT_NE(run.errors.find(part), std::string::npos) << run.errors;
        }
        if (c.exitCode == 2) {
            EXPECT_EQ(run.errors.rfind(c.parts.front(), 0), 0u) << run.errors;
        }
    }
    EXPECT_FALSE(fs::exists(video));
    EXPECT_FALSE(fs::exists(video + ".part.wav"));
}

} // namespace
