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
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using Zem::Graphics::Display_sdl2;
using Zem::Main::Engine;
using Zem::Resource::XmlNode;
using ZemTest::TempDir;

namespace {

const char* const builtInConfig =
    "<config><display><resolution><width>640</width><height>480</height><bpp>32</bpp>"
    "<depthbpp>24</depthbpp><stencilbpp>8</stencilbpp><fullscreen>true</fullscreen>"
    "<doublebuffer>true</doublebuffer><vsync>true</vsync></resolution></display></config>";

std::string displayConfig(const std::string& resolution) {
    return "<config><display><resolution>" + resolution + "</resolution></display></config>";
}

class StoppingGame : public Zem::Main::Game {
public:
    bool init() override { return true; }
    bool update(float) override { return false; }
    bool shutdown() override { return true; }
};

// An engine with the real SDL display driver, its log in a temporary directory, and every
// message box recorded instead of shown.
class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousHandler = Zem::Main::setMessageBoxHandler(
            [this](const std::string& caption, const std::string& text, Zem::Main::MessageIcon) {
                shown.push_back("[" + caption + "] " + text);
            });
    }
    void TearDown() override {
        if (engine) {
            engine->shutdown();
            engine.reset();
        }
        Zem::Main::setMessageBoxHandler(previousHandler);
    }

    void makeEngine() {
        if (engine) {
            engine->shutdown();
        }
        engine = std::make_unique<Engine>();
        engine->setWorkingDir(dir.path());
        engine->setGame(&game);
        game.engine = engine.get();
        auto driver = std::make_unique<Display_sdl2>();
        display = driver.get();
        engine->registerDriver("display", std::move(driver));
    }
    bool initWith(const std::string& configText) {
        makeEngine();
        testing::internal::CaptureStdout();
        engine->init(XmlNode(configText));
        testing::internal::GetCapturedStdout();
        return display->getWindow() != nullptr;
    }

    TempDir dir;
    StoppingGame game;
    std::unique_ptr<Engine> engine;
    Display_sdl2* display = nullptr;
    std::vector<std::string> shown;
    Zem::Main::MessageBoxHandler previousHandler;
};

TEST_F(DisplayTest, WindowViewportAndSwapIntervalFollowTheConfiguration) {
    struct Case {
        std::string config;
        int viewportWidth, viewportHeight;
        bool vsync;
    };
    const Case cases[] = {
        {"<config><display/></config>", 640, 480, false},
        // Only "true" and "1" count.
        {displayConfig("<fullscreen>True</fullscreen><vsync>TRUE</vsync>"), 640, 480, false},
        {displayConfig("<width>320</width><height>0</height>"), 320, 1, false},
        // The headless display refuses full screen: a window, silently.
        {builtInConfig, 640, 480, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.config);
        ASSERT_TRUE(initWith(c.config));
        EXPECT_STREQ("ZEM!", SDL_GetWindowTitle(display->getWindow()));
        EXPECT_EQ(0u, SDL_GetWindowFlags(display->getWindow()) & SDL_WINDOW_FULLSCREEN);
        // GLX under Xvfb has no swap control and keeps interval 0.
        const bool offscreen = std::string(SDL_GetCurrentVideoDriver()) == "offscreen";
        EXPECT_EQ(c.vsync && offscreen ? 1 : 0, SDL_GL_GetSwapInterval());
        GLint viewport[4] = {};
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(c.viewportWidth, viewport[2]);
        EXPECT_EQ(c.viewportHeight, viewport[3]);
        GLdouble projection[16] = {};
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        EXPECT_NEAR(1.0 / std::tan(40.0 * M_PI / 180.0), projection[5], 1e-5);
        EXPECT_NEAR(double(c.viewportWidth) / c.viewportHeight, projection[5] / projection[0],
                    1e-3);
        EXPECT_TRUE(display->update(0.016f));
    }
    EXPECT_TRUE(shown.empty());
}

