#include "StillShow.h"

#include "demo/FrameStats.h"
#include "graphics/GBufferShader.h"
#include "graphics/HDRShader.h"
#include "graphics/LightShader.h"
#include "graphics/ShaderRegistry.h"
#include "graphics/StatsOverlay.h"
#include "graphics/View.h"
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
#include <functional>
#include <regex>

namespace {

namespace fs = std::filesystem;
using Pixel = std::array<int, 3>;

const char* const roomWithLights =
    "<ZEMWorld><entity type='Room' name='A'/>"
    "<entity type='Camera' name='camera'><parent>A</parent></entity>"
    "<entity type='Light' name='lamp'><parent>A</parent><radius>2</radius></entity>"
    "<entity type='Light' name='lamp2'><parent>A</parent><radius>3</radius></entity>"
    "</ZEMWorld>";

void releasePassObjects() {
    Zem::Graphics::GBufferShader::releaseSharedObjects();
    Zem::Graphics::LightShader::releaseSharedObjects();
    Zem::Graphics::HDRShader::releaseSharedObjects();
}

// A saved file, its next form, and a broken one; the probe tells the forms apart.
struct Reload {
    std::string file, world; // no world: the file is the world
    std::string first, saved, broken;
    std::function<double()> probe;
    double before, after; // what the probe says with the first and with the saved file
    std::string fault;
};

// Ombrel on a data folder of its own, with the shipped shaders, its files watched on a clock
// the test steps; the display is the size of the test's GL window, so the overlay lands on it.
class LiveReloadTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        ASSERT_TRUE(Zem::Graphics::ShaderRegistry::instance().reset());
        Zem::Resource::ResourceManager::instance().reset();
        // Programs linked by earlier tests came from other folders.
        releasePassObjects();
        fs::create_directories(dir.file("data/textures"));
        fs::copy("data/shaders", dir.file("data/shaders"));
        show.display->width = 64;
        show.display->height = 64;
    }
    void TearDown() override {
        Zem::Resource::ResourceManager::instance().reset();
        releasePassObjects();
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
    // One frame a second later: the watcher looks, then the frame is drawn. Returns what it
    // printed.
    std::string frame() {
        now += 1000;
        testing::internal::CaptureStdout();
        game.update(0.02f);
        glFinish();
        return testing::internal::GetCapturedStdout();
    }
    // A saved world, template or mesh builds the world again; a broken one is named with its
    // fault and the running world is kept.
    void expectReloads(const Reload& c);
    static Pixel pixelAt(int x, int y) {
        unsigned char rgba[4] = {};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return {rgba[0], rgba[1], rgba[2]};
    }

    ZemTest::TempDir dir;
    const fs::file_time_type base = fs::file_time_type::clock::now() - std::chrono::hours(1);
    int64_t now = 0;
    DemoTest::StillShow show{dir.path() + "/"};
    Ombrel& game = show.game;
};

TEST_F(LiveReloadTest, AnEditedShaderChangesThePictureAndABrokenOneKeepsIt) {
    const Pixel magenta{255, 0, 255};
    initWith(roomWithLights);
    // The passes load their shaders in the first frame; the next look notes their times.
    frame();
    frame();
    ASSERT_NE(pixelAt(10, 10), magenta);

    save("data/shaders/hdr_compose.glfp",
         "void main() { gl_FragColor = vec4(1.0, 0.0, 1.0, 1.0); }\n", 10);
    EXPECT_NE(frame().find("Reloaded shaders/hdr_compose.glfp"), std::string::npos);
    EXPECT_EQ(pixelAt(10, 10), magenta);

    save("data/shaders/hdr_compose.glfp",
         "void main() { gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0) }\n", 20);
    const std::string printed = frame();
    EXPECT_EQ(pixelAt(10, 10), magenta) << "the old program keeps running";
    EXPECT_NE(printed.find("error"), std::string::npos) << "the compile log: " << printed;
    EXPECT_NE(printed.find("Keeping the running shaders/hdr_compose.glfp"), std::string::npos)
        << printed;

    save("data/shaders/hdr_compose.glfp",
         "void main() { gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0); }\n", 30);
    frame();
    EXPECT_EQ(pixelAt(10, 10), (Pixel{0, 255, 0})) << "mended, it is taken again";
}

