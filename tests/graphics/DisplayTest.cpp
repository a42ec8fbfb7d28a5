#include "graphics/DisplayBase.h"
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
using Zem::Graphics::DisplayBase;
using Zem::Main::Engine;
using Zem::Main::MessageIcon;
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

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Only the settings, for the comparisons of the configuration keys.
class SettingsOnly : public DisplayBase {
public:
    using DisplayBase::readSettings;
    bool update(float) override { return true; }
    void swapBuffers() override {}
};

SettingsOnly settingsFrom(const std::string& resolution) {
    SettingsOnly settings;
    settings.readSettings(XmlNode(displayConfig(resolution)).child("display"));
    return settings;
}

TEST(DisplaySettingsTest, DefaultsWithoutAResolutionElement) {
    SettingsOnly settings;
    settings.readSettings(XmlNode("<display><width>100</width></display>"));
    EXPECT_EQ(settings.width, 640);
    EXPECT_EQ(settings.height, 480);
    EXPECT_EQ(settings.bpp, 32);
    EXPECT_EQ(settings.depthbpp, 24);
    EXPECT_EQ(settings.stencilbpp, 8);
    EXPECT_FALSE(settings.fullscreen);
    EXPECT_TRUE(settings.doublebuffer);
    EXPECT_FALSE(settings.vsync);
}

TEST(DisplaySettingsTest, BuiltInConfigurationAsksForFullScreenWithVsync) {
    SettingsOnly settings;
    settings.readSettings(XmlNode(builtInConfig).child("display"));
    EXPECT_EQ(settings.width, 640);
    EXPECT_EQ(settings.height, 480);
    EXPECT_EQ(settings.bpp, 32);
    EXPECT_TRUE(settings.fullscreen);
    EXPECT_TRUE(settings.doublebuffer);
    EXPECT_TRUE(settings.vsync);
}

TEST(DisplaySettingsTest, FlagsChangeOnlyOnTheirExactTexts) {
    EXPECT_TRUE(settingsFrom("<fullscreen>1</fullscreen>").fullscreen);
    EXPECT_FALSE(settingsFrom("<fullscreen>True</fullscreen>").fullscreen);
    EXPECT_FALSE(settingsFrom("<fullscreen> true</fullscreen>").fullscreen);
    EXPECT_FALSE(settingsFrom("<fullscreen>false</fullscreen>").fullscreen);
    EXPECT_FALSE(settingsFrom("<fullscreen>0</fullscreen>").fullscreen);

    EXPECT_FALSE(settingsFrom("<doublebuffer>0</doublebuffer>").doublebuffer);
    EXPECT_FALSE(settingsFrom("<doublebuffer>false</doublebuffer>").doublebuffer);
    EXPECT_TRUE(settingsFrom("<doublebuffer>False</doublebuffer>").doublebuffer);
    EXPECT_TRUE(settingsFrom("<doublebuffer>true</doublebuffer>").doublebuffer);

    EXPECT_TRUE(settingsFrom("<vsync>1</vsync>").vsync);
    EXPECT_FALSE(settingsFrom("<vsync>TRUE</vsync>").vsync);
    EXPECT_FALSE(settingsFrom("<vsync>yes</vsync>").vsync);
}

TEST(DisplaySettingsTest, NumbersThatDoNotParseKeepTheirDefaults) {
    const SettingsOnly settings =
        settingsFrom("<width>wide</width><height> 300 </height><stencilbpp/>");
    EXPECT_EQ(settings.width, 640);
    EXPECT_EQ(settings.height, 300);
    EXPECT_EQ(settings.stencilbpp, 8);
}

// A game that stops after a given number of frames.
class CountingGame : public Zem::Main::Game {
public:
    bool init() override { return true; }
    bool update(float) override { return ++frames < lastFrame; }
    bool shutdown() override { return true; }
    int frames = 0;
    int lastFrame = 1;
};

// An engine with a real SDL display driver, its log in a temporary directory, and every
// message box recorded instead of shown.
class DisplayTest : public ::testing::Test {
protected:
    struct Shown {
        std::string caption, text;
        MessageIcon icon;
    };

