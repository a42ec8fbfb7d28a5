// The real program, run as a maker or a capture would run it.
#include "ProgramRun.h"

#include "app/CommandLine.h"
#include "graphics/FrameImage.h"
#include "support/ImageCapture.h"
#include "support/TempDir.h"
#include "support/mentions.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using Zem::Graphics::FrameImage;

namespace {

using AppTest::ombrel;
using AppTest::ProgramRun;
using AppTest::run;
using AppTest::tutorialWorld;

bool commandExists(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::size_t countFrames(const std::string& folder) {
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        count += entry.path().extension() == ".png" ? 1 : 0;
    }
    return count;
}

double probeDuration(const std::string& file, const char* stream) {
    const ProgramRun probe =
        run("ffprobe", "-v error -select_streams " + std::string(stream) +
                           " -show_entries stream=duration -of csv=p=0 " + file);
    return probe.exitCode == 0 ? std::atof(probe.output.c_str()) : -1.0;
}

const char* const smallSecond = "--start 10 --end 11 --fps 30 --size 64x48";

// A second of the show captured into a folder.
class OmbrelProgramCaptureTest : public ::testing::Test {
protected:
    ProgramRun capture(const std::string& name, const std::string& more = "") {
        return ombrel("--capture " + dir.file(name) + " " + smallSecond + more);
    }

    ZemTest::TempDir dir;
};

TEST_F(OmbrelProgramCaptureTest, WritesOneFrameOfTheAskedSizePerStep) {
    const ProgramRun run = capture("a");
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_TRUE(ZemTest::mentions(run.errors, {dir.file("a")})) << run.errors;
    EXPECT_EQ(countFrames(dir.file("a")), 30u);
    const FrameImage first = FrameImage::readPng(dir.file("a/frame-000000.png"));
    EXPECT_EQ(first.width(), 64);
    EXPECT_EQ(first.height(), 48);
}

// One second of 16-bit stereo at 44100 Hz.
TEST_F(OmbrelProgramCaptureTest, WritesTheMusicTheFramesCover) {
    const ProgramRun run = capture("a");
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(fs::file_size(dir.file("a/music.wav")), 44u + 44100u * 4u);
}

// The same show gives the same bytes every time; the stats overlay is for the person watching.
TEST_F(OmbrelProgramCaptureTest, TheStatsOverlayNeverReachesTheCapturedFrames) {
    ASSERT_EQ(capture("a").exitCode, 0);
    ASSERT_EQ(capture("b", " --stats").exitCode, 0);
    ASSERT_EQ(countFrames(dir.file("b")), 30u);
    for (int i = 0; i < 30; i += 7) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%06d.png", i);
        EXPECT_EQ(ZemTest::TempDir::readFile(dir.file("a") + name),
                  ZemTest::TempDir::readFile(dir.file("b") + name))
            << name;
    }
}

// Its first frame is frame 300 of a capture from the start at 30 fps, but for the eye
// adaptation, which starts afresh.
TEST_F(OmbrelProgramCaptureTest, ALateStartShowsWhatACaptureFromTheStartShowsThen) {
    for (const auto& [name, start] : {std::pair{"whole", ""}, {"late", " --start 10"}}) {
        const ProgramRun run =
            ombrel("--capture " + dir.file(name) + start + " --end 10.02 --fps 30 --size 64x48");
        ASSERT_EQ(run.exitCode, 0) << run.errors;
    }
    ASSERT_EQ(countFrames(dir.file("whole")), 301u);
    const auto frame = [this](const char* name) { return FrameImage::readPng(dir.file(name)); };
    const FrameImage started = frame("late/frame-000000.png");
    EXPECT_GE(ZemTest::psnr(frame("whole/frame-000300.png"), started), 40.0);
    // Not a black or frozen picture that would match anything.
    EXPECT_LT(ZemTest::psnr(frame("whole/frame-000150.png"), started), 30.0);
}

