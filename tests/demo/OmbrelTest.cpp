#include "demo/Ombrel.h"
#include "graphics/GBufferShader.h"
#include "graphics/HDRShader.h"
#include "graphics/LightShader.h"
#include "graphics/Matrix4.h"
#include "graphics/RenderObserver.h"
#include "graphics/ShaderRegistry.h"
#include "main/BaseEntity.h"
#include "main/Camera.h"
#include "main/EntityFactory.h"
#include "main/Room.h"
#include "resource/ResourceManager.h"
#include "resource/XmlNode.h"
#include "script/SilentMusic.h"
#include "support/DeferredScene.h"
#include "support/FolderShowTest.h"
#include "support/GLContext.h"
#include "support/PngFile.h"
#include "support/ReportRecorder.h"
#include "support/StillShow.h"
#include "support/TempDir.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using Names = std::vector<std::string>;
using Zem::Main::currentGame;
using Zem::Resource::XmlNode;

namespace {

Names updated;
Names drawn;

// Logs its updates and draws; "spawner" builds "spawned" on its first update.
template <class Base> class Probe : public Base {
public:
    using Base::Base;
    void draw() override { drawn.push_back(this->name); }
    void update(float) override {
        updated.push_back(this->name);
        if (this->name == "spawner" && !currentGame->findEntity("spawned")) {
            currentGame->createEntity("Probe", XmlNode("<entity name='spawned'/>"));
        }
    }
};

// Room B is out of the camera's reach; "spawned" is built during the walk of the first frame.
const char* const twoRooms =
    "<ZEMWorld><entity type='Room' name='A'/><entity type='Room' name='B'/>"
    "<entity type='ProbeCamera' name='camera'><parent>A</parent></entity>"
    "<entity type='Probe' name='inA'><parent>A</parent></entity>"
    "<entity type='Probe' name='inB'><parent>B</parent></entity>"
    "<entity type='Probe' name='spawner'/>"
    "<entity type='ProbeCamera' name='other'><parent>B</parent></entity></ZEMWorld>";

// Ombrel on a data folder of its own, with the shipped shaders and the probes.
class OmbrelTest : public ZemTest::FolderShowTest {
protected:
    void SetUp() override {
        FolderShowTest::SetUp();
        using namespace Zem::Main;
        game.registerFactory("Probe", std::make_unique<EntityFactoryOf<Probe<BaseEntity>>>());
        game.registerFactory("ProbeCamera", std::make_unique<EntityFactoryOf<Probe<Camera>>>());
    }
    void initWith(const std::string& world) {
        save("data/main.world", world, 0);
        ASSERT_TRUE(game.init());
    }
    // Whether the run goes on after one frame; the probes updated are in `updated`.
    bool frame() {
        updated.clear();
        return game.update(0.02f);
    }
};

TEST_F(OmbrelTest, AFrameUpdatesTheCurrentCameraFirstThenWhatItReaches) {
    initWith(twoRooms);
    frame();
    EXPECT_EQ(updated, (Names{"camera", "inA", "spawner", "spawned"}));
}

TEST_F(OmbrelTest, TheCameraMadeCurrentDecidesWhatAFrameUpdates) {
    initWith(twoRooms);
    game.makeCameraCurrent(dynamic_cast<Zem::Main::Camera*>(game.findEntity("other")));
    frame();
    EXPECT_EQ(updated, (Names{"other", "inB", "spawner", "spawned"}));
}

TEST_F(OmbrelTest, EscapeEndsTheRunAfterTheFramesUpdates) {
    initWith(twoRooms);
    ASSERT_TRUE(frame());
    show.input->keys[27] = 1.0f;
    EXPECT_FALSE(frame());
    EXPECT_EQ(updated.size(), 4u);
}

TEST_F(OmbrelTest, ClosingTheWindowEndsTheRun) {
    initWith(twoRooms);
    show.input->closeRequested = true;
    EXPECT_FALSE(frame());
}

TEST_F(OmbrelTest, TheScriptsExitEndsTheRun) {
    initWith(twoRooms);
    game.requestExit();
    EXPECT_FALSE(frame());
}

TEST_F(OmbrelTest, EveryFrameTellsThePassesTheDisplaysSize) {
    initWith(twoRooms);
    const auto& registry = Zem::Graphics::ShaderRegistry::instance();
    for (const auto& [w, h] : {std::pair{320, 240}, std::pair{1024, 576}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        show.display->width = w;
        show.display->height = h;
        frame();
        EXPECT_EQ(w, registry.frameWidth());
        EXPECT_EQ(h, registry.frameHeight());
    }
}

// Programs are built on first use: every camera's view is drawn once before the show starts.
TEST_F(OmbrelTest, BeforeTheFirstFrameARoomOnlyTheOtherCameraSeesHasBeenDrawn) {
    drawn.clear();
    initWith("<ZEMWorld><entity type='Room' name='A'/><entity type='Room' name='B'/>"
             "<entity type='Camera' name='camera'><parent>A</parent></entity>"
             "<entity type='Camera' name='other'><parent>B</parent></entity>"
             "<entity type='Probe' name='inB'><parent>B</parent><position>0 0 -3</position>"
             "<radius>1</radius></entity></ZEMWorld>");
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), "inB"), drawn.end());
}