    void SetUp() override {
        previousHandler = Zem::Main::setMessageBoxHandler(
            [this](const std::string& caption, const std::string& text, MessageIcon icon) {
                shown.push_back({caption, text, icon});
            });
        engine = std::make_unique<Engine>();
        engine->setWorkingDir(dir.path());
        engine->setGame(&game);
        game.engine = engine.get();
        auto driver = std::make_unique<Display_sdl2>();
        display = driver.get();
        engine->registerDriver("display", std::move(driver));
    }

    void TearDown() override {
        if (engine) {
            engine->shutdown();
            engine.reset();
        }
        Zem::Main::setMessageBoxHandler(previousHandler);
    }

    bool initWith(const std::string& configText) {
        testing::internal::CaptureStdout();
        const XmlNode config(configText);
        engine->init(config);
        stdoutText = testing::internal::GetCapturedStdout();
        return display->getWindow() != nullptr;
    }

    TempDir dir;
    CountingGame game;
    std::unique_ptr<Engine> engine;
    Display_sdl2* display = nullptr;
    std::vector<Shown> shown;
    Zem::Main::MessageBoxHandler previousHandler;
    std::string stdoutText;
};

TEST_F(DisplayTest, WithoutResolutionOpensA640By480WindowTitledZem) {
    ASSERT_TRUE(initWith("<config><display/></config>"));
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(display->info(), "SDL2 Display Driver");

    EXPECT_STREQ(SDL_GetWindowTitle(display->getWindow()), "ZEM!");
    int w = 0, h = 0;
    SDL_GetWindowSize(display->getWindow(), &w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    EXPECT_EQ(SDL_GetWindowFlags(display->getWindow()) & SDL_WINDOW_FULLSCREEN, 0u);
    EXPECT_EQ(SDL_GL_GetSwapInterval(), 0);

    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);
}

TEST_F(DisplayTest, ContextIsACompatibilityProfileWithTheRequestedBuffers) {
    ASSERT_TRUE(initWith(displayConfig("<depthbpp>24</depthbpp><stencilbpp>8</stencilbpp>")));
    int value = 0;
    // The offscreen driver draws into single-buffered pbuffers whatever was asked for.
    if (std::string(SDL_GetCurrentVideoDriver()) != "offscreen") {
        SDL_GL_GetAttribute(SDL_GL_DOUBLEBUFFER, &value);
        EXPECT_EQ(value, 1);
    }
    SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &value);
    EXPECT_GE(value, 24);
    SDL_GL_GetAttribute(SDL_GL_STENCIL_SIZE, &value);
    EXPECT_GE(value, 8);
    SDL_GL_GetAttribute(SDL_GL_RED_SIZE, &value);
    EXPECT_GE(value, 8);

    GLint major = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    if (major >= 3) {
        GLint profile = 0;
        glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
        EXPECT_EQ(profile & GL_CONTEXT_CORE_PROFILE_BIT, 0);
    }
    // Fixed-function calls work only without a core profile.
    glMatrixMode(GL_MODELVIEW);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(DisplayTest, SetsTheProjectionAndTheInitialState) {
    ASSERT_TRUE(initWith("<config><display/></config>"));

    GLdouble projection[16] = {};
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    const double f = 1.0 / std::tan(40.0 * M_PI / 180.0);
    EXPECT_NEAR(projection[0], f / (640.0 / 480.0), 1e-5);
    EXPECT_NEAR(projection[5], f, 1e-5);
    EXPECT_NEAR(projection[10], (1000.0 + 0.1) / (0.1 - 1000.0), 1e-5);
    EXPECT_NEAR(projection[11], -1.0, 1e-9);
    EXPECT_NEAR(projection[14], 2.0 * 1000.0 * 0.1 / (0.1 - 1000.0), 1e-5);

    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLdouble modelview[16] = {};
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(modelview[i], i % 5 == 0 ? 1.0 : 0.0) << "element " << i;
    }

    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint value = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_LEQUAL);
    glGetIntegerv(GL_SHADE_MODEL, &value);
    EXPECT_EQ(value, GL_SMOOTH);
    glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &value);
    EXPECT_EQ(value, GL_NICEST);
    GLfloat clear[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[0], 0.0f);
    EXPECT_FLOAT_EQ(clear[1], 0.5f);
    EXPECT_FLOAT_EQ(clear[2], 0.9f);
    EXPECT_FLOAT_EQ(clear[3], 1.0f);
    GLdouble depth = 0;
    glGetDoublev(GL_DEPTH_CLEAR_VALUE, &depth);
    EXPECT_EQ(depth, 1.0);
}

