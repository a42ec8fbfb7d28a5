#include "graphics/FrameImage.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using Zem::Graphics::FrameImage;

namespace {

struct ProgramRun {
    int exitCode = -1;
    std::string errors;
};

// The real program, headless, with its standard error kept.
ProgramRun ombrel(const std::string& arguments, const std::string& environment = "") {
    ZemTest::TempDir scratch;
    const std::string errors = scratch.file("stderr");
    const std::string command =
        environment + " " + OMBREL_PROGRAM + " " + arguments + " >/dev/null 2>" + errors;
    const int status = std::system(command.c_str());
    ProgramRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.errors = ZemTest::TempDir::readFile(errors);
    return run;
}

std::size_t countFrames(const std::string& folder) {
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        count += entry.path().extension() == ".png" ? 1 : 0;
    }
    return count;
}

bool commandExists(const char* name) {
    const std::string command = std::string("command -v ") + name + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

double probeDuration(const std::string& file, const char* stream) {
    ZemTest::TempDir scratch;
    const std::string out = scratch.file("duration");
    const std::string command = std::string("ffprobe -v error -select_streams ") + stream +
                                " -show_entries stream=duration -of csv=p=0 " + file + " >" + out;
    if (std::system(command.c_str()) != 0) {
        return -1.0;
    }
    return std::atof(ZemTest::TempDir::readFile(out).c_str());
}

const char* const smallSecond = "--start 10 --end 11 --fps 30 --size 64x48";

TEST(CaptureRun, TheSameShowGivesTheSameBytesAndOneFramePerStep) {
    ZemTest::TempDir dir;
    // The stats overlay is for the person watching: it never reaches the captured frames.
    for (const char* name : {"a", "b"}) {
        const std::string stats = name[0] == 'b' ? " --stats" : "";
        const ProgramRun run =
            ombrel(std::string("--capture ") + dir.file(name) + " " + smallSecond + stats);
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
    ASSERT_EQ(first.width(), 64);
    ASSERT_EQ(first.height(), 48);
}

TEST(CaptureRun, VideoAndMusicLastAsLongAsTheFrames) {
    if (!commandExists("ffmpeg") || !commandExists("ffprobe")) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    ZemTest::TempDir dir;
    const std::string video = dir.file("show.mp4");
    const ProgramRun run = ombrel("--capture " + video + " " + smallSecond);
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_FALSE(fs::exists(video + ".part"));
    const double frame = 1.0 / 30.0;
    EXPECT_NEAR(probeDuration(video, "v:0"), 1.0, frame);
    EXPECT_NEAR(probeDuration(video, "a:0"), 1.0, frame);
}

TEST(CaptureRun, AnOutputThatCannotBeWrittenFailsWithoutACompleteLookingFile) {
    ZemTest::TempDir dir;
    std::FILE* plain = std::fopen(dir.file("plain").c_str(), "w");
    ASSERT_NE(plain, nullptr);
    std::fclose(plain);
    const ProgramRun folder = ombrel("--capture " + dir.file("plain/frames") + " " + smallSecond);
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_NE(folder.errors.find("capture failed: cannot make the folder"), std::string::npos)
        << folder.errors;

    // Without ffmpeg a video is refused at once, pointing at the PNG form.
    const std::string video = dir.file("show.mp4");
    const ProgramRun noEncoder =
        ombrel("--capture " + video + " " + smallSecond, "PATH=/nonexistent");
    EXPECT_EQ(noEncoder.exitCode, 1);
    EXPECT_NE(noEncoder.errors.find("needs the ffmpeg program"), std::string::npos)
        << noEncoder.errors;
    EXPECT_NE(noEncoder.errors.find("--capture DIR"), std::string::npos);
    EXPECT_FALSE(fs::exists(video));
    EXPECT_FALSE(fs::exists(video + ".part.wav"));
}

TEST(CaptureRun, BadUseIsOneLineThenTheUsageAndExitCode2) {
    const ProgramRun run = ombrel("--fps fast");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(
        run.errors.rfind("ombrel: --fps needs a number from 1 to 1000, not 'fast'\nUsage:", 0), 0u)
        << run.errors;
    EXPECT_EQ(ombrel("--help").exitCode, 0);
}

} // namespace
