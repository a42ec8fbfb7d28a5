#include "graphics/Display_sdl2.h"
#include "input/Input_sdl2.h"
#include "main/Engine.h"
#include "main/Game.h"
#include "main/messageBox.h"
#include "resource/XmlNode.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

using Zem::Graphics::Display_sdl2;
using Zem::Resource::XmlNode;

namespace {

const char* const builtInConfig =
    "<config><display><resolution><width>640</width><height>480</height><bpp>32</bpp>"
    "<depthbpp>24</depthbpp><stencilbpp>8</stencilbpp><fullscreen>true</fullscreen>"
    "<doublebuffer>true</doublebuffer><vsync>true</vsync></resolution></display></config>";

std::string resolution(const std::string& settings) {
    return "<config><display><resolution>" + settings + "</resolution></display></config>";
}

// The real SDL display, its start-up lines swallowed and its message boxes recorded.
class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousHandler = Zem::Main::setMessageBoxHandler(
            [this](const std::string& caption, const std::string& text, Zem::Main::MessageIcon) {
                shown.push_back("[" + caption + "] " + text);
            });
    }
    void TearDown() override { Zem::Main::setMessageBoxHandler(previousHandler); }
    SDL_Window* open(const std::string& config) {
        display = std::make_unique<Display_sdl2>();
        testing::internal::CaptureStdout();
        display->init(XmlNode(config).child("display"));
        testing::internal::GetCapturedStdout();
        return display->getWindow();
    }

    std::unique_ptr<Display_sdl2> display;
    std::vector<std::string> shown;
    Zem::Main::MessageBoxHandler previousHandler;
};

TEST_F(DisplayTest, WindowViewportAndSwapIntervalFollowTheConfiguration) {
    const struct {
        std::string config;
        int width, height;
        bool vsync;
    } cases[] = {{"<config><display/></config>", 640, 480, false},
                 {resolution("<fullscreen>True</fullscreen><vsync>TRUE</vsync>"), 640, 480, false},
                 {resolution("<width>320</width><height>0</height>"), 320, 1, false},
                 {builtInConfig, 640, 480, true}}; // offscreen refuses full screen: a window
    for (const auto& c : cases) {
        SCOPED_TRACE(c.config);
        SDL_Window* window = open(c.config);
        ASSERT_NE(nullptr, window);
        EXPECT_STREQ("ZEM!", SDL_GetWindowTitle(window));
        EXPECT_EQ(0u, SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN);
        // GLX under Xvfb has no swap control and keeps interval 0.
        const bool offscreen = std::string(SDL_GetCurrentVideoDriver()) == "offscreen";
        EXPECT_EQ(c.vsync && offscreen ? 1 : 0, SDL_GL_GetSwapInterval());
        GLint viewport[4] = {};
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(c.width, viewport[2]);
        EXPECT_EQ(c.height, viewport[3]);
        GLdouble projection[16] = {};
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        EXPECT_NEAR(1.0 / std::tan(40.0 * M_PI / 180.0), projection[5], 1e-5);
        EXPECT_NEAR(double(c.width) / c.height, projection[5] / projection[0], 1e-3);
        EXPECT_TRUE(display->update(0.016f));
    }
    EXPECT_TRUE(shown.empty());
}

TEST_F(DisplayTest, AResizedWindowGetsAViewportAndProjectionOfItsNewSize) {
    SDL_Window* window = open(resolution("<width>640</width><height>480</height>"));
    ASSERT_NE(nullptr, window);
    SDL_SetWindowSize(window, 500, 250);
    EXPECT_TRUE(display->update(0.016f));
    EXPECT_EQ(display->width, 500);
    EXPECT_EQ(display->height, 250);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 500);
    EXPECT_EQ(viewport[3], 250);
    // The same vertical field of view, the width following the window's.
    GLdouble projection[16] = {};
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    EXPECT_NEAR(1.0 / std::tan(40.0 * M_PI / 180.0), projection[5], 1e-5);
    EXPECT_NEAR(2.0, projection[5] / projection[0], 1e-3);
}

TEST_F(DisplayTest, FailedInitShowsItsBoxAndTheRunGoesOn) {
    EXPECT_EQ(nullptr, open(resolution("<depthbpp>64</depthbpp>"))); // no 64-bit depth visual
    EXPECT_EQ(std::vector<std::string>{"[ERROR] Window Creation Error."}, shown);
    EXPECT_TRUE(display->update(0.016f));
    display->shutdown();
    display->shutdown();
    EXPECT_EQ(1u, shown.size());
}

class StoppingGame : public Zem::Main::Game {
public:
    bool init() override { return true; }
    bool update(float) override { return false; }
    bool shutdown() override { return true; }
};

TEST(DisplayRunTest, WholeRunWritesTheLinesInOrder) {
    ZemTest::TempDir dir;
    StoppingGame game;
    testing::internal::CaptureStdout();
    {
        Zem::Main::Engine engine;
        engine.setWorkingDir(dir.path());
        engine.setGame(&game);
        game.engine = &engine;
        engine.registerDriver("display", std::make_unique<Display_sdl2>());
        engine.registerDriver("input", std::make_unique<Zem::Input::Input_sdl2>());
        engine.init(XmlNode(builtInConfig));
        engine.run();
        engine.shutdown();
    }
    const std::string out = testing::internal::GetCapturedStdout();

    const std::string text = ZemTest::TempDir::readFile(dir.file("zem.log"));
    std::vector<std::string> log;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        log.push_back(line);
    }
    ASSERT_EQ(17u, log.size());
    std::vector<std::string> expected = {
        "Created zem.log:", "Initializing Engine with working dir " + dir.path(),
        "Initializing display", "Initializing GL extensions:", log[4]};
    for (const char* name :
         {"ARB_vertex_program", "ARB_texture_non_power_of_two", "ARB_fragment_program",
          "ARB_texture_rectangle", "EXT_texture_rectangle", "EXT_framebuffer_object",
          "ARB_occlusion_query", "ARB_vertex_buffer_object"}) {
        expected.push_back((log[expected.size()][2] == '-' ? "  -" : "  +") + std::string(name));
    }
    expected.insert(expected.end(), {"Initializing input", "Engine: Entering main loop",
                                     "Shutting down Engine", "Closing log zem.log"});
    EXPECT_EQ(expected, log);
    EXPECT_EQ(0u, log[4].rfind("  * OpenGL version is ", 0)) << log[4];
    EXPECT_EQ("  +EXT_framebuffer_object", log[10]) << "llvmpipe has what the renderer needs";
    const std::size_t second = text.find('\n') + 1;
    EXPECT_EQ(text.substr(second, text.rfind("Closing log") - second), out)
        << "standard output has every line but the first and the last";
}

} // namespace