TEST_F(DisplayTest, HeightZeroGivesAViewportHeightOfOne) {
    ASSERT_TRUE(initWith(displayConfig("<width>320</width><height>0</height>")));
    EXPECT_EQ(display->height, 1);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 320);
    EXPECT_EQ(viewport[3], 1);
    GLdouble projection[16] = {};
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    // The matrix is kept in single precision.
    EXPECT_NEAR(projection[5] / projection[0], 320.0, 1e-3);
}

TEST_F(DisplayTest, CapitalisedTrueLeavesTheWindowedDefault) {
    ASSERT_TRUE(initWith(displayConfig("<fullscreen>True</fullscreen>")));
    EXPECT_FALSE(display->fullscreen);
    EXPECT_EQ(SDL_GetWindowFlags(display->getWindow()) & SDL_WINDOW_FULLSCREEN, 0u);
}

TEST_F(DisplayTest, BuiltInConfigurationFallsBackToAWindowSilentlyAndSwapsWithVsync) {
    // The headless display offers no 640 x 480 mode, so the full-screen request is refused.
    ASSERT_TRUE(initWith(builtInConfig));
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(display->fullscreen);
    int w = 0, h = 0;
    SDL_GetWindowSize(display->getWindow(), &w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    // Mesa's EGL takes any interval; GLX under Xvfb has no swap control and keeps 0.
    if (std::string(SDL_GetCurrentVideoDriver()) == "offscreen") {
        EXPECT_EQ(SDL_GL_GetSwapInterval(), 1);
    }
}

TEST_F(DisplayTest, FullScreenTakesAModeTheDisplayOffers) {
    SDL_InitSubSystem(SDL_INIT_VIDEO);
    SDL_DisplayMode desktop;
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0) << SDL_GetError();
    const int bits = static_cast<int>(SDL_BYTESPERPIXEL(desktop.format)) * 8;
    const bool opened = initWith(displayConfig(
        "<width>" + std::to_string(desktop.w) + "</width><height>" + std::to_string(desktop.h) +
        "</height><bpp>" + std::to_string(bits) + "</bpp><fullscreen>1</fullscreen>"));
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    ASSERT_TRUE(opened);
    EXPECT_TRUE(display->fullscreen);
    EXPECT_NE(SDL_GetWindowFlags(display->getWindow()) & SDL_WINDOW_FULLSCREEN, 0u);
    int w = 0, h = 0;
    SDL_GetWindowSize(display->getWindow(), &w, &h);
    EXPECT_EQ(w, desktop.w);
    EXPECT_EQ(h, desktop.h);
}