TEST_F(OmbrelProgramCaptureTest, VideoAndMusicLastAsLongAsTheFrames) {
    if (!commandExists("ffmpeg") || !commandExists("ffprobe")) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    const std::string video = dir.file("show.mp4");
    const ProgramRun run = ombrel("--capture " + video + " " + smallSecond);
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_FALSE(fs::exists(video + ".part"));
    EXPECT_NEAR(probeDuration(video, "v:0"), 1.0, 1.0 / 30.0);
    EXPECT_NEAR(probeDuration(video, "a:0"), 1.0, 1.0 / 30.0);
}

TEST_F(OmbrelProgramCaptureTest, AnOutputThatCannotBeWrittenEndsWithExitCode1NamingIt) {
    std::ofstream(dir.file("plain")) << "x";
    const ProgramRun run = capture("plain/frames");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(ZemTest::mentions(run.errors, {dir.file("plain/frames")})) << run.errors;
}

// A folder stands where ffmpeg writes, so the encoder fails.
TEST_F(OmbrelProgramCaptureTest, AVideoWhoseEncoderFailsEndsWithExitCode1NamingIt) {
    if (!commandExists("ffmpeg")) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    const std::string video = dir.file("show.mp4");
    fs::create_directory(video + ".part");
    const ProgramRun run = ombrel("--capture " + video + " " + smallSecond);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(ZemTest::mentions(run.errors, {"ffmpeg", video})) << run.errors;
    EXPECT_FALSE(fs::exists(video));
}

// Bad use is one line naming what was wrong, then where the usage is.
TEST(OmbrelProgramUsageTest, BadUseEndsWithExitCode2AndOneLineNamingTheOption) {
    const ProgramRun run = ombrel("--fps fast");
    EXPECT_EQ(run.exitCode, 2);
    const std::string line = run.errors.substr(0, run.errors.find('\n'));
    EXPECT_EQ(line.rfind("ombrel: ", 0), 0u) << line;
    EXPECT_TRUE(ZemTest::mentions(line, {"--fps", "'fast'"})) << line;
    EXPECT_EQ(run.errors, line + "\nTry 'ombrel --help' for the options.\n");
}

TEST(OmbrelProgramUsageTest, HelpPrintsTheUsageAndEndsWithExitCode0) {
    const ProgramRun run = ombrel("--help");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output, Zem::App::CommandLine::usage());
}

// Past the show's end (the shipped show exits at 150 s) there is nothing to play or capture.
void expectAStartPastTheShowsEndSaidEndingWithExitCode2(const std::string& how) {
    const ProgramRun run = ombrel("--start 200 " + how, "timeout 60");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(ZemTest::mentions(run.errors, {"--start 200.00 s", "150.00 s"})) << run.errors;
}

TEST(OmbrelProgramUsageTest, AStartPastTheShowsEndInAWindowIsSaidAndEndsWithExitCode2) {
    expectAStartPastTheShowsEndSaidEndingWithExitCode2("--window 64x48");
}

TEST(OmbrelProgramUsageTest, AStartPastTheShowsEndOfACaptureIsSaidAndEndsWithExitCode2) {
    const ZemTest::TempDir dir;
    expectAStartPastTheShowsEndSaidEndingWithExitCode2("--capture " + dir.file("shots"));
}

