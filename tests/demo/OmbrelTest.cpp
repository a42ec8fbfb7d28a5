#include "StillShow.h"

#include "app/FrameStats.h"
#include "app/LivePlay.h"
#include "app/StatsOverlay.h"
#include "graphics/GBufferShader.h"
#include "graphics/HDRShader.h"
#include "graphics/LightShader.h"
#include "graphics/ShaderRegistry.h"
#include "graphics/View.h"
#include "main/Camera.h"
#include "main/Entity.h"
#include "main/EntityFactory.h"
#include "main/Room.h"
#include "resource/Mesh.h"
#include "resource/ResourceManager.h"
#include "resource/XmlNode.h"
#include "support/DeferredScene.h"
#include "support/GLContext.h"
#include "support/TempDir.h"
#include "support/ReportRecorder.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using Pixel = std::array<int, 3>;
using Zem::Main::currentGame;

namespace {

Names updated;

// Logs its updates; "spawner" builds "spawned" on its first.
template <class Base> class Probe : public Base {
public:
    using Base::Base;
    void update(float) override {
        updated.push_back(this->name);
        if (this->name == "spawner" && !currentGame->findEntity("spawned")) {
            currentGame->createEntity("Probe", Zem::Resource::XmlNode("<entity name='spawned'/>"));
        }
    }
};

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

// Ombrel on a data folder of its own, with the shipped shaders and the probes, its files
// watched on a clock the test steps; the display is the size of the test's GL window, so the
// overlay lands on it.
class OmbrelTest : public ZemTest::GLTest {
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
        using namespace Zem::Main;
        game.registerFactory("Probe", std::make_unique<EntityFactoryOf<Probe<BaseEntity>>>());
        game.registerFactory("ProbeCamera", std::make_unique<EntityFactoryOf<Probe<Camera>>>());
    }
    void TearDown() override {
        Zem::Resource::ResourceManager::instance().reset();
        releasePassObjects();
    }

    void initWith(const std::string& world, bool stats = false) {
        save("data/main.world", world, 0);
        Zem::App::PlayerOptions options;
        options.stats = stats;
        ASSERT_TRUE(game.init());
        live = std::make_unique<Zem::App::LivePlay>(game, options, [this] { return now; });
        live->begin();
    }
    // Writes the file with a modification time `seconds` after the test's base time, so a
    // save is told apart without waiting for the file system's clock.
    void save(const std::string& name, const std::string& text, int seconds) {
        std::ofstream(dir.file(name), std::ios::binary) << text;
        fs::last_write_time(dir.file(name), base + std::chrono::seconds(seconds));
    }
    // One frame a second later: drawn, then the player's turn (stats, keys, the watcher). Returns
    // what it printed; the probes updated are in `updated`.
    std::string frame() {
        now += 1000;
        updated.clear();
        ZemTest::captureReports();
        goOn = game.update(0.02f);
        if (live) {
            goOn = live->afterTurn(show.input, show.display) && goOn;
        }
        glFinish();
        return ZemTest::takeReports();
    }
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
    std::unique_ptr<Zem::App::LivePlay> live;
    bool goOn = false;
};

const char* const twoRooms =
    "<ZEMWorld><entity type='Room' name='A'/><entity type='Room' name='B'/>"
    "<entity type='ProbeCamera' name='camera'><parent>A</parent></entity>"
    "<entity type='Probe' name='inA'><parent>A</parent></entity>"
    "<entity type='Probe' name='inB'><parent>B</parent></entity>"
    "<entity type='Probe' name='spawner'/>"
    "<entity type='ProbeCamera' name='other'><parent>B</parent></entity></ZEMWorld>";

TEST_F(OmbrelTest, FramesUpdateTheCameraThenWhatItReachesUntilEscapeCloseOrExit) {
    initWith(twoRooms);
    // B is out of the camera's reach; "spawned" is built during the walk and updated with it.
    frame();
    EXPECT_EQ(updated, (Names{"camera", "inA", "spawner", "spawned"}));
    game.makeCameraCurrent(dynamic_cast<Zem::Main::Camera*>(game.findEntity("other")));
    frame();
    EXPECT_EQ(updated, (Names{"other", "inB", "spawner", "spawned"}));
    EXPECT_TRUE(goOn);
    SCOPED_TRACE("Escape, a close request or the script's exit end the run after the updates");
    show.input->keys[27] = 1.0f;
    frame();
    EXPECT_EQ(updated.size(), 4u);
    EXPECT_FALSE(goOn);
    show.input->keys[27] = 0.0f;
    show.input->closeRequested = true;
    frame();
    EXPECT_FALSE(goOn);
    show.input->closeRequested = false;
    game.requestExit();
    frame();
    EXPECT_FALSE(goOn);
}