// The show's first frame adapts the eye from nothing, as it would without the frames before it.
TEST_F(OmbrelTest, AfterTheFramesBeforeTheShowTheEyeIsUnadapted) {
    initWith(twoRooms);
    for (int level : {5, 6}) {
        const Zem::Graphics::HDRShader::Target& target =
            Zem::Graphics::HDRShader::sharedObjects().levels[static_cast<std::size_t>(level)];
        float adapted[4] = {-1.0f, -1.0f, -1.0f, -1.0f};
        glBindTexture(GL_TEXTURE_RECTANGLE_ARB, target.texture);
        glGetTexImage(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGBA, GL_FLOAT, adapted);
        glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
        EXPECT_EQ(0.0f, adapted[0]) << level;
    }
}

TEST_F(OmbrelTest, AMissingWorldLeavesAnEmptySceneThatRuns) {
    ZemTest::reportedBy([this] { ASSERT_TRUE(game.init()); });
    EXPECT_TRUE(game.entities.empty());
    EXPECT_TRUE(frame());
}

// The shipped show on a silent clock the test moves by hand.
class ShippedShow : public ZemTest::StillShow {
public:
    explicit ShippedShow(const ShowFiles& files = ShowFiles()) : StillShow("./") {
        Zem::Graphics::ShaderRegistry::instance().reset();
        Zem::Resource::ResourceManager::instance().reset();
        game.useFiles(files);
        game.useMusic([this] { return std::make_unique<SilentMusic>([this] { return nowMs; }); });
        ok = game.init();
    }
    ~ShippedShow() { Zem::Resource::ResourceManager::instance().reset(); }

    // Every entity's place: what a jump must bring back.
    std::vector<Zem::Graphics::Matrix4> state() const {
        std::vector<Zem::Graphics::Matrix4> places;
        for (auto* entity : game.entities) {
            if (auto* placed = dynamic_cast<Zem::Main::BaseEntity*>(entity)) {
                places.push_back(placed->getWorldMatrix());
            }
        }
        return places;
    }

    double nowMs = 0.0;
    bool ok = false;
};

// 30 s of the shipped show, moving effects included, as playing at 60 frames a second leaves
// them; a jump must leave the world the same whichever way it gets there.
class OmbrelSeekTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        const double step = 1000.0 / 60.0;
        ShippedShow show;
        ASSERT_TRUE(show.ok);
        // The music starts at 0, as a jump starts it.
        show.game.scriptMaster()->setPaused(false);
        for (int i = 1; i * step <= 30000.0 + 1e-6; ++i) {
            show.nowMs = std::floor(i * step);
            show.game.step(static_cast<float>(step / 1000.0));
        }
        ASSERT_EQ(show.game.showTimeMs(), 30000);
        played = show.state();
    }
    void expectAsPlayed(const ShippedShow& show) const {
        EXPECT_EQ(show.game.showTimeMs(), 30000);
        const std::vector<Zem::Graphics::Matrix4> places = show.state();
        ASSERT_EQ(places.size(), played.size());
        ASSERT_GT(places.size(), 10u);
        for (std::size_t i = 0; i < places.size(); ++i) {
            for (int k = 0; k < 16; ++k) {
                ASSERT_NEAR(places[i].m[k], played[i].m[k], 1e-3f)
                    << "entity " << i << " [" << k << "]";
            }
        }
    }

    std::vector<Zem::Graphics::Matrix4> played;
};

