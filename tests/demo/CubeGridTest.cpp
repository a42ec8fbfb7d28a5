#include "EffectScene.h"

#include "demo/CubeGrid.h"
#include "main/Room.h"
#include "script/Music.h"
#include "script/ScriptMaster.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

using EffectTest::element;
using Zem::Graphics::Matrix4;
using Zem::Graphics::Vector3;
using Zem::Main::BaseEntity;
using Zem::Main::Entity;
using Zem::Resource::XmlNode;

namespace {

void expectMatrixNear(const Matrix4& actual, const Matrix4& expected, float tolerance = 1e-5f) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(actual.m[i], expected.m[i], tolerance) << "element " << i;
    }
}

// The grid's settings with one of them (or none) left out.
std::string gridXml(const std::string& sizes, const std::string& extra = "",
                    const std::string& without = "") {
    const std::string keys[] = {"waveslowness", "turnspeed"};
    std::string xml = "<entity name='grid'><parent>hall</parent>" + sizes;
    const std::string values[] = {"<waveslowness>2</waveslowness>", "<turnspeed>30</turnspeed>"};
    for (int i = 0; i < 2; ++i) {
        if (keys[i] != without) {
            xml += values[i];
        }
    }
    return xml + extra + "</entity>";
}

// A game with the hall and a "mainscript" whose music clock the test sets.
class CubeGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        Zem::Resource::ResourceManager::instance().reset();
        hall = new Zem::Main::Room(element("<entity name='hall'/>"));
    }
    void TearDown() override { Zem::Resource::ResourceManager::instance().reset(); }

    ScriptMaster* makeMainScript(int offsetMs = 0) {
        testing::internal::CaptureStdout();
        auto* script = new ScriptMaster(element("<entity name='mainscript'><offset>" +
                                                std::to_string(offsetMs) +
                                                "</offset><bpm>120</bpm><script/></entity>"),
                                        Music::create([this] { return nowMs; }));
        // The music starts at the first update.
        script->update(0.0f);
        testing::internal::GetCapturedStdout();
        return script;
    }

    CubeGrid* grid(const std::string& xml) {
        return dynamic_cast<CubeGrid*>(CubeGrid::Factory().create(element(xml)));
    }

    static void send(CubeGrid& target, const std::string& word) {
        target.command(0, element("<event target='grid' command='" + word + "'/>"));
    }

    // Every cube's matrix at music time `ms`.
    void updateAt(CubeGrid& target, double ms) {
        nowMs = ms;
        target.update(0.0f);
    }

    EffectTest::EffectGame game;
    Zem::Main::Room* hall = nullptr;
    double nowMs = 0.0;
};

TEST_F(CubeGridTest, CubesAreLaidOutRowByRowAroundTheIntegerHalves) {
    CubeGrid* g = grid(gridXml("<xsize>4</xsize><ysize>3</ysize><xspace>2</xspace>"
                               "<yspace>3</yspace><position>10 1 0</position>",
                               "<cubeinitdata><radius>0.7</radius></cubeinitdata>"));
    ASSERT_NE(g, nullptr);
    ASSERT_EQ(g->cubes.size(), 12u);
    const float columnsAt[4] = {-4.0f, -2.0f, 0.0f, 2.0f};
    const float rowsAt[3] = {-3.0f, 0.0f, 3.0f};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 4; ++c) {
            BaseEntity* cube = g->cubes[static_cast<std::size_t>(r * 4 + c)];
            expectMatrixNear(cube->getWorldMatrix(),
                             Matrix4::translation(10.0f + columnsAt[c], 1.0f, rowsAt[r]));
            EXPECT_EQ(cube->room, hall);
            EXPECT_FLOAT_EQ(cube->radius, 0.7f) << "built from cubeinitdata";
            EXPECT_TRUE(cube->autoMatrix);
        }
    }
    // The cubes are the game's, listed after the grid.
    EXPECT_EQ(game.entities.back(), g->cubes.back());
}

