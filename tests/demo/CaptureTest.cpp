#include "app/CommandLine.h"
#include "app/capture/CaptureRun.h"
#include "app/capture/MusicTrack.h"
#include "app/capture/PngSequenceWriter.h"
#include "app/capture/ShowClock.h"
#include "graphics/FrameImage.h"
#include "main/Show.h"
#include "resource/XmlNode.h"
#include "script/ScriptMaster.h"
#include "script/SilentMusic.h"
#include "support/GLContext.h"
#include "support/SceneFixtures.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>

using namespace std::string_literals;
using Zem::Resource::XmlNode;
using namespace Zem::App;

namespace {

class CaptureGLTest : public ZemTest::GLTest {};

struct CommandLineCase {
    std::vector<std::string> arguments;
    CommandLine::Outcome outcome;
    // For BadUse: a part of the error line.
    std::string errorPart;
};

TEST(CommandLine, AcceptsOptionsAndRefusesBadUseWithOneLine) {
    using O = CommandLine::Outcome;
    const std::vector<CommandLineCase> cases = {
        {{}, O::Run, ""},
        {{"--help"}, O::Help, ""},
        {{"-h", "--bogus"}, O::Help, ""},
        {{"--capture", "out", "--fps=30", "--size", "320x240", "--start", "2.5", "--end=4"},
         O::Run,
         ""},
        {{"my/world.world", "--data", "elsewhere"}, O::Run, ""},
        {{"--bogus"}, O::BadUse, "unknown option '--bogus'"},
        {{"--fps"}, O::BadUse, "--fps needs a value"},
        {{"--fps", "0"}, O::BadUse, "--fps needs a number"},
        {{"--fps", "30fps"}, O::BadUse, "not '30fps'"},
        {{"--size", "320"}, O::BadUse, "--size needs"},
        {{"--size", "321x240"}, O::BadUse, "--size needs even"},
        {{"--size", "320x241"}, O::BadUse, "--size needs even"},
        {{"--fps", "1000"}, O::Run, ""},
        {{"--fps", "1000.5"}, O::BadUse, "--fps needs a number"},
        {{"--size", "0x0"}, O::BadUse, "--size needs"},
        {{"--start", "-1"}, O::BadUse, "--start needs seconds"},
        {{"--start", "nan"}, O::BadUse, "--start needs seconds"},
        {{"--start", "5", "--end", "5"}, O::BadUse, "--end must come after --start"},
        {{"--fullscreen=yes"}, O::BadUse, "--fullscreen takes no value"},
        {{"--stats", "--capture", "out"}, O::Run, ""},
        {{"--stats=on"}, O::BadUse, "--stats takes no value"},
        {{"a.world", "b.world"}, O::BadUse, "one world file at most"},
    };
    for (const auto& c : cases) {
        const CommandLine line(c.arguments);
        EXPECT_EQ(line.outcome(), c.outcome) << testing::PrintToString(c.arguments);
        if (c.outcome == O::BadUse) {
            EXPECT_NE(line.error().find(c.errorPart), std::string::npos) << line.error();
            EXPECT_EQ(line.error().find('\n'), std::string::npos) << line.error();
        }
    }
}

TEST(CommandLine, CarriesValuesIntoTheOptions) {
    const CommandLine line({"--capture=show.mp4", "--fps", "24", "--size", "320x240", "--start",
                            "10", "--end", "11.5", "--data", "mine", "--stats", "w/x.world"});
    ASSERT_EQ(line.outcome(), CommandLine::Outcome::Run);
    const PlayerOptions& o = line.options();
    const CaptureOptions& c = o.capture;
    EXPECT_EQ(std::tuple(o.capturing, c.output, c.fps, c.width, c.height, o.startSeconds,
                         o.endSeconds, o.files.musicPath(), o.files.worldFile, o.stats),
              std::tuple(true, "show.mp4"s, 24.0, 320, 240, 10.0, 11.5, "mine/Ombrel.ogg"s,
                         "w/x.world"s, true));
    // Without options the show plays as it always did.
    const PlayerOptions d = CommandLine({}).options();
    EXPECT_EQ(std::tuple(d.capturing, d.stats, d.display.width, d.display.height,
                         d.display.fullscreen, d.files.musicPath()),
              std::tuple(false, false, 640, 480, true, "data/Ombrel.ogg"s));
    EXPECT_NE(CommandLine::usage().find("--stats "), std::string::npos);
}

TEST(ShowClock, FrameIShowsStartPlusIOverFps) {
    ShowClock whole(30.0, 10.0);
    EXPECT_EQ(whole.leadInSteps(), 300);
    EXPECT_DOUBLE_EQ(whole.stepTimeMs(0), 0.0);
    EXPECT_DOUBLE_EQ(whole.frameTimeMs(0), 10000.0);
    EXPECT_DOUBLE_EQ(whole.frameTimeMs(3), 10100.0);
    // A start between frames still puts frame 0 at the start, on the same step.
    ShowClock between(30.0, 10.01);
    EXPECT_EQ(between.leadInSteps(), 301);
    EXPECT_DOUBLE_EQ(between.frameTimeMs(0), 10010.0);
    EXPECT_NEAR(between.stepTimeMs(1) - between.stepTimeMs(0), 1000.0 / 30.0, 1e-9);
    between.advance();
    EXPECT_DOUBLE_EQ(between.timeMs(), between.stepTimeMs(1));
}

// Records the capture's clock at each step and draws a frame the colour of its step count.
class StepShow : public Zem::Main::Show {
public:
    explicit StepShow(const CaptureRun& run) : run(run) {}
    int32_t showTimeMs() const override { return 0; }
    int32_t endTimeMs() const override { return -1; }
    bool ended() const override { return false; }
    void draw() override {
        drawnAt.push_back(steppedAt);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    void step(float) override { steppedAt = run.showTimeMs(); }
    void seek(int32_t) override {}
    void setPaused(bool) override {}
    bool paused() const override { return false; }
    void setPictureLeadMs(double) override {}
    std::string cameraName() const override { return ""; }
    void reload() override {}
    void observeFrames(Zem::Graphics::RenderObserver*) override {}

    const CaptureRun& run;
    double steppedAt = -1.0;
    std::vector<double> drawnAt;
};

// Each frame is drawn after the show was stepped to that frame's time; a late start steps
// through the lead-in without drawing.
TEST_F(CaptureGLTest, EachPictureShowsTheStepAtItsFramesTime) {
    ZemTest::TempDir dir;
    CaptureOptions options;
    options.output = dir.file("frames");
    options.fps = 10.0;
    options.width = 16;
    options.height = 16;
    CaptureRun run(options, 0.25, 0.5, "");
    StepShow show(run);
    ASSERT_TRUE(run.run(show, [] { return false; })) << run.error();
    EXPECT_EQ(run.totalFrames(), 3);
    EXPECT_EQ(show.drawnAt, (std::vector<double>{250.0, 350.0, 450.0}));
}

// A world's exit, looked up ahead, falls due at exactly that millisecond of the silent clock.
TEST(ShowClock, ScriptExitIsFoundAheadAndFallsDueOnThatMillisecond) {
    const char* world = R"(<entity type="ScriptMaster" name="s"><offset>100</offset><bpm>120</bpm>
        <script><event time="1 0 0" target="s" command="setoffset">2 0 0</event>
        <event time="0 0 1" target="s" command="exit"/></script></entity>)";
    for (const int32_t before : {0, 1}) {
        ZemTest::SceneGame game;
        double now = 0.0;
        XmlNode element(world);
        ScriptMaster script(element, std::make_unique<SilentMusic>([&now] { return now; }));
        // Two bars of offset plus one step is step 33, which begins at 4125 ms at 8 steps a
        // second.
        ASSERT_EQ(script.exitTimeMs(), 4125);
        script.update(0.0f);
        now = script.exitTimeMs() - before;
        script.update(0.0f);
        script.update(0.0f);
        EXPECT_EQ(game.exitRequested(), before == 0) << "at " << now << " ms";
        EXPECT_EQ(script.musicTimeMs(), static_cast<int32_t>(now));
    }
}

TEST(MusicTrack, WritesTheCoveredPartPaddedWithSilence) {
    const auto track = MusicTrack::decode("data/Ombrel.ogg");
    ASSERT_FALSE(track.empty()) << track.error();
    EXPECT_GT(track.lengthMs(), 10000.0);
    ZemTest::TempDir dir;
    // Half a second from one second before the end: the second half is silence.
    const double start = track.lengthMs() - 250.0;
    const int64_t frames = track.rate() / 2;
    ASSERT_TRUE(track.writeWav(dir.file("a.wav"), start, frames));
    const std::string wav = ZemTest::TempDir::readFile(dir.file("a.wav"));
    ASSERT_EQ(wav.size(), 44u + static_cast<std::size_t>(frames) * track.channels() * 2);
    const auto field = [&wav](std::size_t at) {
        uint32_t value = 0;
        for (int i = 3; i >= 0; --i) {
            value = value << 8 | static_cast<uint8_t>(wav[at + i]);
        }
        return value;
    };
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(field(4), wav.size() - 8);
    EXPECT_EQ(field(28), static_cast<uint32_t>(track.rate() * track.channels() * 2)) << "bytes/s";
    EXPECT_EQ(wav.substr(36, 4), "data");
    EXPECT_EQ(field(40), wav.size() - 44);
    const std::string tail = wav.substr(wav.size() - 1000);
    EXPECT_EQ(tail, std::string(1000, '\0'));
    EXPECT_NE(wav.substr(44, 4000), std::string(4000, '\0'));

    const auto missing = MusicTrack::decode(dir.file("none.ogg"));
    EXPECT_TRUE(missing.empty());
    EXPECT_NE(missing.error().find("none.ogg"), std::string::npos);
}

TEST(PngSequenceWriter, NamesFramesInOrderAndReplacesAnEarlierCapture) {
    ZemTest::TempDir dir;
    const std::string out = dir.file("frames");
    std::filesystem::create_directories(out);
    std::ofstream(out + "/frame-000007.png") << "old";
    std::ofstream(out + "/keep.txt") << "mine";
    const MusicTrack silence;
    PngSequenceWriter writer(out);
    ASSERT_TRUE(writer.open(silence, 0.0, 2, 10.0)) << writer.error();
    Zem::Graphics::FrameImage frame(4, 2);
    frame.data()[0] = 200;
    ASSERT_TRUE(writer.write(frame));
    ASSERT_TRUE(writer.write(frame));
    EXPECT_FALSE(std::filesystem::exists(out + "/music.wav")) << "complete before finish";
    ASSERT_TRUE(writer.finish());
    EXPECT_TRUE(std::filesystem::exists(out + "/keep.txt"));
    EXPECT_FALSE(std::filesystem::exists(out + "/frame-000007.png"));
    const auto back = Zem::Graphics::FrameImage::readPng(out + "/frame-000001.png");
    ASSERT_EQ(back.width(), 4);
    EXPECT_EQ(back.data(), frame.data());
    // 0.2 s of silence at 44100 Hz, 2 channels, 16 bits.
    EXPECT_EQ(std::filesystem::file_size(out + "/music.wav"), 44u + 8820u * 4u);
    EXPECT_EQ(PngSequenceWriter::frameName(123), "frame-000123.png");

    // A folder that cannot exist is refused before any frame is drawn.
    std::ofstream(dir.file("plain")) << "x";
    PngSequenceWriter blocked(dir.file("plain/frames"));
    EXPECT_FALSE(blocked.open(silence, 0.0, 1, 10.0));
    EXPECT_NE(blocked.error().find("plain/frames"), std::string::npos);
}

} // namespace
