#include "graphics/Display_sdl2.h"
#include "input/Input_sdl2.h"
#include "main/Engine.h"
#include "main/Game.h"
#include "main/TestGame.h"
#include "resource/XmlNode.h"
#include "support/FrameGame.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
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
class Display_sdl2Test : public ::testing::Test {
protected:
    SDL_Window* open(const std::string& config) {
        display = std::make_unique<Display_sdl2>();
        testing::internal::CaptureStdout();
        display->init(XmlNode(config).child("display"));
        testing::internal::GetCapturedStdout();
        return display->getWindow();
    }
    static std::array<GLint, 4> viewport() {
        std::array<GLint, 4> box{};
        glGetIntegerv(GL_VIEWPORT, box.data());
        return box;
    }
    static std::array<GLdouble, 16> projection() {
        std::array<GLdouble, 16> matrix{};
        glGetDoublev(GL_PROJECTION_MATRIX, matrix.data());
        return matrix;
    }
    void expectAProjection80DegreesHighAndAsWideAsTheViewport(const std::string& config) {
        ASSERT_NE(nullptr, open(config));
        EXPECT_NEAR(1.0 / std::tan(40.0 * M_PI / 180.0), projection()[5], 1e-5);
        EXPECT_NEAR(double(viewport()[2]) / viewport()[3], projection()[5] / projection()[0], 1e-3);
    }

    ZemTest::ShownBoxes boxes;
    std::unique_ptr<Display_sdl2> display;
};

TEST_F(Display_sdl2Test, TheWindowIsTitledZEM) {
    ASSERT_NE(nullptr, open("<config><display/></config>"));
    EXPECT_STREQ("ZEM!", SDL_GetWindowTitle(display->getWindow()));
}

TEST_F(Display_sdl2Test, OpeningShowsNoBox) {
    ASSERT_NE(nullptr, open(builtInConfig));
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(Display_sdl2Test, OffscreenAFullScreenRequestGetsAWindow) {
    ASSERT_NE(nullptr, open(builtInConfig));
    EXPECT_EQ(0u, SDL_GetWindowFlags(display->getWindow()) & SDL_WINDOW_FULLSCREEN);
}

TEST_F(Display_sdl2Test, WithoutAResolutionTheViewportIs640By480) {
    ASSERT_NE(nullptr, open("<config><display/></config>"));
    EXPECT_EQ(640, viewport()[2]);
    EXPECT_EQ(480, viewport()[3]);
}

TEST_F(Display_sdl2Test, AHeightOfZeroGivesAViewportOneHigh) {
    ASSERT_NE(nullptr, open(resolution("<width>320</width><height>0</height>")));
    EXPECT_EQ(320, viewport()[2]);
    EXPECT_EQ(1, viewport()[3]);
}

TEST_F(Display_sdl2Test, TheProjectionSees80DegreesHighAndTheViewportsWidth) {
    expectAProjection80DegreesHighAndAsWideAsTheViewport(builtInConfig);
}

TEST_F(Display_sdl2Test, AtAHeightOfZeroTheProjectionSees80DegreesHighAndTheViewportsWidth) {
    expectAProjection80DegreesHighAndAsWideAsTheViewport(resolution("<height>0</height>"));
}

// GLX under Xvfb has no swap control and keeps interval 0.
TEST_F(Display_sdl2Test, VsyncTrueSwapsOnceARefresh) {
    ASSERT_NE(nullptr, open(builtInConfig));
    const bool offscreen = std::string(SDL_GetCurrentVideoDriver()) == "offscreen";
    EXPECT_EQ(offscreen ? 1 : 0, SDL_GL_GetSwapInterval());
}

TEST_F(Display_sdl2Test, OnlyLowerCaseTrueTurnsVsyncOn) {
    ASSERT_NE(nullptr, open(resolution("<fullscreen>True</fullscreen><vsync>TRUE</vsync>")));
    EXPECT_EQ(0, SDL_GL_GetSwapInterval());
}

TEST_F(Display_sdl2Test, UpdateOfAnOpenedWindowNeverEndsTheRun) {
    open("<config><display/></config>");
    EXPECT_TRUE(display->update(0.016f));
}

TEST_F(Display_sdl2Test, UpdateAfterTheWindowFailedToOpenNeverEndsTheRun) {
    open(resolution("<depthbpp>64</depthbpp>"));
    EXPECT_TRUE(display->update(0.016f));
}

TEST_F(Display_sdl2Test, AResizedWindowGetsAViewportOfItsNewSize) {
    SDL_Window* window = open(resolution("<width>640</width><height>480</height>"));
    ASSERT_NE(nullptr, window);
    SDL_SetWindowSize(window, 500, 250);
    EXPECT_TRUE(display->update(0.016f));
    EXPECT_EQ(500, display->width);
    EXPECT_EQ(250, display->height);
    EXPECT_EQ(500, viewport()[2]);
    EXPECT_EQ(250, viewport()[3]);
}

TEST_F(Display_sdl2Test, AResizedWindowKeepsTheFieldOfViewAndTakesItsNewWidth) {
    SDL_Window* window = open(resolution("<width>640</width><height>480</height>"));
    ASSERT_NE(nullptr, window);
    SDL_SetWindowSize(window, 500, 250);
    display->update(0.016f);
    EXPECT_NEAR(1.0 / std::tan(40.0 * M_PI / 180.0), projection()[5], 1e-5);
    EXPECT_NEAR(2.0, projection()[5] / projection()[0], 1e-3);
}

// There is no 64-bit depth visual.
TEST_F(Display_sdl2Test, AFailedInitShowsWindowCreationError) {
    EXPECT_EQ(nullptr, open(resolution("<depthbpp>64</depthbpp>")));
    EXPECT_EQ(std::vector<std::string>{"[ERROR] Window Creation Error."}, boxes.texts);
}

TEST_F(Display_sdl2Test, ShutdownAfterAFailedInitMayBeRepeatedWithoutABox) {
    open(resolution("<depthbpp>64</depthbpp>"));
    display->shutdown();
    display->shutdown();
    EXPECT_EQ(1u, boxes.texts.size());
}

// A whole run with the SDL drivers; the log's lines and what standard output showed.
class Display_sdl2RunTest : public ::testing::Test {
protected:
    void SetUp() override {
        game.onFrame = [](int) { return false; };
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
        printed = testing::internal::GetCapturedStdout();
        text = ZemTest::TempDir::readFile(dir.file("zem.log"));
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) {
            log.push_back(line);
        }
    }

    ZemTest::TempDir dir;
    ZemTest::FrameGame game;
    std::string printed;
    std::string text;
    std::vector<std::string> log;
};

TEST_F(Display_sdl2RunTest, TheDisplayReportsTheGLVersionAndExtensionsAfterItsLine) {
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
}

TEST_F(Display_sdl2RunTest, LlvmpipeHasTheFramebufferObjectsTheRendererNeeds) {
    ASSERT_EQ(17u, log.size());
    EXPECT_EQ("  +EXT_framebuffer_object", log[10]);
}

TEST_F(Display_sdl2RunTest, StandardOutputHasEveryLogLineButTheFirstAndTheLast) {
    const std::size_t second = text.find('\n') + 1;
    EXPECT_EQ(text.substr(second, text.rfind("Closing log") - second), printed);
}

} // namespace