TEST_F(OmbrelTest, EveryFrameTellsThePassesTheDisplaysSize) {
    initWith(twoRooms);
    const auto& registry = Zem::Graphics::ShaderRegistry::instance();
    for (const auto& [w, h] : {std::pair{320, 240}, std::pair{1024, 576}}) {
        show.display->width = w;
        show.display->height = h;
        frame();
        EXPECT_EQ(w, registry.frameWidth());
        EXPECT_EQ(h, registry.frameHeight());
    }
}

TEST_F(OmbrelTest, AMissingWorldLeavesAnEmptySceneThatRuns) {
    ASSERT_TRUE(game.init());
    EXPECT_TRUE(game.entities.empty());
    frame();
    EXPECT_TRUE(goOn);
}

// A saved shader is taken at once; a saved world, template or mesh builds the world again.
// A broken one is named with its fault and what runs is kept until it is mended.
TEST_F(OmbrelTest, SavedFilesAreTakenAndBrokenOnesKeepWhatRuns) {
    const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\n"
                                 "vn 0 0 1\ng one\nf 1/1/1 2/2/1 3/3/1\n";
    const std::string world =
        "<ZEMWorld><entity type='Room' name='A'/>"
        "<entity type='Camera' name='camera'><parent>A</parent></entity>"
        "<entity type='Light' name='lamp'><template>lamp.template</template><parent>A</parent>"
        "</entity><entity type='Entity' name='thing'><model>thing.obj</model><parent>A</parent>"
        "</entity>";
    const std::string grown = world + "<entity type='Room' name='B'/></ZEMWorld>";
    const std::string shader = "shaders/hdr_compose.glfp", keeping = "Keeping the running world";
    const std::string compose = "void main() { gl_FragColor = vec4(";
    save("data/lamp.template", "<template><radius>2</radius></template>", 0);
    save("data/thing.obj", triangle, 0);
    initWith(world + "</ZEMWorld>");
    // The count of entities (the old ones go) and whether B is one, the lamp's radius from its
    // template, the thing's mesh groups, and the colour the compose shader leaves.
    const auto state = [this] {
        const Zem::Main::Entity* lamp = game.findEntity("lamp");
        const Zem::Main::Entity* thing = game.findEntity("thing");
        const Pixel p = pixelAt(10, 10);
        std::ostringstream out;
        out << game.entities.size() << (game.findEntity("B") ? "B" : "") << " r"
            << (lamp != nullptr ? lamp->radius : -1.0f) << " g"
            << (thing && thing->model ? thing->model->groups.size() : 0u) << " "
            << (p == Pixel{255, 0, 255} ? "magenta"
                : p == Pixel{0, 255, 0} ? "green"
                                        : "drawn");
        return out.str();
    };
    // The passes load their shaders in the first frame; the next look notes their times.
    frame();
    frame();
    ASSERT_EQ(state(), "4 r2 g1 drawn");
    const struct {
        std::string file, text, state, said = "", alsoSaid = ""; // what the frame printed
    } saves[] = {
        {shader, compose + "1.0, 0.0, 1.0, 1.0); }\n", "4 r2 g1 magenta", "Reloaded " + shader},
        {shader, compose + "0.0, 1.0, 0.0, 1.0) }\n", "4 r2 g1 magenta", "error",
         "Keeping the running " + shader},
        {shader, compose + "0.0, 1.0, 0.0, 1.0); }\n", "4 r2 g1 green"},
        {"main.world", grown, "5B r2 g1 green"},
        {"main.world", "<ZEMWorld><entity type='Room' name='C'>", "5B r2 g1 green",
         "main.world, line 1: the text ends inside an element", keeping},
        {"main.world", grown, "5B r2 g1 green"},
        {"lamp.template", "<template><radius>5</radius></template>", "5B r5 g1 green"},
        {"lamp.template", "<template>\n<radius>7</radiu>\n</template>\n", "5B r5 g1 green",
         "lamp.template, line 2: an element is closed by an end tag", keeping},
        {"lamp.template", "<template><radius>5</radius></template>", "5B r5 g1 green"},
        {"thing.obj", triangle + "g two\nf 3/3/1 2/2/1 1/1/1\n", "5B r5 g2 green"},
        {"thing.obj", triangle + "g three\nf 1/1/1 2/2/1 9/3/1\n", "5B r5 g2 green",
         "Unable to load thing.obj", keeping},
    };
    int seconds = 0;
    for (const auto& s : saves) {
        SCOPED_TRACE(s.file + ": " + s.text);
        save("data/" + s.file, s.text, seconds += 10);
        // The save is taken after one frame and drawn in the next.
        const std::string printed = frame() + frame();
        EXPECT_EQ(state(), s.state);
        EXPECT_NE(game.currentCamera(), nullptr);
        EXPECT_NE(printed.find(s.said), std::string::npos) << printed;
        EXPECT_NE(printed.find(s.alsoSaid), std::string::npos) << printed;
    }
}

