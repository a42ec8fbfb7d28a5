#include "demo/FrameStats.h"
#include "demo/Ombrel.h"

#include "graphics/DisplayBase.h"
#include "graphics/GBufferShader.h"
#include "graphics/HDRShader.h"
#include "graphics/LightShader.h"
#include "graphics/ShaderRegistry.h"
#include "graphics/StatsOverlay.h"
#include "graphics/View.h"
#include "input/InputBase.h"
#include "main/Engine.h"
#include "main/Entity.h"
#include "resource/Mesh.h"
#include "resource/ResourceManager.h"
#include "support/GLContext.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>

namespace {

namespace fs = std::filesystem;
using Pixel = std::array<int, 3>;

class FakeInput : public Zem::Input::InputBase {
public:
    bool update(float) override { return true; }
};

// The size of the test's GL window, so the overlay lands on it.
class FakeDisplay : public Zem::Graphics::DisplayBase {
public:
    FakeDisplay() {
        width = 64;
        height = 64;
    }
    bool update(float) override { return true; }
    void swapBuffers() override {}
};

const char* const roomWithLights =
    "<ZEMWorld><entity type='Room' name='A'/>"
    "<entity type='Camera' name='camera'><parent>A</parent></entity>"
    "<entity type='Light' name='lamp'><parent>A</parent><radius>2</radius></entity>"
    "<entity type='Light' name='lamp2'><parent>A</parent><radius>3</radius></entity>"
    "</ZEMWorld>";

const char* const magenta = "void main() { gl_FragColor = vec4(1.0, 0.0, 1.0, 1.0); }\n";
const char* const green = "void main() { gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0); }\n";
const char* const broken = "void main() { gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0) }\n";

// Ombrel on a data folder of its own, with the shipped shaders, its files watched on a clock
// the test steps.
class LiveReloadTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        ASSERT_TRUE(Zem::Graphics::ShaderRegistry::instance().reset());
        Zem::Resource::ResourceManager::instance().reset();
        // Programs linked by earlier tests came from other folders.
        Zem::Graphics::GBufferShader::releaseSharedObjects();
        Zem::Graphics::LightShader::releaseSharedObjects();
        Zem::Graphics::HDRShader::releaseSharedObjects();
        fs::create_directories(dir.file("data/textures"));
        fs::copy("data/shaders", dir.file("data/shaders"));
        engine.registerDriver("input", std::make_unique<FakeInput>());
        engine.registerDriver("display", std::make_unique<FakeDisplay>());
        engine.setWorkingDir(dir.path() + "/");
        game.engine = &engine;
        engine.setGame(&game);
    }
    void TearDown() override {
        Zem::Resource::ResourceManager::instance().reset();
        Zem::Graphics::GBufferShader::releaseSharedObjects();
        Zem::Graphics::LightShader::releaseSharedObjects();
        Zem::Graphics::HDRShader::releaseSharedObjects();
    }

    void initWith(const std::string& world, bool stats = false) {
        save("data/main.world", world, 0);
        DemoOptions options;
        options.stats = stats;
        game.useOptions(options);
        ASSERT_TRUE(game.init());
        game.watchFiles([this] { return now; });
    }
    // Writes the file with a modification time `seconds` after the test's base time, so a
    // save is told apart without waiting for the file system's clock.
    void save(const std::string& name, const std::string& text, int seconds) {
        std::ofstream(dir.file(name), std::ios::binary) << text;
        fs::last_write_time(dir.file(name), base + std::chrono::seconds(seconds));
    }
    // One frame a second later: the watcher looks, then the frame is drawn.
    void frame() {
        now += 1000;
        game.update(0.02f);
        glFinish();
    }
    static Pixel pixelAt(int x, int y) {
        unsigned char rgba[4] = {};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return {rgba[0], rgba[1], rgba[2]};
    }

    ZemTest::TempDir dir;
    const fs::file_time_type base = fs::file_time_type::clock::now() - std::chrono::hours(1);
    int64_t now = 0;
    Zem::Main::Engine engine;
    Ombrel game;
};

