#include "app/capture/CaptureOptions.h"
#include "app/capture/CaptureRun.h"
#include "demo/Ombrel.h"
#include "script/Music.h"
#include "script/SilentMusic.h"
#include "support/FolderShowTest.h"
#include "support/ReportRecorder.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// Two rooms, a camera in the first and two in the second; "mainscript" cuts to camB at 1 0 0,
// which wakes the second room, whose own script master "late" cuts to camC one bar after it
// started (120 bpm: two seconds a bar).
const char* const lateWorld =
    "<ZEMWorld><entity type='Room' name='A'/><entity type='Room' name='B'/>"
    "<entity type='Camera' name='camera'><parent>A</parent></entity>"
    "<entity type='Camera' name='camB'><parent>B</parent></entity>"
    "<entity type='Camera' name='camC'><parent>B</parent></entity>"
    "<entity type='ScriptMaster' name='mainscript'><offset>0</offset><bpm>120</bpm><script>"
    "<event time='1 0 0' target='mainscript' command='setcamera'>camB</event></script></entity>"
    "<entity type='ScriptMaster' name='late'><parent>B</parent><offset>0</offset><bpm>120</bpm>"
    "<script><event time='1 0 0' target='late' command='setcamera'>camC</event></script>"
    "</entity></ZEMWorld>";

// A cut on every beat at 60 bpm from the first beat on, camA and camB in turn.
std::string cutOnEveryBeat(int beats) {
    std::string script;
    for (int beat = 1; beat <= beats; ++beat) {
        script += "<event time='0 " + std::to_string(beat) +
                  " 0' target='mainscript' command='setcamera'>" + (beat % 2 ? "camA" : "camB") +
                  "</event>";
    }
    return "<ZEMWorld><entity type='Room' name='A'/>"
           "<entity type='Camera' name='camera'><parent>A</parent></entity>"
           "<entity type='Camera' name='camA'><parent>A</parent></entity>"
           "<entity type='Camera' name='camB'><parent>A</parent></entity>"
           "<entity type='ScriptMaster' name='mainscript'><offset>0</offset><bpm>60</bpm><script>" +
           script + "</script></entity></ZEMWorld>";
}

// The show as a capture drives it, noting the camera of every frame drawn.
class CameraRecorder : public Zem::Main::Show {
public:
    explicit CameraRecorder(Ombrel& show) : show(show) {}
    int32_t showTimeMs() const override { return show.showTimeMs(); }
    int32_t endTimeMs() const override { return show.endTimeMs(); }
    bool ended() const override { return show.ended(); }
    bool hasClock() const override { return show.hasClock(); }
    void draw() override {
        show.draw();
        cameras.push_back(show.cameraName());
    }
    void step(float dt) override { show.step(dt); }
    void seek(int32_t ms) override { show.seek(ms); }
    void setPaused(bool paused) override { show.setPaused(paused); }
    bool paused() const override { return show.paused(); }
    void setPictureLeadMs(double ms) override { show.setPictureLeadMs(ms); }
    std::string cameraName() const override { return show.cameraName(); }
    void reload() override { show.reload(); }
    void observeFrames(Zem::Graphics::RenderObserver* observer) override {
        show.observeFrames(observer);
    }

    Ombrel& show;
    std::vector<std::string> cameras;
};

// The frame (from 0) at which each camera is first seen.
std::map<std::string, int> firstFrames(const std::vector<std::string>& cameras) {
    std::map<std::string, int> first;
    for (std::size_t i = 0; i < cameras.size(); ++i) {
        first.emplace(cameras[i], static_cast<int>(i));
    }
    return first;
}

// A world of the test's own on the shipped passes.
class ShowTimingTest : public ZemTest::FolderShowTest {
protected:
    void useWorld(const std::string& world) { save("data/main.world", world, 0); }
    // The cameras of the frames of a capture from 0 to endSeconds at fps.
    std::vector<std::string> capture(double fps, double endSeconds) {
        Zem::App::CaptureOptions options;
        options.output = dir.file("frames");
        options.fps = fps;
        options.width = 16;
        options.height = 16;
        Zem::App::CaptureRun run(options, 0.0, endSeconds, "");
        game.useMusic(
            [&run] { return std::make_unique<SilentMusic>([&run] { return run.showTimeMs(); }); });
        EXPECT_TRUE(game.init());
        CameraRecorder recorder(game);
        EXPECT_TRUE(run.run(recorder, [] { return false; })) << run.error();
        return recorder.cameras;
    }

    ZemTest::ReportRecorder quiet;
};

TEST_F(ShowTimingTest, EveryCutOfACaptureFirstShowsOnTheFrameOfItsBeat) {
    useWorld(cutOnEveryBeat(4));
    const std::vector<std::string> cameras = capture(60.0, 4.5);
    for (int beat = 1; beat <= 4; ++beat) {
        SCOPED_TRACE(beat);
        const int frame = beat * 60;
        ASSERT_LT(frame, static_cast<int>(cameras.size()));
        EXPECT_NE(cameras[frame - 1], cameras[frame]);
        EXPECT_EQ(cameras[frame], beat % 2 ? "camA" : "camB");
    }
}

// The second room's script master starts with the room, at 2 s, and cuts a bar later.
TEST_F(ShowTimingTest, ALateScriptMasterCutsOnItsOwnBarInACapture) {
    useWorld(lateWorld);
    const auto first = firstFrames(capture(60.0, 4.5));
    EXPECT_EQ(first.at("camB"), 120);
    EXPECT_EQ(first.at("camC"), 240);
}

// Played on the platform's music layer (no sound device: its clock is the time since play),
// stepped at 60 frames a second: the same cut at the same show time as the capture's.
TEST_F(ShowTimingTest, ALateScriptMasterCutsOnItsOwnBarWhenPlayed) {
    useWorld(lateWorld);
    double nowMs = 0.0;
    game.useMusic([&nowMs] { return Music::create([&nowMs] { return nowMs; }); });
    ASSERT_TRUE(game.init());
    std::vector<std::string> cameras;
    for (int frame = 0; frame <= 270; ++frame) {
        nowMs = frame * 1000.0 / 60.0;
        game.step(frame == 0 ? 0.0f : 1.0f / 60.0f);
        cameras.push_back(game.cameraName());
    }
    const auto first = firstFrames(cameras);
    EXPECT_EQ(first.at("camB"), 120);
    EXPECT_EQ(first.at("camC"), 240);
}

} // namespace