// Whatever the world lacks, the run ends at --end, saying what is missing; a run that never
// ends fails at the time limit.
TEST(OmbrelProgramEndTest, EveryRunEndsAtItsEndSayingWhatTheWorldLacks) {
    const ZemTest::TempDir dir;
    const std::string still = "<ZEMWorld><entity type=\"Room\" name=\"hall\"/><entity "
                              "type=\"Camera\" name=\"camera\"><parent>hall</parent></entity>";
    std::ofstream(dir.file("still.world")) << still << "</ZEMWorld>";
    // A copy of the program whose shipped data has a script but no music.
    fs::create_directories(dir.file("bin"));
    fs::create_directories(dir.file("data"));
    fs::copy_file(OMBREL_PROGRAM, dir.file("bin/ombrel"));
    std::ofstream(dir.file("data/main.world"))
        << still << "<entity type=\"ScriptMaster\" name=\"mainscript\"><bpm>120</bpm>"
        << "</entity></ZEMWorld>";
    const struct {
        std::string program, world, said;
    } runs[] = {
        {OMBREL_PROGRAM, dir.file("nosuch.world"), "No world: nosuch.world"},
        {OMBREL_PROGRAM, dir.file("still.world"), "No script:"},
        {dir.file("bin/ombrel"), "", "Unable to load " + dir.file("data/Ombrel.ogg")},
    };
    for (const auto& r : runs) {
        const ProgramRun ran = run(r.program, "--end 1 --window 64x48 " + r.world,
                                   "timeout 60 env SDL_AUDIODRIVER=dummy");
        EXPECT_EQ(ran.exitCode, 0) << r.said << "\n" << ran.errors;
        EXPECT_NE(ran.errors.find(r.said), std::string::npos) << r.said << "\n" << ran.errors;
    }
}

// Nothing of the show is looked for in the working folder, where the log goes.
class OmbrelProgramElsewhereTest : public ::testing::Test {
protected:
    void SetUp() override {
        played = ombrel("--end 0.5 --window 64x48", "cd " + dir.path() + " && timeout 60");
    }

    ZemTest::TempDir dir;
    ProgramRun played;
};

TEST_F(OmbrelProgramElsewhereTest, StartedFromAnotherFolderItFindsTheShippedData) {
    EXPECT_EQ(played.exitCode, 0) << played.errors;
    for (const char* complaint : {"Unable to load", "No world", "No shipped data", "no program"}) {
        EXPECT_EQ(played.errors.find(complaint), std::string::npos) << played.errors;
    }
}

TEST_F(OmbrelProgramElsewhereTest, ItSaysWhereItWritesItsLog) {
    EXPECT_TRUE(ZemTest::mentions(played.output, {"Log: " + dir.file("zem.log") + "\n"}))
        << played.output;
    EXPECT_TRUE(ZemTest::mentions(ZemTest::TempDir::readFile(dir.file("zem.log")),
                                  {"Shutting down Engine"}));
}

// The real program on a show that ends by itself after 1.5 s, its script first asking for a
// camera by a misspelt name. `display` chooses it: an X server of its own, or a video driver
// that cannot start. Nobody answers a box; the show must reach its exit, ending normally, with
// `message` on standard error. A run that hangs is ended after a minute and fails.
std::string writeShortShow(const ZemTest::TempDir& dir) {
    std::ofstream(dir.file("show.world"))
        << "<ZEMWorld>\n<entity type=\"ScriptMaster\" name=\"mainscript\"><offset>0</offset>"
           "<bpm>15000</bpm><script><event time=\"0 0 1\" target=\"mainscript\" "
           "command=\"setcamera\">camrea</event><event time=\"0 0 1500\" target=\"mainscript\" "
           "command=\"exit\"/></script></entity>\n<entity type=\"Camera\" name=\"camera\">"
           "<position>0 1 3</position></entity>\n</ZEMWorld>\n";
    return dir.file("show.world");
}

void expectShortShowRunsToItsExit(const std::string& display, const std::string& message) {
    ZemTest::TempDir dir;
    const ProgramRun run = ombrel("--window 320x240 " + writeShortShow(dir),
                                  "timeout 60 " + display + " SDL_AUDIODRIVER=dummy");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_NE(run.errors.find(message), std::string::npos) << run.errors;
    EXPECT_NE(run.output.find("Shutting down Engine"), std::string::npos) << run.output;
}