TEST_F(DisplayTest, ReportHasTenLinesInTheLogAndOnStandardOutput) {
    ASSERT_TRUE(initWith("<config><display/></config>"));
    const std::vector<std::string> out = linesOf(stdoutText);
    ASSERT_EQ(out.size(), 12u) << stdoutText;
    const std::vector<std::string> report(out.begin() + 2, out.end());

    EXPECT_EQ(report[0], "Initializing GL extensions:");
    EXPECT_EQ(report[1], std::string("  * OpenGL version is ") +
                             reinterpret_cast<const char*>(glGetString(GL_VERSION)) + " *");
    const char* const names[] = {"ARB_vertex_program",    "ARB_texture_non_power_of_two",
                                 "ARB_fragment_program",  "ARB_texture_rectangle",
                                 "EXT_texture_rectangle", "EXT_framebuffer_object",
                                 "ARB_occlusion_query",   "ARB_vertex_buffer_object"};
    for (int i = 0; i < 8; ++i) {
        const std::string& line = report[2 + i];
        ASSERT_EQ(line.size(), 3 + std::string(names[i]).size()) << line;
        EXPECT_EQ(line.substr(0, 2), "  ");
        EXPECT_TRUE(line[2] == '+' || line[2] == '-') << line;
        EXPECT_EQ(line.substr(3), names[i]);
    }
    // llvmpipe has framebuffer objects and rectangle textures, which the renderer needs.
    EXPECT_EQ(report[5], "  +ARB_texture_rectangle");
    EXPECT_EQ(report[7], "  +EXT_framebuffer_object");

    std::string reportText;
    for (const std::string& line : report) {
        reportText += line + "\n";
    }
    EXPECT_NE(TempDir::readFile(dir.file("zem.log")).find("Initializing display\n" + reportText),
              std::string::npos);
}

TEST_F(DisplayTest, UpdateSwapsAndNeverEndsTheRun) {
    ASSERT_TRUE(initWith("<config><display/></config>"));
    EXPECT_TRUE(display->update(0.016f));
    EXPECT_TRUE(display->update(0.016f));
}

TEST_F(DisplayTest, FailedInitShowsItsBoxAndLeavesNothingToReleaseTwice) {
    // No visual has a 64-bit depth buffer, so the window cannot be created.
    EXPECT_FALSE(initWith(displayConfig("<depthbpp>64</depthbpp>")));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "ERROR");
    EXPECT_EQ(shown[0].text, "Window Creation Error.");
    EXPECT_EQ(shown[0].icon, MessageIcon::Exclamation);

    // The run goes on without a window: frames still swap (to nothing) and say go on.
    EXPECT_TRUE(display->update(0.016f));
    display->shutdown();
    display->shutdown();
    EXPECT_EQ(shown.size(), 1u);
}

TEST_F(DisplayTest, ShutdownClosesTheWindowAndCanRunAgain) {
    ASSERT_TRUE(initWith("<config><display/></config>"));
    const Uint32 windowId = SDL_GetWindowID(display->getWindow());
    display->shutdown();
    EXPECT_EQ(display->getWindow(), nullptr);
    EXPECT_EQ(SDL_GetWindowFromID(windowId), nullptr);
    display->shutdown();
    EXPECT_TRUE(shown.empty());
}

TEST_F(DisplayTest, WholeRunWritesTheLinesInOrder) {
    engine->registerDriver("input", std::make_unique<Zem::Input::Input_sdl2>());
    testing::internal::CaptureStdout();
    {
        const XmlNode config(builtInConfig);
        engine->init(config);
    }
    engine->run();
    engine->shutdown();
    engine.reset();
    const std::string out = testing::internal::GetCapturedStdout();

    const std::vector<std::string> log = linesOf(TempDir::readFile(dir.file("zem.log")));
    ASSERT_EQ(log.size(), 17u);
    EXPECT_EQ(log[0], "Created zem.log:");
    EXPECT_EQ(log[1], "Initializing Engine with working dir " + dir.path());
    EXPECT_EQ(log[2], "Initializing display");
    EXPECT_EQ(log[3], "Initializing GL extensions:");
    EXPECT_EQ(log[4].rfind("  * OpenGL version is ", 0), 0u);
    EXPECT_EQ(log[12].substr(3), "ARB_vertex_buffer_object");
    EXPECT_EQ(log[13], "Initializing input");
    EXPECT_EQ(log[14], "Engine: Entering main loop");
    EXPECT_EQ(log[15], "Shutting down Engine");
    EXPECT_EQ(log[16], "Closing log zem.log");
    // Standard output has the same lines but the first and the last.
    std::string expectedOut;
    for (std::size_t i = 1; i + 1 < log.size(); ++i) {
        expectedOut += log[i] + "\n";
    }
    EXPECT_EQ(out, expectedOut);
}

} // namespace