void LiveReloadTest::expectReloads(const Reload& c) {
    save("data/" + c.file, c.first, 0);
    initWith(c.world.empty() ? c.first : c.world);
    frame();
    ASSERT_EQ(c.probe(), c.before);
    save("data/" + c.file, c.saved, 10);
    frame();
    EXPECT_EQ(c.probe(), c.after) << "read anew";
    EXPECT_NE(game.currentCamera(), nullptr);

    save("data/" + c.file, c.broken, 20);
    const std::string printed = frame();
    EXPECT_NE(printed.find(c.fault), std::string::npos) << printed;
    EXPECT_NE(printed.find("Keeping the running world"), std::string::npos) << printed;
    EXPECT_EQ(c.probe(), c.after);
}

const std::string roomA = "<ZEMWorld><entity type='Room' name='A'/>"
                          "<entity type='Camera' name='camera'><parent>A</parent></entity>";

TEST_F(LiveReloadTest, ASavedWorldIsBuiltAgainAndABrokenOneKeepsTheRunningWorld) {
    std::string grown = roomWithLights;
    grown.insert(grown.rfind("</ZEMWorld>"), "<entity type='Room' name='B'/>");
    // The old entities go: B and the four of the first world would be nine.
    expectReloads(
        {"main.world", "", roomWithLights, grown, "<ZEMWorld><entity type='Room' name='C'>",
         [this] {
             return game.findEntity("B") && !game.findEntity("C") ? game.entities.size() : 0.0;
         },
         0, 5, "main.world, line 1: the text ends inside an element"});
}

TEST_F(LiveReloadTest, ASavedTemplateRebuildsTheWorldAndABrokenOneIsKeptOut) {
    expectReloads({"lamp.template",
                   roomA + "<entity type='Light' name='lamp'><template>lamp.template</template>"
                           "<parent>A</parent></entity></ZEMWorld>",
                   "<template><radius>2</radius></template>",
                   "<template><radius>5</radius></template>",
                   "<template>\n<radius>7</radiu>\n</template>\n",
                   [this] {
                       const Zem::Main::Entity* lamp = game.findEntity("lamp");
                       return lamp != nullptr ? lamp->radius : -1.0;
                   },
                   2, 5, "lamp.template, line 2: an element is closed by an end tag"});
}

TEST_F(LiveReloadTest, ASavedMeshIsReadAgainAndABrokenOneIsKeptOut) {
    const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\n"
                                 "vn 0 0 1\ng one\nf 1/1/1 2/2/1 3/3/1\n";
    expectReloads({"thing.obj",
                   roomA + "<entity type='Entity' name='thing'><model>thing.obj</model>"
                           "<parent>A</parent></entity></ZEMWorld>",
                   triangle, triangle + "g two\nf 3/3/1 2/2/1 1/1/1\n",
                   triangle + "g three\nf 1/1/1 2/2/1 9/3/1\n",
                   [this] {
                       const Zem::Main::Entity* thing = game.findEntity("thing");
                       return thing && thing->model ? thing->model->groups.size() : 0.0;
                   },
                   1, 2, "Unable to load thing.obj"});
}

// The frame's counts, the overlay in the top-left corner, and a report once a second.
TEST_F(LiveReloadTest, StatsCountTheFrameDrawTheOverlayAndReportOnceASecond) {
    initWith(roomWithLights, true);
    frame();
    ASSERT_NE(game.frameStats(), nullptr);
    EXPECT_EQ(game.frameStats()->viewsDrawn(), 1);
    EXPECT_EQ(game.frameStats()->lightsDrawn(), 2);
    // Some of the panel's dots are lit, the rest of the frame is not touched.
    const auto lit = [](int x, int y) {
        const Pixel p = pixelAt(x, y);
        return p[0] > 200 && p[1] > 180 && p[2] < 120;
    };
    int litDots = 0;
    for (int y = 64 - Zem::Graphics::StatsOverlay::panelHeight({"", "", "", ""}); y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            litDots += lit(x, y) ? 1 : 0;
        }
    }
    EXPECT_GT(litDots, 20);
    EXPECT_FALSE(lit(60, 2));

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
    EXPECT_EQ(FrameStats::line(FrameStats::Report()),
              "fps 0.0  frame 0.0 ms  gbuffer -  light -  hdr -  views 0  lights 0  show 0.00 s");
}

} // namespace