// The freeze: under a real display the "Camera not found!" box waited for a click and the show
// stood still.
TEST(OmbrelProgramUnattendedTest, AMessageBoxNobodyAnswersDoesNotStopTheShow) {
    if (!commandExists("xvfb-run")) {
        GTEST_SKIP() << "xvfb-run is not installed";
    }
    expectShortShowRunsToItsExit("xvfb-run -a env SDL_VIDEODRIVER=x11",
                                 "message: Camera not found!\n");
}

// The box a show leaves unanswered closes when the program ends. Its output goes through a pipe,
// which ends only when every process holding it has: a dialog left behind keeps it open until
// `timeout` gives up.
TEST(OmbrelProgramUnattendedTest, AnUnansweredBoxGoesWithTheProgram) {
    if (!commandExists("xvfb-run")) {
        GTEST_SKIP() << "xvfb-run is not installed";
    }
    ZemTest::TempDir dir;
    const ProgramRun run = ::run("timeout 30 sh -c '" OMBREL_PROGRAM " --window 320x240 " +
                                     writeShortShow(dir) + " | cat'",
                                 "", "xvfb-run -a env SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_NE(run.output.find("Shutting down Engine"), std::string::npos) << run.output;
}

// No video driver at all: the boxes are lines on standard error and the show runs unseen.
TEST(OmbrelProgramUnattendedTest, AVideoDriverThatDoesNotExistEndsCleanlyWithItsMessage) {
    expectShortShowRunsToItsExit("env SDL_VIDEODRIVER=nonexistent",
                                 "ERROR: Failed To Register The Window Class.\n");
}

// Mean red, green and blue of a captured frame.
std::array<double, 3> meanColour(const std::string& png) {
    const FrameImage image = FrameImage::readPng(png);
    const auto& data = image.data();
    std::array<double, 3> mean{};
    for (std::size_t i = 0; i < data.size(); ++i) {
        mean[i % 3] += data[i] / 255.0 / static_cast<double>(data.size() / 3);
    }
    return mean;
}

// The README's tutorial world, captured one frame a second from the start to the script's exit,
// as step 5 takes them.
class OmbrelProgramTutorialTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string world = tutorialWorld();
        ASSERT_NE(world.find("<ZEMWorld>"), std::string::npos)
            << "the tutorial's world is not found";
        fs::create_directories(dir.file("my"));
        std::ofstream(dir.file("my/two-rooms.world")) << world;
        played = ombrel("--capture " + shots + " --fps 1 --size 320x240 " +
                        dir.file("my/two-rooms.world"));
        ASSERT_EQ(played.exitCode, 0) << played.output << played.errors;
    }

    ZemTest::TempDir dir;
    const std::string shots = dir.file("shots");
    ProgramRun played;
};

TEST_F(OmbrelProgramTutorialTest, TheWorldLoadsWithoutAComplaint) {
    const std::string said = played.output + played.errors;
    for (const char* complaint :
         {"Unable to load", "Skipping", "No world", "not found", "ignored"}) {
        EXPECT_EQ(said.find(complaint), std::string::npos) << said;
    }
}

// The exit at bar 12 of 120 beats a minute: 24 s.
TEST_F(OmbrelProgramTutorialTest, TheShowEndsAtTheScriptsExit) {
    EXPECT_TRUE(fs::exists(shots + "/frame-000023.png"));
    EXPECT_FALSE(fs::exists(shots + "/frame-000024.png"));
}

TEST_F(OmbrelProgramTutorialTest, TheHallIsLitWarmAtTwoSeconds) {
    const auto hall = meanColour(shots + "/frame-000002.png");
    EXPECT_GT(hall[0] + hall[1] + hall[2], 0.3);
    EXPECT_GT(hall[0], hall[2]);
}

// Seen through the doorway.
TEST_F(OmbrelProgramTutorialTest, TheVaultIsLitBlueAtTwelveSeconds) {
    const auto vault = meanColour(shots + "/frame-000012.png");
    EXPECT_GT(vault[0] + vault[1] + vault[2], 0.3);
    EXPECT_GT(vault[2], vault[0]);
}

} // namespace