TEST_F(LiveReloadTest, AnEditedShaderChangesThePictureAndABrokenOneKeepsIt) {
    initWith(roomWithLights);
    // The passes load their shaders in the first frame; the next look notes their times.
    frame();
    frame();
    const Pixel before = pixelAt(10, 10);
    ASSERT_NE(before, (Pixel{255, 0, 255}));

    save("data/shaders/hdr_compose.glfp", magenta, 10);
    testing::internal::CaptureStdout();
    frame();
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Reloaded shaders/hdr_compose.glfp"),
              std::string::npos);
    EXPECT_EQ(pixelAt(10, 10), (Pixel{255, 0, 255}));

    save("data/shaders/hdr_compose.glfp", broken, 20);
    testing::internal::CaptureStdout();
    frame();
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(pixelAt(10, 10), (Pixel{255, 0, 255})) << "the old program keeps running";
    EXPECT_NE(printed.find("error"), std::string::npos) << "the compile log: " << printed;
    EXPECT_NE(printed.find("Keeping the running shaders/hdr_compose.glfp"), std::string::npos)
        << printed;

    save("data/shaders/hdr_compose.glfp", green, 30);
    frame();
    EXPECT_EQ(pixelAt(10, 10), (Pixel{0, 255, 0})) << "mended, it is taken again";
}

TEST_F(LiveReloadTest, ASavedWorldIsBuiltAgainAndABrokenOneKeepsTheRunningWorld) {
    initWith(roomWithLights);
    frame();
    const Zem::Main::Entity* oldLamp = game.findEntity("lamp");
    ASSERT_NE(oldLamp, nullptr);

    const std::string grown = std::string(roomWithLights)
                                  .insert(std::string(roomWithLights).rfind("</ZEMWorld>"),
                                          "<entity type='Room' name='B'/>");
    save("data/main.world", grown, 10);
    frame();
    EXPECT_NE(game.findEntity("B"), nullptr);
    EXPECT_NE(game.currentCamera(), nullptr);
    EXPECT_EQ(game.entities.size(), 5u) << "the old entities are gone";

    save("data/main.world", "<ZEMWorld><entity type='Room' name='C'>", 20);
    testing::internal::CaptureStdout();
    frame();
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("main.world, line 1: the text ends inside an element"),
              std::string::npos)
        << printed;
    EXPECT_NE(printed.find("Keeping the running world"), std::string::npos) << printed;
    EXPECT_NE(game.findEntity("B"), nullptr);
    EXPECT_EQ(game.findEntity("C"), nullptr);
}

TEST_F(LiveReloadTest, ASavedTemplateRebuildsTheWorldAndABrokenOneIsKeptOut) {
    save("data/lamp.template", "<template><radius>2</radius></template>", 0);
    initWith("<ZEMWorld><entity type='Room' name='A'/>"
             "<entity type='Camera' name='camera'><parent>A</parent></entity>"
             "<entity type='Light' name='lamp'><template>lamp.template</template>"
             "<parent>A</parent></entity></ZEMWorld>");
    frame();
    const auto radius = [this] {
        const Zem::Main::Entity* lamp = game.findEntity("lamp");
        return lamp != nullptr ? lamp->radius : -1.0f;
    };
    ASSERT_EQ(radius(), 2.0f);
    save("data/lamp.template", "<template><radius>5</radius></template>", 10);
    frame();
    EXPECT_EQ(radius(), 5.0f) << "the template was read anew";

    save("data/lamp.template", "<template>\n<radius>7</radiu>\n</template>\n", 20);
    testing::internal::CaptureStdout();
    frame();
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("lamp.template, line 2: an element is closed by an end tag"),
              std::string::npos)
        << printed;
    EXPECT_NE(printed.find("Keeping the running world"), std::string::npos) << printed;
    EXPECT_EQ(radius(), 5.0f);
}