TEST_F(OmbrelTest, StatsCountTheFrameDrawTheOverlayAndReportOnceASecond) {
    initWith(roomWithLights, true);
    frame();
    ASSERT_NE(live->frameStats(), nullptr);
    EXPECT_EQ(live->frameStats()->viewsDrawn(), 1);
    EXPECT_EQ(live->frameStats()->lightsDrawn(), 2);
    // Some of the panel's dots are lit, the rest of the frame is not touched.
    const auto lit = [](int x, int y) {
        const Pixel p = pixelAt(x, y);
        return p[0] > 200 && p[1] > 180 && p[2] < 120;
    };
    int litDots = 0;
    for (int y = 64 - Zem::App::StatsOverlay::panelHeight({"", "", "", ""}); y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            litDots += lit(x, y) ? 1 : 0;
        }
    }
    EXPECT_GT(litDots, 20);
    EXPECT_FALSE(lit(60, 2));

    double wall = 0.0;
    Zem::App::FrameStats stats([&wall] { return wall; });
    Zem::Graphics::View root;
    for (int i = 0; i < 4; ++i) {
        Zem::Graphics::renderFrame(game, root, &stats);
        wall += 250.0;
        EXPECT_EQ(stats.frameDone(1.5), i == 3) << "frame " << i;
    }
    const Zem::App::FrameStats::Report& report = stats.report();
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
    EXPECT_TRUE(std::regex_match(Zem::App::FrameStats::line(report), format))
        << Zem::App::FrameStats::line(report);
    EXPECT_EQ(Zem::App::FrameStats::line(Zem::App::FrameStats::Report()),
              "fps 0.0  frame 0.0 ms  gbuffer -  light -  hdr -  views 0  lights 0  show 0.00 s");
}

// Moves the current camera along z by `step` in its update, as an interpolator would: after the
// portals have had their own update in this frame.
float step = 0.0f;
class Walker : public Zem::Main::BaseEntity {
public:
    using BaseEntity::BaseEntity;
    void update(float) override {
        Zem::Main::Camera* camera = Zem::Main::currentGame->currentCamera();
        camera->setChannel(2, camera->getChannel(2) + step);
    }
};