TEST_F(OmbrelSeekTest, AJumpForwardLeavesTheWorldAsPlayingWould) {
    ShippedShow started;
    started.game.seek(30000);
    expectAsPlayed(started);
}

TEST_F(OmbrelSeekTest, AJumpBackLeavesTheWorldAsPlayingWould) {
    ShippedShow jumped;
    jumped.game.seek(41000);
    jumped.game.seek(30000);
    expectAsPlayed(jumped);
}

// A saved world is built again from disk and brought back to where the show stood.
TEST_F(OmbrelSeekTest, AReloadBringsTheWorldBackToWhereItStood) {
    ShippedShow reloaded;
    reloaded.game.seek(30000);
    reloaded.game.reload();
    expectAsPlayed(reloaded);
}

// At 10 s of the shipped show.
class OmbrelPauseTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        show = std::make_unique<ShippedShow>();
        show->game.seek(10000);
        show->game.setPaused(true);
        show->nowMs += 4000.0;
    }
    std::unique_ptr<ShippedShow> show;
};

TEST_F(OmbrelPauseTest, PausedTheShowTimeStands) {
    EXPECT_TRUE(show->game.paused());
    EXPECT_EQ(show->game.showTimeMs(), 10000);
}

TEST_F(OmbrelPauseTest, ResumedTheShowGoesOnFromWhereItStood) {
    show->game.setPaused(false);
    show->nowMs += 500.0;
    EXPECT_EQ(show->game.showTimeMs(), 10500);
}

// A unit square at the origin facing +z, textured with pic.png.
const char* const pictureSquare = "mtllib pic.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\n"
                                  "vt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 1\ng square\nusemtl pic\n"
                                  "f 1/1/1 2/2/1 3/3/1 4/4/1\n";

// The square, scaled three times, 4 ahead of the camera: at the 64 x 64 display's 80 degrees it
// reaches from the middle to pixel 60 across and up, where unscaled it would end at pixel 41.
TEST_F(OmbrelTest, AScaledMeshIsDrawnAtItsSizeWithItsPngTexture) {
    save("data/pic.obj", pictureSquare, 0);
    save("data/pic.mtl", "newmtl pic\nKd 1 1 1\nmap_Kd pic.png\n", 0);
    ASSERT_TRUE(
        ZemTest::writePng(dir.file("data/textures/pic.png"), 2, 2, PNG_FORMAT_RGB,
                          std::vector<std::uint8_t>{255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0}));
    initWith("<ZEMWorld><entity type='Room' name='A'/>"
             "<entity type='Camera' name='camera'><parent>A</parent></entity>"
             "<entity type='Light' name='lamp'><parent>A</parent><position>1.5 1.5 -2"
             "</position><radius>20</radius><color>0.2 0.2 0.2</color></entity>"
             "<entity type='Entity' name='pic'><parent>A</parent><model>pic.obj</model>"
             "<position>0 0 -4</position><scale>3</scale><radius>5</radius></entity>"
             "</ZEMWorld>");
    // The projection a display makes for its window.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(80.0, 1.0, 0.1, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    frame();
    // The G-buffer's colour target, rows from the bottom: what was drawn, before light and
    // exposure.
    const std::vector<float> drawn = ZemTest::DeferredTest::readTexture(
        Zem::Graphics::GBufferShader::sharedObjects().colourTarget, 64, 64);
    const auto red = [&drawn](int x, int y) { return drawn[(y * 64 + x) * 4]; };
    const auto greenAndBlue = [&drawn](int x, int y) {
        return drawn[(y * 64 + x) * 4 + 1] + drawn[(y * 64 + x) * 4 + 2];
    };
    EXPECT_GT(red(52, 52), 0.5f);
    EXPECT_EQ(greenAndBlue(52, 52), 0.0f) << "red, from the texture";
    EXPECT_EQ(red(20, 20), 0.0f) << "nothing is drawn beside the square";
}

// A maker's folder holds only what it changes: its own files win, the shipped ones fill in.
using OmbrelFilesTest = ZemTest::GLTest;