TEST_F(CubeGridTest, LoneCubeStartsTippingWhenTheFrontCrossesHalfACell) {
    makeMainScript();
    CubeGrid* g = grid(gridXml("<xsize>1</xsize><ysize>1</ysize><xspace>1</xspace>"
                               "<yspace>1</yspace><position>0 0 -3</position>"));
    ASSERT_NE(g, nullptr);
    const Matrix4 built = g->cubes[0]->getWorldMatrix();

    nowMs = 500.0;
    updateAt(*g, 800.0);
    expectMatrixNear(g->cubes[0]->getWorldMatrix(), built);
    nowMs = 500.0;
    send(*g, "begin");
    EXPECT_FLOAT_EQ(g->startTime, 0.5f);

    // sqrt(0.5) * 2 = 1.414 s after the start.
    updateAt(*g, 500.0 + 1410.0);
    expectMatrixNear(g->cubes[0]->getWorldMatrix(), built);
    updateAt(*g, 500.0 + 1500.0);
    const float degrees = std::sin(1.5f - std::sqrt(0.5f) * 2.0f) * 30.0f;
    ASSERT_GT(degrees, 2.0f);
    expectMatrixNear(g->cubes[0]->getWorldMatrix(),
                     Matrix4::product(Matrix4::translation(0.0f, 0.0f, -3.0f),
                                      Matrix4::rotation(degrees, 1.0f, 2.0f, 3.0f)));
}

TEST_F(CubeGridTest, MusicTimeIncludesTheScriptsClockOffset) {
    makeMainScript(250);
    CubeGrid* g = grid(gridXml("<xsize>1</xsize><ysize>1</ysize><xspace>1</xspace>"
                               "<yspace>1</yspace>"));
    ASSERT_NE(g, nullptr);
    nowMs = 1000.0;
    send(*g, "begin");
    EXPECT_FLOAT_EQ(g->startTime, 1.25f);
}

TEST_F(CubeGridTest, AfterOnePeriodOnlyNegativeSwingsRemain) {
    CubeGrid* g = grid(gridXml("<xsize>2</xsize><ysize>2</ysize><xspace>1</xspace>"
                               "<yspace>1</yspace>"));
    ASSERT_NE(g, nullptr);
    g->waveSlowness = 0.0f;
    EXPECT_EQ(g->waveAngle(0, 0, -0.1f), 0.0f);
    EXPECT_NEAR(g->waveAngle(0, 0, 1.0f), std::sin(1.0f) * 30.0f, 1e-4f);
    ASSERT_GT(std::sin(7.0f), 0.0f);
    EXPECT_EQ(g->waveAngle(0, 0, 7.0f), 0.0f);
    ASSERT_LT(std::sin(9.5f), 0.0f);
    EXPECT_NEAR(g->waveAngle(0, 0, 9.5f), std::sin(9.5f) * 30.0f, 1e-4f);
    // The centre of a 2 x 2 grid lies on cube (1, 1): its front arrives at once.
    g->waveSlowness = 1.0f;
    EXPECT_GT(g->waveAngle(1, 1, 0.1f), 0.0f);
    EXPECT_EQ(g->waveAngle(0, 0, 0.1f), 0.0f);
}

TEST_F(CubeGridTest, ResetRestartsTheWaveFromTheCentre) {
    makeMainScript();
    CubeGrid* g = grid(gridXml("<xsize>3</xsize><ysize>1</ysize><xspace>1</xspace>"
                               "<yspace>1</yspace>"));
    ASSERT_NE(g, nullptr);
    send(*g, "begin");
    updateAt(*g, 3000.0);
    // The front reached only the cube nearest the centre.
    expectMatrixNear(g->cubes[0]->getWorldMatrix(), Matrix4::translation(-1.0f, 0.0f, 0.0f));
    EXPECT_NE(g->cubes[2]->getWorldMatrix(), Matrix4::translation(1.0f, 0.0f, 0.0f));
    send(*g, "reset");
    EXPECT_FLOAT_EQ(g->startTime, 3.0f);
    updateAt(*g, 3000.0);
    for (int c = 0; c < 3; ++c) {
        expectMatrixNear(g->cubes[static_cast<std::size_t>(c)]->getWorldMatrix(),
                         Matrix4::translation(static_cast<float>(c - 1), 0.0f, 0.0f));
    }
    send(*g, "stop");
    EXPECT_FLOAT_EQ(g->startTime, 3.0f) << "unknown commands are ignored";
}

