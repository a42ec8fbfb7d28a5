#include "demo/Ombrel.h"
#include "graphics/Display_sdl2.h"
#include "graphics/ShaderRegistry.h"
#include "graphics/hasCurrentContext.h"
#include "input/Input_sdl2.h"
#include "main/Engine.h"
#include "main/messageBox.h"
#include "resource/ResourceManager.h"
#include "resource/XmlNode.h"
#include "support/StillShow.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

namespace {

// A short show: a mesh with a material and texture, a light, dust, and a script that ends the
// run after 20 steps of 1 ms.
const char* const shortShow =
    "<ZEMWorld><entity type='ScriptMaster' name='mainscript'><offset>0</offset><bpm>15000</bpm>"
    "<script><event time='0 0 1' target='mainscript' command='setcamera'>camera</event>"
    "<event time='0 0 20' target='mainscript' command='exit'/></script></entity>"
    "<entity type='Room' name='hall'><model>room_a.obj</model></entity>"
    "<entity type='Camera' name='camera'><parent>hall</parent></entity>"
    "<entity type='Entity' name='box'><parent>hall</parent><model>crate.obj</model></entity>"
    "<entity type='Light' name='lamp'><parent>hall</parent><radius>4</radius></entity>"
    "</ZEMWorld>";

// The whole program, drivers and all, as main() runs it, in a folder whose data/ holds the
// shipped files and a world of the test's own.
class DisplayFailureTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Zem::Graphics::ShaderRegistry::instance().reset());
        Zem::Resource::ResourceManager::instance().reset();
        previousDriver = std::getenv("SDL_VIDEODRIVER");
        // The platform's dialog reads the environment this test changes, on the dialog thread;
        // the boxes of a show without a display are told on standard error all the same.
        previousDialog = Zem::Main::setDialogFunction(
            [](const std::string&, const std::string&, Zem::Main::MessageIcon) {});
    }
    void TearDown() override {
        setenv("SDL_VIDEODRIVER", previousDriver.c_str(), 1);
        Zem::Main::setDialogFunction(previousDialog);
        Zem::Resource::ResourceManager::instance().reset();
    }

    // What the main loop returned; standard error and output are kept in `errors` and `output`.
    bool run(const std::string& world, const std::string& driver, const std::string& config,
             const std::function<uint32_t()>& clock = {}) {
        ZemTest::shippedDataWithWorld(dir, world);
        setenv("SDL_VIDEODRIVER", driver.c_str(), 1);
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        bool gameEnded = false;
        {
            Ombrel game;
            Zem::Main::Engine engine;
            engine.setWorkingDir(dir.path() + "/");
            engine.registerDriver("input", std::make_unique<Zem::Input::Input_sdl2>());
            engine.registerDriver("display", std::make_unique<Zem::Graphics::Display_sdl2>());
            game.engine = &engine;
            engine.setGame(&game);
            engine.init(Zem::Resource::XmlNode(config));
            if (clock) {
                engine.setClock(clock);
            }
            gameEnded = engine.run();
            engine.shutdown();
        }
        output = testing::internal::GetCapturedStdout();
        errors = testing::internal::GetCapturedStderr();
        return gameEnded;
    }

    ZemTest::TempDir dir;
    std::string previousDriver = "offscreen";
    Zem::Main::MessageBoxHandler previousDialog;
    std::string output, errors;
};

// Each way the display can fail to open, with the box it shows.
const struct DisplayFailure {
    const char* name;
    const char* driver;
    const char* config;
    const char* message;
} failures[] = {
    {"NoVideoDriver", "nonexistent", "<config/>", "ERROR: Failed To Register The Window Class."},
    {"NoWindow", "dummy", "<config/>", "ERROR: Window Creation Error."},
    {"AnImpossibleDepthAndStencil", "offscreen",
     "<config><display><resolution><depthbpp>99</depthbpp><stencilbpp>99</stencilbpp>"
     "</resolution></display></config>",
     "ERROR: "},
};

void PrintTo(const DisplayFailure& failure, std::ostream* out) {
    *out << failure.name;
}

class DisplayFailureCaseTest : public DisplayFailureTest,
                               public ::testing::WithParamInterface<DisplayFailure> {};

TEST_P(DisplayFailureCaseTest, LeavesAShowThatRunsUnseenToItsExit) {
    EXPECT_TRUE(run(shortShow, GetParam().driver, GetParam().config)) << errors;
    EXPECT_FALSE(Zem::Graphics::hasCurrentContext());
}

TEST_P(DisplayFailureCaseTest, IsToldOnStandardErrorAndInTheLog) {
    run(shortShow, GetParam().driver, GetParam().config);
    EXPECT_NE(errors.find(GetParam().message), std::string::npos) << errors;
    EXPECT_NE(ZemTest::TempDir::readFile(dir.file("zem.log")).find(GetParam().message),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(DisplayFailureTest, DisplayFailureCaseTest, ::testing::ValuesIn(failures),
                         [](const ::testing::TestParamInfo<DisplayFailure>& info) {
                             return std::string(info.param.name);
                         });

// The script never exits: only SIGTERM, raised once as the first frame starts, ends the run (a
// second before the run stops would end the process).
TEST_F(DisplayFailureTest, ASignalEndsAShowWithoutADisplay) {
    EXPECT_FALSE(run("<ZEMWorld><entity type='ScriptMaster' name='mainscript'><offset>0</offset>"
                     "<bpm>15000</bpm><script/></entity></ZEMWorld>",
                     "nonexistent", "<config/>", [raised = false]() mutable {
                         if (!raised) {
                             raised = true;
                             std::raise(SIGTERM);
                         }
                         return 0u;
                     }));
    EXPECT_NE(output.find("Engine: stopping on signal"), std::string::npos) << output;
}

} // namespace
