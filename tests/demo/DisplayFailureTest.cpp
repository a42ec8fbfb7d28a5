#include "demo/Ombrel.h"

#include "graphics/Display_sdl2.h"
#include "graphics/ShaderRegistry.h"
#include "graphics/hasCurrentContext.h"
#include "input/Input_sdl2.h"
#include "main/Engine.h"
#include "resource/ResourceManager.h"
#include "resource/XmlNode.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

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
// shipped files and the short show.
class DisplayFailureTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Zem::Graphics::ShaderRegistry::instance().reset());
        Zem::Resource::ResourceManager::instance().reset();
        fs::create_directories(dir.file("data"));
        for (const auto& entry : fs::directory_iterator(fs::absolute("data"))) {
            fs::create_symlink(entry.path(), dir.file("data/" + entry.path().filename().string()));
        }
        fs::remove(dir.file("data/main.world"));
        std::ofstream(dir.file("data/main.world")) << shortShow;
        previousDriver = std::getenv("SDL_VIDEODRIVER");
    }
    void TearDown() override {
        setenv("SDL_VIDEODRIVER", previousDriver.c_str(), 1);
        Zem::Resource::ResourceManager::instance().reset();
    }

    // Returns what the run wrote on standard error; `gameEnded` is what the main loop returned.
    std::string runWithDriver(const std::string& driver, const std::string& config,
                              bool& gameEnded) {
        setenv("SDL_VIDEODRIVER", driver.c_str(), 1);
        testing::internal::CaptureStderr();
        {
            Ombrel game;
            Zem::Main::Engine engine;
            engine.setWorkingDir(dir.path() + "/");
            engine.registerDriver("input", std::make_unique<Zem::Input::Input_sdl2>());
            engine.registerDriver("display", std::make_unique<Zem::Graphics::Display_sdl2>());
            game.engine = &engine;
            engine.setGame(&game);
            engine.init(Zem::Resource::XmlNode(config));
            gameEnded = engine.run();
            engine.shutdown();
        }
        return testing::internal::GetCapturedStderr();
    }

    ZemTest::TempDir dir;
    std::string previousDriver = "offscreen";
};

// Each way the display can fail to open: the show runs on unseen, with its message, until the
// script's exit ends it.
TEST_F(DisplayFailureTest, EveryDisplayFailureLeavesAShowThatRunsToItsExit) {
    const struct {
        const char* driver;
        const char* config;
        const char* message;
    } cases[] = {
        {"nonexistent", "<config/>", "ERROR: Failed To Register The Window Class."},
        {"dummy", "<config/>", "ERROR: Window Creation Error."},
        {"offscreen",
         "<config><display><resolution><depthbpp>99</depthbpp><stencilbpp>99</stencilbpp>"
         "</resolution></display></config>",
         "ERROR: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.driver);
        bool gameEnded = false;
        const std::string said = runWithDriver(c.driver, c.config, gameEnded);
        EXPECT_TRUE(gameEnded) << said;
        EXPECT_NE(said.find(c.message), std::string::npos) << said;
        EXPECT_FALSE(Zem::Graphics::hasCurrentContext());
        EXPECT_NE(ZemTest::TempDir::readFile(dir.file("zem.log")).find(c.message),
                  std::string::npos);
    }
}

TEST_F(DisplayFailureTest, ASignalEndsAShowWithoutADisplay) {
    std::ofstream(dir.file("data/main.world"), std::ios::trunc)
        << "<ZEMWorld><entity type='ScriptMaster' name='mainscript'><offset>0</offset>"
           "<bpm>15000</bpm><script/></entity></ZEMWorld>";
    // The script never exits: only SIGTERM, raised while the first frame starts, ends the run.
    bool gameEnded = true;
    setenv("SDL_VIDEODRIVER", "nonexistent", 1);
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    {
        Ombrel game;
        Zem::Main::Engine engine;
        engine.setWorkingDir(dir.path() + "/");
        engine.registerDriver("input", std::make_unique<Zem::Input::Input_sdl2>());
        engine.registerDriver("display", std::make_unique<Zem::Graphics::Display_sdl2>());
        game.engine = &engine;
        engine.setGame(&game);
        engine.init(Zem::Resource::XmlNode("<config/>"));
        engine.setClock([] {
            std::raise(SIGTERM);
            return 0u;
        });
        gameEnded = engine.run();
        engine.shutdown();
    }
    testing::internal::GetCapturedStderr();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(gameEnded);
    EXPECT_NE(out.find("Engine: stopping on signal"), std::string::npos) << out;
}

} // namespace