TEST_F(CubeGridTest, ChannelZeroIsTheWaveSlownessAndNoOtherChannelExists) {
    CubeGrid* g = grid(gridXml("<xsize>1</xsize><ysize>1</ysize><xspace>1</xspace>"
                               "<yspace>1</yspace><position>1 2 3</position>"));
    ASSERT_NE(g, nullptr);
    EXPECT_FLOAT_EQ(g->getChannel(0), 2.0f);
    g->setChannel(0, 5.0f);
    EXPECT_FLOAT_EQ(g->waveSlowness, 5.0f);
    EXPECT_FLOAT_EQ(g->getChannel(0), 5.0f);
    g->setChannel(1, 7.0f);
    EXPECT_FLOAT_EQ(g->getChannel(1), 0.0f);
    EXPECT_FLOAT_EQ(g->position.y, 2.0f);
}

TEST_F(CubeGridTest, CommandsWaitForAScriptMasterNamedMainscript) {
    new BaseEntity(element("<entity name='mainscript'/>"));
    CubeGrid* g = grid(gridXml("<xsize>1</xsize><ysize>1</ysize><xspace>1</xspace>"
                               "<yspace>1</yspace>"));
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->mainScript, nullptr) << "a plain entity has no clock";
    send(*g, "begin");
    EXPECT_LT(g->startTime, 0.0f);
    updateAt(*g, 1000.0);

    // Built after the grid, the script is found by the next command.
    game.findEntity("mainscript")->name = "renamed";
    nowMs = 0.0;
    ScriptMaster* script = makeMainScript();
    nowMs = 2000.0;
    send(*g, "begin");
    EXPECT_EQ(g->mainScript, script);
    EXPECT_FLOAT_EQ(g->startTime, 2.0f);
}

TEST_F(CubeGridTest, MissingSettingsRejectTheGridNamingTheKey) {
    const std::string sizes[] = {"xsize", "ysize", "xspace", "yspace"};
    for (const std::string& missing : sizes) {
        std::string xml;
        for (const std::string& key : sizes) {
            if (key != missing) {
                xml += "<" + key + ">2</" + key + ">";
            }
        }
        testing::internal::CaptureStdout();
        EXPECT_EQ(grid(gridXml(xml)), nullptr);
        EXPECT_NE(testing::internal::GetCapturedStdout().find("CubeGrid \"grid\": no \"" + missing +
                                                              "\" setting"),
                  std::string::npos);
    }
    const std::string allSizes = "<xsize>2</xsize><ysize>2</ysize><xspace>1</xspace>"
                                 "<yspace>1</yspace>";
    for (const std::string missing : {"waveslowness", "turnspeed"}) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(grid(gridXml(allSizes, "", missing)), nullptr);
        EXPECT_NE(testing::internal::GetCapturedStdout().find("no \"" + missing + "\""),
                  std::string::npos);
    }
    EXPECT_EQ(game.entities.size(), 1u) << "only the hall";
}

class CubeGridRenderTest : public EffectTest::EffectSceneTest {};

TEST_F(CubeGridRenderTest, CubesAreDrawnSideBySideWithAGapBetween) {
    EffectTest::EffectGame game;
    CubeGrid::Factory factory;
    auto* g = dynamic_cast<CubeGrid*>(factory.create(
        element("<entity name='grid'><xsize>2</xsize><ysize>1</ysize><xspace>1.5</xspace>"
                "<yspace>1</yspace><waveslowness>1</waveslowness><turnspeed>20</turnspeed>"
                "<position>0.75 0 -6</position><cubeinitdata><model>cube.obj</model>"
                "</cubeinitdata></entity>")));
    ASSERT_NE(g, nullptr);
    ASSERT_EQ(g->cubes.size(), 2u);
    ASSERT_NE(g->cubes[0]->model, nullptr) << "cube.obj";
    renderFrame({g->cubes[0], g->cubes[1]});

    const auto albedo = albedoImage();
    EXPECT_TRUE(lit(albedo, pixelOf(Vector3(-0.75f, 0.0f, -5.5f))));
    EXPECT_TRUE(lit(albedo, pixelOf(Vector3(0.75f, 0.0f, -5.5f))));
    EXPECT_FALSE(lit(albedo, pixelOf(Vector3(0.0f, 0.0f, -5.5f))));
    EXPECT_FALSE(lit(albedo, pixelOf(Vector3(0.75f, 1.0f, -5.5f))));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