TEST_F(LiveReloadTest, ASavedMeshIsReadAgainAndABrokenOneIsKeptOut) {
    const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\n"
                                 "vn 0 0 1\ng one\nf 1/1/1 2/2/1 3/3/1\n";
    save("data/thing.obj", triangle, 0);
    initWith("<ZEMWorld><entity type='Room' name='A'/>"
             "<entity type='Camera' name='camera'><parent>A</parent></entity>"
             "<entity type='Entity' name='thing'><model>thing.obj</model><parent>A</parent>"
             "</entity></ZEMWorld>");
    frame();
    const auto groups = [this] {
        const Zem::Main::Entity* thing = game.findEntity("thing");
        return thing != nullptr && thing->model != nullptr ? thing->model->groups.size() : 0u;
    };
    ASSERT_EQ(groups(), 1u);
    save("data/thing.obj", triangle + "g two\nf 3/3/1 2/2/1 1/1/1\n", 10);
    frame();
    EXPECT_EQ(groups(), 2u) << "the mesh was read anew";

    save("data/thing.obj", triangle + "g three\nf 1/1/1 2/2/1 9/3/1\n", 20);
    testing::internal::CaptureStdout();
    frame();
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("Unable to load thing.obj"), std::string::npos) << printed;
    EXPECT_NE(printed.find("Keeping the running world"), std::string::npos) << printed;
    EXPECT_EQ(groups(), 2u);
}

TEST_F(LiveReloadTest, StatsCountTheFrameAndTheOverlayDrawsInTheCorner) {
    initWith(roomWithLights, true);
    frame();
    ASSERT_NE(game.frameStats(), nullptr);
    EXPECT_EQ(game.frameStats()->viewsDrawn(), 1);
    EXPECT_EQ(game.frameStats()->lightsDrawn(), 2);

    // The overlay's panel is in the top-left corner: some of its dots are lit, the rest of the
    // frame is not touched.
    const int panelHeight = Zem::Graphics::StatsOverlay::panelHeight({"", "", "", ""});
    int lit = 0;
    for (int y = 64 - panelHeight; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const Pixel p = pixelAt(x, y);
            lit += p[0] > 200 && p[1] > 180 && p[2] < 120 ? 1 : 0;
        }
    }
    EXPECT_GT(lit, 20);
    const Pixel outside = pixelAt(60, 2);
    EXPECT_FALSE(outside[0] > 200 && outside[1] > 180 && outside[2] < 120);
}

TEST_F(LiveReloadTest, StatsReportOnceASecondWithTimedPasses) {
    initWith(roomWithLights);
    double wall = 0.0;
    FrameStats stats([&wall] { return wall; });
    Zem::Graphics::View root;
    for (int i = 0; i < 4; ++i) {
        Zem::Graphics::renderFrame(game, root, &stats);
        wall += 250.0;
        EXPECT_EQ(stats.frameDone(1.5), i == 3) << "frame " << i;
    }
    const FrameStats::Report& report = stats.report();
    EXPECT_DOUBLE_EQ(report.framesPerSecond, 4.0);
    EXPECT_DOUBLE_EQ(report.frameMs, 250.0);
    EXPECT_EQ(report.views, 1);
    EXPECT_EQ(report.lights, 2);
    if (Zem::Graphics::PassTimer::available()) {
        for (double ms : report.passMs) {
            EXPECT_GE(ms, 0.0);
        }
    }
    const std::regex format("fps [0-9]+\\.[0-9]  frame [0-9]+\\.[0-9] ms  gbuffer ([0-9.]+ ms|-)"
                            "  light ([0-9.]+ ms|-)  hdr ([0-9.]+ ms|-)  views 1  lights 2  "
                            "show 1\\.50 s");
    EXPECT_TRUE(std::regex_match(FrameStats::line(report), format)) << FrameStats::line(report);
    FrameStats::Report untimed;
    EXPECT_EQ(FrameStats::line(untimed), "fps 0.0  frame 0.0 ms  gbuffer -  light -  hdr -  "
                                         "views 0  lights 0  show 0.00 s");
}

} // namespace
