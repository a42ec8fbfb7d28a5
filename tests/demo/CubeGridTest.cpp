#include "EffectScene.h"

#include "demo/CubeGrid.h"
#include "main/Room.h"
#include "script/Music.h"
#include "script/ScriptMaster.h"

#include <gtest/gtest.h>

#include <cstdlib>

using EffectTest::element;
using EffectTest::expectMatrixNear;
using Zem::Graphics::Matrix4;
using Zem::Graphics::Vector3;

namespace {

const char* const defaultWave = "<waveslowness>2</waveslowness><turnspeed>30</turnspeed>";

CubeGrid* grid(const std::string& settings, const std::string& wave = defaultWave) {
    return dynamic_cast<CubeGrid*>(CubeGrid::Factory().create(
        element("<entity name='grid'><parent>hall</parent>" + settings + wave + "</entity>")));
}

// The hall and a "mainscript" whose music clock the test sets.
class CubeGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        hall = new Zem::Main::Room(element("<entity name='hall'/>"));
        EffectTest::printedBy([this] {
            (new ScriptMaster(element("<entity name='mainscript'><bpm>120</bpm><script/></entity>"),
                              Music::create([this] { return nowMs; })))
                ->update(0.0f);
        });
    }

    static void send(CubeGrid& target, const std::string& word) {
        target.command(0, element("<event command='" + word + "'/>"));
    }
    void updateAt(CubeGrid& target, double ms) {
        nowMs = ms;
        target.update(0.0f);
    }

    EffectTest::EffectGame game;
    Zem::Main::Room* hall = nullptr;
    double nowMs = 0.0;
};

TEST_F(CubeGridTest, CubesAreLaidOutRowByRowAroundTheIntegerHalves) {
    CubeGrid* g = grid("<xsize>4</xsize><ysize>3</ysize><xspace>1</xspace><yspace>3</yspace>"
                       "<position>10 1 0</position><cubeinitdata><radius>0.7</radius>"
                       "</cubeinitdata>");
    ASSERT_NE(g, nullptr);
    ASSERT_EQ(g->cubes.size(), 12u);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 4; ++c) {
            Zem::Main::BaseEntity* cube = g->cubes[static_cast<std::size_t>(r * 4 + c)];
            expectMatrixNear(cube->getWorldMatrix(),
                             Matrix4::translation(8.0f + c, 1.0f, 3.0f * (r - 1)));
            EXPECT_EQ(cube->room, hall);
            EXPECT_FLOAT_EQ(cube->radius, 0.7f);
        }
    }
}

TEST_F(CubeGridTest, LoneCubeStartsTippingWhenTheFrontCrossesHalfACell) {
    CubeGrid* g = grid("<xsize>1</xsize><ysize>1</ysize><xspace>1</xspace><yspace>1</yspace>"
                       "<position>0 0 -3</position>");
    ASSERT_NE(g, nullptr);
    const Matrix4 built = g->cubes[0]->getWorldMatrix();
    updateAt(*g, 800.0);
    expectMatrixNear(g->cubes[0]->getWorldMatrix(), built); // before any "begin"
    nowMs = 500.0;
    send(*g, "begin");
    // sqrt(0.5) * 2 = 1.414 s after the start.
    updateAt(*g, 500.0 + 1410.0);
    expectMatrixNear(g->cubes[0]->getWorldMatrix(), built);
    updateAt(*g, 500.0 + 1500.0);
    const float degrees = std::sin(1.5f - std::sqrt(0.5f) * 2.0f) * 30.0f;
    expectMatrixNear(g->cubes[0]->getWorldMatrix(),
                     Matrix4::product(Matrix4::translation(0.0f, 0.0f, -3.0f),
                                      Matrix4::rotation(degrees, 1.0f, 2.0f, 3.0f)));
    // "reset" starts the wave again from the centre.
    send(*g, "reset");
    updateAt(*g, 2000.0);
    expectMatrixNear(g->cubes[0]->getWorldMatrix(), built);
}

TEST_F(CubeGridTest, AfterOnePeriodOnlyNegativeSwingsRemain) {
    CubeGrid* g = grid("<xsize>2</xsize><ysize>2</ysize><xspace>1</xspace><yspace>1</yspace>",
                       "<waveslowness>0</waveslowness><turnspeed>30</turnspeed>");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->waveAngle(0, 0, -0.1f), 0.0f);
    EXPECT_NEAR(g->waveAngle(0, 0, 1.0f), std::sin(1.0f) * 30.0f, 1e-4f);
    EXPECT_EQ(g->waveAngle(0, 0, 7.0f), 0.0f) << "sin 7 > 0";
    EXPECT_NEAR(g->waveAngle(0, 0, 9.5f), std::sin(9.5f) * 30.0f, 1e-4f) << "sin 9.5 < 0";
    // Channel 0 is the slowness; the centre of a 2 x 2 grid is cube (1, 1).
    g->setChannel(0, 1.0f);
    EXPECT_FLOAT_EQ(g->getChannel(0), 1.0f);
    EXPECT_GT(g->waveAngle(1, 1, 0.1f), 0.0f);
    EXPECT_EQ(g->waveAngle(0, 0, 0.1f), 0.0f);
    g->setChannel(1, 7.0f);
    EXPECT_FLOAT_EQ(g->getChannel(1), 0.0f);
}

TEST_F(CubeGridTest, MissingSettingsRejectTheGridNamingTheKey) {
    EffectTest::expectEveryKeyRequired<CubeGrid::Factory>(
        "CubeGrid", {"xsize", "ysize", "xspace", "yspace", "waveslowness", "turnspeed"});
}

class CubeGridRenderTest : public EffectTest::EffectSceneTest {};

TEST_F(CubeGridRenderTest, CubesAreDrawnSideBySideWithAGapBetween) {
    EffectTest::EffectGame game;
    new Zem::Main::Room(element("<entity name='hall'/>"));
    CubeGrid* g = grid("<xsize>2</xsize><ysize>1</ysize><xspace>1.5</xspace><yspace>1</yspace>"
                       "<position>0.75 0 -6</position><cubeinitdata><model>cube.obj</model>"
                       "</cubeinitdata>");
    ASSERT_NE(g, nullptr);
    ASSERT_NE(g->cubes[0]->model, nullptr);
    expectDrawnAt({g->cubes[0], g->cubes[1]},
                  {Vector3(-0.75f, 0.0f, -5.5f), Vector3(0.75f, 0.0f, -5.5f)},
                  {Vector3(0.0f, 0.0f, -5.5f), Vector3(0.75f, 1.0f, -5.5f)});
}

} // namespace