TEST_F(OmbrelFilesTest, AWorldElsewhereFindsItsOwnFilesFirstThenTheShippedOnes) {
    ZemTest::TempDir folder;
    std::ofstream(folder.file("mine.world"))
        << "<ZEMWorld><entity type='Room' name='r'/>"
           "<entity type='Entity' name='box'><template>crate.template</template>"
           "<parent>r</parent></entity>"
           "<entity type='Entity' name='gear'><model>kugghjul.obj</model><parent>r</parent>"
           "</entity></ZEMWorld>";
    std::ofstream(folder.file("crate.template"))
        << "<template><model>crate.obj</model><radius>7.5</radius></template>";
    ShowFiles files;
    files.worldFile = folder.file("mine.world");
    ShippedShow show(files);
    auto* box = dynamic_cast<Zem::Main::BaseEntity*>(show.game.findEntity("box"));
    auto* gear = dynamic_cast<Zem::Main::BaseEntity*>(show.game.findEntity("gear"));
    ASSERT_NE(box, nullptr);
    ASSERT_NE(gear, nullptr);
    EXPECT_FLOAT_EQ(box->radius, 7.5f) << "the maker's template, not the shipped one";
    EXPECT_NE(box->model, nullptr) << "the shipped mesh the template names";
    EXPECT_NE(gear->model, nullptr);
    EXPECT_EQ(show.game.findEntity("crate_hall"), nullptr) << "the shipped world is not loaded";
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

// A camera walking five units a frame: z 3 -> -2 -> -7, so no frame finds it near the doorway's
// plane, yet its path goes through.
class OmbrelDoorwayTest : public ZemTest::DeferredTest {
protected:
    void SetUp() override {
        DeferredTest::SetUp();
        ZemTest::shippedDataWithWorld(dir, doorwayWorld);
        // Ombrel searches its own paths only.
        Zem::Resource::ResourceManager::instance().reset();
        game.registerFactory("Walker", std::make_unique<Zem::Main::EntityFactoryOf<Walker>>());
        ASSERT_TRUE(game.init());
        ASSERT_NE(game.currentCamera(), nullptr);
    }
    // Two frames walking into the vault; the light of the frame drawn last, from the hall.
    float walkIntoTheVault() {
        step = -5.0f;
        EXPECT_TRUE(game.update(0.05f));
        EXPECT_TRUE(game.update(0.05f));
        return meanLight();
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
    std::string roomOfCamera() const {
        const Zem::Main::Entity* room = game.currentCamera()->room;
        return room == game.findEntity("hall")    ? "hall"
               : room == game.findEntity("vault") ? "vault"
                                                  : "?";
    }

    ZemTest::TempDir dir;
    ZemTest::StillShow show{dir.path() + "/"};
    Ombrel& game = show.game;
};

TEST_F(OmbrelDoorwayTest, ACameraIsCarriedThroughInTheFrameItPassesTheOpening) {
    walkIntoTheVault();
    EXPECT_EQ(roomOfCamera(), "vault");
    EXPECT_NEAR(game.currentCamera()->position.z, -7.0f, 1e-4f);
}

TEST_F(OmbrelDoorwayTest, TheNextFrameIsDrawnFromTheRoomWalkedInto) {
    EXPECT_GT(walkIntoTheVault(), nearBlack) << "the hall is lit";
    step = 5.0f;
    ASSERT_TRUE(game.update(0.05f));
    EXPECT_GT(meanLight(), nearBlack) << "drawn from the vault, not from behind the hall's wall";
}

TEST_F(OmbrelDoorwayTest, ACameraIsCarriedBackThroughTheSameDoorway) {
    walkIntoTheVault();
    step = 5.0f;
    ASSERT_TRUE(game.update(0.05f));
    EXPECT_EQ(roomOfCamera(), "hall");
    ASSERT_TRUE(game.update(0.05f));
    EXPECT_GT(meanLight(), nearBlack);
    EXPECT_EQ(roomOfCamera(), "hall");
}

TEST_F(OmbrelDoorwayTest, APathThatMissesTheOpeningCarriesNothing) {
    game.currentCamera()->setChannel(0, 3.0f); // beside the doorway, x 1..5 is wall
    walkIntoTheVault();
    EXPECT_EQ(roomOfCamera(), "hall");
}

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

// Ombrel on a silent clock the test moves, a world of the test's own.
class OmbrelClockTest : public ZemTest::FolderShowTest {
protected:
    void load(const std::string& entities) {
        game.useMusic([this] { return std::make_unique<SilentMusic>([this] { return nowMs; }); });
        save("data/main.world", "<ZEMWorld>" + entities + "</ZEMWorld>", 0);
        ASSERT_TRUE(game.init());
    }
    const ScriptMaster* named(const std::string& name) const {
        return dynamic_cast<const ScriptMaster*>(game.findEntity(name));
    }

    double nowMs = 0.0;
    ZemTest::ReportRecorder quiet;
};

// A cut due in a frame's update is in that frame's picture, not the next one's.
TEST_F(OmbrelClockTest, AFrameShowsTheWorldAsItsUpdateLeftIt) {
    load(std::string(roomAndCameras) +
         scriptMaster("mainscript",
                      "<event time='0 0 4' target='mainscript' command='setcamera'>camB</event>"));
    CameraAtDraw observer(game);
    game.observeFrames(&observer);
    game.update(0.0f);
    nowMs = 4.0;
    game.update(0.004f);
    game.observeFrames(nullptr);
    EXPECT_EQ(observer.seen, (std::vector<std::string>{"camera", "camB"}));
}

TEST_F(OmbrelClockTest, TheShowsClockIsTheScriptMasterItsInterpolatorsRead) {
    load(scriptMaster("first", "") + scriptMaster("second", "") +
         "<entity type='Interpolator' name='mover'><scriptmaster>second</scriptmaster></entity>");
    EXPECT_EQ(game.scriptMaster(), named("second"));
}

TEST_F(OmbrelClockTest, TheShowsClockIsMainscriptWhenACubeGridReadsIt) {
    load(scriptMaster("first", "") + scriptMaster("mainscript", "") +
         "<entity type='CubeGrid' name='grid'><xsize>1</xsize><ysize>1</ysize><xspace>1</xspace>"
         "<yspace>1</yspace><waveslowness>1</waveslowness><turnspeed>1</turnspeed>"
         "<cubeinitdata/></entity>");
    EXPECT_EQ(game.scriptMaster(), named("mainscript"));
}

TEST_F(OmbrelClockTest, WithoutReadersTheShowsClockIsTheFirstScriptMaster) {
    load(scriptMaster("first", "") + scriptMaster("second", ""));
    EXPECT_EQ(game.scriptMaster(), named("first"));
}

TEST_F(OmbrelClockTest, PausingStopsEveryScriptMasterThatHasStarted) {
    load(scriptMaster("first", "") + scriptMaster("second", ""));
    game.step(0.0f);
    game.setPaused(true);
    nowMs = 500.0;
    EXPECT_EQ(named("first")->musicTimeMs(), 0);
    EXPECT_EQ(named("second")->musicTimeMs(), 0);
}

TEST_F(OmbrelClockTest, PausingLeavesAScriptMasterThatHasNotStartedToItsRoom) {
    load("<entity type='Room' name='B'/>" + scriptMaster("late", "", "B"));
    game.setPaused(true);
    EXPECT_TRUE(named("late")->startPending);
}

TEST_F(OmbrelClockTest, ThePictureLeadMovesEveryScriptMasterAhead) {
    load(scriptMaster("first", "") + scriptMaster("second", ""));
    game.step(0.0f);
    game.setPictureLeadMs(30.0);
    nowMs = 100.0;
    EXPECT_EQ(named("first")->musicTimeMs(), 130);
    EXPECT_EQ(named("second")->musicTimeMs(), 130);
}

TEST_F(OmbrelClockTest, AWorldBuiltAgainKeepsThePictureLead) {
    load(scriptMaster("mainscript", ""));
    game.setPictureLeadMs(30.0);
    game.rebuildWorld();
    game.step(0.0f);
    nowMs = 100.0;
    EXPECT_EQ(game.showTimeMs(), 130);
}

// A jump lands the show, not the music, on the time asked for.
TEST_F(OmbrelClockTest, AJumpWithAPictureLeadLandsOnTheShowTimeAskedFor) {
    load(scriptMaster("mainscript", ""));
    game.setPictureLeadMs(30.0);
    game.seek(1000);
    EXPECT_EQ(game.showTimeMs(), 1000);
}

} // namespace
