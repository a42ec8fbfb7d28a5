#include "StillShow.h"

#include "graphics/GBufferShader.h"
#include "graphics/HDRShader.h"
#include "graphics/LightShader.h"
#include "graphics/RenderObserver.h"
#include "graphics/ShaderRegistry.h"
#include "main/Camera.h"
#include "resource/ResourceManager.h"
#include "script/SilentMusic.h"
#include "support/GLContext.h"
#include "support/ReportRecorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

// Notes the current camera when each frame's view tree is ready.
class CameraAtDraw : public Zem::Graphics::RenderObserver {
public:
    explicit CameraAtDraw(const Ombrel& show) : show(show) {}
    void viewTreeReady(const Zem::Graphics::View&) override { seen.push_back(show.cameraName()); }
    void passBegins(const Zem::Graphics::Shader&) override {}
    void passEnds(const Zem::Graphics::Shader&) override {}

    const Ombrel& show;
    std::vector<std::string> seen;
};

// 15000 bpm: a step a millisecond.
std::string scriptMaster(const std::string& name, const std::string& script,
                         const std::string& parent = "") {
    return "<entity type='ScriptMaster' name='" + name + "'>" +
           (parent.empty() ? "" : "<parent>" + parent + "</parent>") +
           "<offset>0</offset><bpm>15000</bpm><script>" + script + "</script></entity>";
}

const char* const roomAndCameras = "<entity type='Room' name='A'/>"
                                   "<entity type='Camera' name='camera'><parent>A</parent></entity>"
                                   "<entity type='Camera' name='camB'><parent>A</parent></entity>";

// Ombrel on a silent clock the test moves, a world of the test's own, the shipped passes on a
// small display.
class OmbrelClockTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        ASSERT_TRUE(Zem::Graphics::ShaderRegistry::instance().reset());
        Zem::Resource::ResourceManager::instance().reset();
        show.display->width = 64;
        show.display->height = 64;
        show.game.useMusic([this] { return std::make_unique<SilentMusic>([this] { return nowMs; }); });
    }
    void TearDown() override {
        show.engine.shutdown();
        Zem::Graphics::GBufferShader::releaseSharedObjects();
        Zem::Graphics::LightShader::releaseSharedObjects();
        Zem::Graphics::HDRShader::releaseSharedObjects();
        Zem::Resource::ResourceManager::instance().reset();
    }
    void load(const std::string& entities) {
        std::ofstream(dir.file("clock.world"), std::ios::binary)
            << "<ZEMWorld>" << entities << "</ZEMWorld>";
        ShowFiles files;
        files.worldFile = dir.file("clock.world");
        show.game.useFiles(files);
        ASSERT_TRUE(show.game.init());
    }
    const ScriptMaster* named(const std::string& name) const {
        return dynamic_cast<const ScriptMaster*>(show.game.findEntity(name));
    }

    ZemTest::TempDir dir;
    DemoTest::StillShow show{"./"};
    double nowMs = 0.0;
    ZemTest::ReportRecorder quiet;
};

// A cut due in a frame's update is in that frame's picture, not the next one's.
TEST_F(OmbrelClockTest, AFrameShowsTheWorldAsItsUpdateLeftIt) {
    load(std::string(roomAndCameras) +
         scriptMaster("mainscript",
                      "<event time='0 0 4' target='mainscript' command='setcamera'>camB</event>"));
    CameraAtDraw observer(show.game);
    show.game.observeFrames(&observer);
    show.game.update(0.0f);
    nowMs = 4.0;
    show.game.update(0.004f);
    show.game.observeFrames(nullptr);
    EXPECT_EQ(observer.seen, (std::vector<std::string>{"camera", "camB"}));
}

TEST_F(OmbrelClockTest, TheShowsClockIsTheScriptMasterItsInterpolatorsRead) {
    load(scriptMaster("first", "") + scriptMaster("second", "") +
         "<entity type='Interpolator' name='mover'><scriptmaster>second</scriptmaster></entity>");
    EXPECT_EQ(show.game.scriptMaster(), named("second"));
}

TEST_F(OmbrelClockTest, TheShowsClockIsMainscriptWhenACubeGridReadsIt) {
    load(scriptMaster("first", "") + scriptMaster("mainscript", "") +
         "<entity type='CubeGrid' name='grid'><xsize>1</xsize><ysize>1</ysize><xspace>1</xspace>"
         "<yspace>1</yspace><waveslowness>1</waveslowness><turnspeed>1</turnspeed>"
         "<cubeinitdata/></entity>");
    EXPECT_EQ(show.game.scriptMaster(), named("mainscript"));
}

TEST_F(OmbrelClockTest, WithoutReadersTheShowsClockIsTheFirstScriptMaster) {
    load(scriptMaster("first", "") + scriptMaster("second", ""));
    EXPECT_EQ(show.game.scriptMaster(), named("first"));
}

TEST_F(OmbrelClockTest, PausingStopsEveryScriptMasterThatHasStarted) {
    load(scriptMaster("first", "") + scriptMaster("second", ""));
    show.game.step(0.0f);
    show.game.setPaused(true);
    nowMs = 500.0;
    EXPECT_EQ(named("first")->musicTimeMs(), 0);
    EXPECT_EQ(named("second")->musicTimeMs(), 0);
}

TEST_F(OmbrelClockTest, PausingLeavesAScriptMasterThatHasNotStartedToItsRoom) {
    load("<entity type='Room' name='B'/>" + scriptMaster("late", "", "B"));
    show.game.setPaused(true);
    EXPECT_TRUE(named("late")->startPending);
}

TEST_F(OmbrelClockTest, ThePictureLeadMovesEveryScriptMasterAhead) {
    load(scriptMaster("first", "") + scriptMaster("second", ""));
    show.game.step(0.0f);
    show.game.setPictureLeadMs(30.0);
    nowMs = 100.0;
    EXPECT_EQ(named("first")->musicTimeMs(), 130);
    EXPECT_EQ(named("second")->musicTimeMs(), 130);
}

TEST_F(OmbrelClockTest, AWorldBuiltAgainKeepsThePictureLead) {
    load(scriptMaster("mainscript", ""));
    show.game.setPictureLeadMs(30.0);
    show.game.rebuildWorld();
    show.game.step(0.0f);
    nowMs = 100.0;
    EXPECT_EQ(show.game.showTimeMs(), 130);
}

// A jump lands the show, not the music, on the time asked for.
TEST_F(OmbrelClockTest, AJumpWithAPictureLeadLandsOnTheShowTimeAskedFor) {
    load(scriptMaster("mainscript", ""));
    show.game.setPictureLeadMs(30.0);
    show.game.seek(1000);
    EXPECT_EQ(show.game.showTimeMs(), 1000);
}

} // namespace