TEST_F(DisplayTest, FullScreenKeepsTheConfiguredSizeWhenTheDisplayOffersIt) {
    SDL_InitSubSystem(SDL_INIT_VIDEO);
    SDL_DisplayMode desktop;
    ASSERT_EQ(0, SDL_GetDesktopDisplayMode(0, &desktop)) << SDL_GetError();
    const int bits = static_cast<int>(SDL_BYTESPERPIXEL(desktop.format)) * 8;
    const bool opened = initWith(displayConfig(
        "<width>" + std::to_string(desktop.w) + "</width><height>" + std::to_string(desktop.h) +
        "</height><bpp>" + std::to_string(bits) + "</bpp><fullscreen>1</fullscreen>"));
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    ASSERT_TRUE(opened);
    EXPECT_NE(0u, SDL_GetWindowFlags(display->getWindow()) & SDL_WINDOW_FULLSCREEN);
    int w = 0, h = 0;
    SDL_GetWindowSize(display->getWindow(), &w, &h);
    EXPECT_EQ(desktop.w, w);
    EXPECT_EQ(desktop.h, h);
}

TEST_F(DisplayTest, FailedInitShowsItsBoxAndTheRunGoesOn) {
    // No visual has a 64-bit depth buffer, so the window cannot be created.
    EXPECT_FALSE(initWith(displayConfig("<depthbpp>64</depthbpp>")));
    EXPECT_EQ(std::vector<std::string>{"[ERROR] Window Creation Error."}, shown);
    EXPECT_TRUE(display->update(0.016f));
    display->shutdown();
    display->shutdown();
    EXPECT_EQ(1u, shown.size());
}

TEST_F(DisplayTest, WholeRunWritesTheLinesInOrder) {
    makeEngine();
    engine->registerDriver("input", std::make_unique<Zem::Input::Input_sdl2>());
    testing::internal::CaptureStdout();
    engine->init(XmlNode(builtInConfig));
    engine->run();
    engine->shutdown();
    engine.reset();
    const std::string out = testing::internal::GetCapturedStdout();

    std::vector<std::string> log;
    std::istringstream in(TempDir::readFile(dir.file("zem.log")));
    for (std::string line; std::getline(in, line);) {
        log.push_back(line);
    }
    ASSERT_EQ(17u, log.size());
    const std::vector<std::string> start = {
        "Created zem.log:", "Initializing Engine with working dir " + dir.path(),
        "Initializing display", "Initializing GL extensions:"};
    EXPECT_EQ(start, std::vector<std::string>(log.begin(), log.begin() + 4));
    EXPECT_EQ(0u, log[4].rfind("  * OpenGL version is ", 0)) << log[4];
    const char* const names[] = {"ARB_vertex_program",    "ARB_texture_non_power_of_two",
                                 "ARB_fragment_program",  "ARB_texture_rectangle",
                                 "EXT_texture_rectangle", "EXT_framebuffer_object",
                                 "ARB_occlusion_query",   "ARB_vertex_buffer_object"};
    for (int i = 0; i < 8; ++i) {
        const std::string& line = log[5 + static_cast<std::size_t>(i)];
        EXPECT_TRUE(line == std::string("  +") + names[i] || line == std::string("  -") + names[i])
            << line;
    }
    // llvmpipe has what the renderer needs.
    EXPECT_EQ("  +EXT_framebuffer_object", log[10]);
    const std::vector<std::string> end = {"Initializing input", "Engine: Entering main loop",
                                          "Shutting down Engine", "Closing log zem.log"};
    EXPECT_EQ(end, std::vector<std::string>(log.begin() + 13, log.end()));
    // Standard output has the same lines but the first and the last.
    std::string expectedOut;
    for (std::size_t i = 1; i + 1 < log.size(); ++i) {
        expectedOut += log[i] + "\n";
    }
    EXPECT_EQ(expectedOut, out);
}

} // namespace
