#include "EffectScene.h"

#include "demo/CubeGrid.h"
#include "main/Room.h"
#include "script/Music.h"
#include "script/ScriptMaster.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

using EffectTest::element;
using EffectTest::expectMatrixNear;
using Zem::Graphics::Matrix4;

namespace {

CubeGrid* grid(const std::string& settings, const std::string& slowness = "2") {
    return dynamic_cast<CubeGrid*>(CubeGrid::Factory().create(
        element("<entity name='grid'><parent>hall</parent>" + settings + "<waveslowness>" +
                slowness + "</waveslowness><turnspeed>30</turnspeed></entity>")));
}

class CubeGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        new Zem::Main::Room(element("<entity name='hall'/>"));
        EffectTest::printedBy([this] {
            (new ScriptMaster(element("<entity name='mainscript'><bpm>120</bpm><script/></entity>"),
                              Music::create([this] { return nowMs; })))
                ->update(0.0f);
        });
    }
    void updateAt(CubeGrid& target, double ms, const char* command = nullptr) {
        nowMs = ms;
        if (command != nullptr) {
            target.command(0, element(std::string("<event command='") + command + "'/>"));
        }
        target.update(0.0f);
    }

    EffectTest::EffectGame game;
    double nowMs = 0.0;
};

TEST_F(CubeGridTest, CubesAreLaidOutRowByRowAroundTheIntegerHalves) {
    CubeGrid* g = grid("<xsize>4</xsize><ysize>3</ysize><xspace>1</xspace><yspace>3</yspace>"
                       "<position>10 1 0</position>");
    ASSERT_NE(g, nullptr);
    ASSERT_EQ(g->cubes.size(), 12u);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 4; ++c) {
            Zem::Main::BaseEntity* cube = g->cubes[static_cast<std::size_t>(r * 4 + c)];
            // Columns at -2, -1, 0 and 1 from the grid's position.
            expectMatrixNear(cube->getWorldMatrix(),
                             Matrix4::translation(8.0f + c, 1.0f, 3.0f * (r - 1)));
        }
    }
}

TEST_F(CubeGridTest, LoneCubeStartsTippingWhenTheFrontCrossesHalfACell) {
    CubeGrid* g = grid("<xsize>1</xsize><ysize>1</ysize><xspace>1</xspace><yspace>1</yspace>"
                       "<position>0 0 -3</position>");
    ASSERT_NE(g, nullptr);
    const Matrix4 built = g->cubes[0]->getWorldMatrix();
    updateAt(*g, 800.0); // before any "begin"
    expectMatrixNear(g->cubes[0]->getWorldMatrix(), built);
    updateAt(*g, 500.0, "begin");
    // sqrt(0.5) * 2 = 1.414 s after the start.
    updateAt(*g, 500.0 + 1410.0);
    expectMatrixNear(g->cubes[0]->getWorldMatrix(), built);
    updateAt(*g, 500.0 + 1500.0);
    const float degrees = std::sin(1.5f - std::sqrt(0.5f) * 2.0f) * 30.0f;
    expectMatrixNear(g->cubes[0]->getWorldMatrix(),
                     Matrix4::product(Matrix4::translation(0.0f, 0.0f, -3.0f),
                                      Matrix4::rotation(degrees, 1.0f, 2.0f, 3.0f)));
    updateAt(*g, 2000.0, "reset"); // the wave starts again from the centre
    expectMatrixNear(g->cubes[0]->getWorldMatrix(), built);
}

TEST_F(CubeGridTest, AfterOnePeriodOnlyNegativeSwingsRemainAndEverySettingIsRequired) {
    CubeGrid* g = grid("<xsize>2</xsize><ysize>2</ysize><xspace>1</xspace><yspace>1</yspace>", "0");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->waveAngle(0, 0, -0.1f), 0.0f);
    EXPECT_NEAR(g->waveAngle(0, 0, 1.0f), std::sin(1.0f) * 30.0f, 1e-4f);
    EXPECT_EQ(g->waveAngle(0, 0, 7.0f), 0.0f) << "sin 7 > 0";
    EXPECT_NEAR(g->waveAngle(0, 0, 9.5f), std::sin(9.5f) * 30.0f, 1e-4f) << "sin 9.5 < 0";
    EffectTest::expectEveryKeyRequired<CubeGrid::Factory>(
        "CubeGrid", {"xsize", "ysize", "xspace", "yspace", "waveslowness", "turnspeed"});
}

} // namespace