// The shipped hall and vault joined by their doorway (x -1..1, 2.5 high, in the wall at z = -5),
// a lamp in each room, and the walker last.
const char* const doorwayWorld =
    "<ZEMWorld><entity type='Room' name='hall'><model>room_a.obj</model></entity>"
    "<entity type='Room' name='vault'><model>room_b.obj</model></entity>"
    "<entity type='Camera' name='camera'><parent>hall</parent><position>0 1.6 3</position>"
    "</entity>"
    "<entity type='Portal' name='vault_side'><parent>vault</parent><position>0 0 -5</position>"
    "</entity>"
    "<entity type='Portal' name='hall_side'><parent>hall</parent><position>0 0 -5</position>"
    "<rotation>0 180 0</rotation></entity>"
    "<entity type='Portal' name='door_hall'><parent>hall</parent><model>doorway.obj</model>"
    "<position>0 0 -5</position><radius>2.7</radius><camera><bind>vault_side</bind></camera>"
    "<triggerplane><v>-1 0 0</v><v>1 0 0</v><v>-1 2.5 0</v></triggerplane></entity>"
    "<entity type='Portal' name='door_vault'><parent>vault</parent><model>doorway.obj</model>"
    "<position>0 0 -5</position><rotation>0 180 0</rotation><radius>2.7</radius>"
    "<camera><bind>hall_side</bind></camera>"
    "<triggerplane><v>-1 0 0</v><v>1 0 0</v><v>-1 2.5 0</v></triggerplane></entity>"
    "<entity type='Light' name='lamp_hall'><parent>hall</parent><position>0 3 0</position>"
    "<radius>7</radius><color>0.25 0.25 0.25</color></entity>"
    "<entity type='Light' name='lamp_vault'><parent>vault</parent><position>0 2.5 -11</position>"
    "<radius>7</radius><color>0.25 0.25 0.25</color></entity>"
    "<entity type='Walker' name='walker'/></ZEMWorld>";

// The vault drawn from behind the hall's wall is exactly 0; either room lit is about 0.02..0.09.
constexpr float nearBlack = 0.005f;

class DoorwayTest : public ZemTest::DeferredTest {
protected:
    void SetUp() override {
        DeferredTest::SetUp();
        DemoTest::shippedDataWithWorld(dir, doorwayWorld);
        // Ombrel searches its own paths only.
        Zem::Resource::ResourceManager::instance().reset();
        game.registerFactory("Walker", std::make_unique<Zem::Main::EntityFactoryOf<Walker>>());
        ASSERT_TRUE(game.init());
        ASSERT_NE(game.currentCamera(), nullptr);
    }

    // Mean of the frame's light image (what the compose tone-maps onto the screen).
    static float meanLight() {
        const std::vector<float> image =
            readTexture(Zem::Graphics::LightShader::sharedObjects().lightTarget, 640, 480);
        double sum = 0.0;
        for (std::size_t i = 0; i < image.size(); i += 4) {
            sum += (image[i] + image[i + 1] + image[i + 2]) / 3.0;
        }
        return static_cast<float>(sum / (image.size() / 4));
    }
    std::string roomOfCamera() {
        const Zem::Main::Entity* room = game.currentCamera()->room;
        return room == game.findEntity("hall")    ? "hall"
               : room == game.findEntity("vault") ? "vault"
                                                  : "?";
    }

    ZemTest::TempDir dir;
    DemoTest::StillShow show{dir.path() + "/"};
    Ombrel& game = show.game;
};

TEST_F(DoorwayTest, ACameraFiveUnitsAFrameWalksThroughBothWaysAndTheNextFrameShowsTheNewRoom) {
    // z 3 -> -2 -> -7: no frame finds it near the doorway's plane, yet its path goes through.
    step = -5.0f;
    ASSERT_TRUE(game.update(0.05f));
    ASSERT_TRUE(game.update(0.05f));
    const float hallLight = meanLight();
    EXPECT_EQ(roomOfCamera(), "vault") << "carried in the frame it passed the opening";
    EXPECT_NEAR(game.currentCamera()->position.z, -7.0f, 1e-4f);

    step = 5.0f;
    ASSERT_TRUE(game.update(0.05f));
    const float vaultLight = meanLight();
    EXPECT_GT(hallLight, nearBlack);
    EXPECT_GT(vaultLight, nearBlack) << "drawn from the vault, not from behind the hall's wall";
    EXPECT_EQ(roomOfCamera(), "hall") << "and back through the same doorway";

    ASSERT_TRUE(game.update(0.05f));
    EXPECT_GT(meanLight(), nearBlack);
    EXPECT_EQ(roomOfCamera(), "hall");

    SCOPED_TRACE("a path that misses the opening carries nothing");
    game.currentCamera()->setChannel(0, 3.0f); // beside the doorway, x 1..5 is wall
    step = -5.0f;
    game.update(0.05f);
    game.update(0.05f);
    EXPECT_EQ(roomOfCamera(), "hall");
}

} // namespace
