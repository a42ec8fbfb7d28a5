#include "EffectRenderTest.h"
#include "EffectTestSupport.h"

#include "demo/CubeGrid.h"
#include "main/Room.h"
#include "script/Music.h"
#include "script/ScriptMaster.h"
#include "support/Environment.h"
#include <cmath>
#include <cstdlib>

using namespace EffectTest;
using Zem::Graphics::Matrix4;
using Zem::Graphics::Vector3;
using Zem::Resource::XmlNode;

namespace {

// A room "hall" and a script whose music clock the test sets; its offset of 100 ms is taken off
// the stream time and added back by every reader, the grid's wave too.
class CubeGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        ZemTest::setEnvironment("SDL_AUDIODRIVER", "dummy");
        new Zem::Main::Room(XmlNode("<entity name='hall'/>"));
        reportedBy([this] {
            (new ScriptMaster(XmlNode("<entity name='mainscript'><offset>100</offset><bpm>120</bpm>"
                                      "<script/></entity>"),
                              Music::create([this] { return nowMs; })))
                ->update(0.0f);
        });
    }
    static CubeGrid* grid(const std::string& settings, const char* slowness = "2") {
        return named<CubeGrid>("<parent>hall</parent>" + settings + "<waveslowness>" + slowness +
                               "</waveslowness><turnspeed>30</turnspeed>");
    }
    // One cube 3 units ahead, as it was built: the wave reaches it sqrt(0.5) * 2 = 1.414 s after
    // the start.
    CubeGrid* lone() {
        CubeGrid* g = grid("<xsize>1</xsize><ysize>1</ysize><xspace>1</xspace><yspace>1</yspace>"
                           "<position>0 0 -3</position>");
        built = g->cubes.at(0)->getWorldMatrix();
        return g;
    }
    void updateAt(CubeGrid& target, double ms, const char* command = nullptr) {
        nowMs = ms;
        if (command != nullptr) {
            target.command(0, XmlNode(std::string("<event command='") + command + "'/>"));
        }
        target.update(0.0f);
    }

    ZemTest::SceneGame game;
    double nowMs = 0.0;
    Matrix4 built;
};

TEST_F(CubeGridTest, CubesAreLaidOutRowByRowAroundTheIntegerHalves) {
    CubeGrid* g = grid("<xsize>4</xsize><ysize>3</ysize><xspace>1</xspace><yspace>3</yspace>"
                       "<position>10 1 0</position>");
    ASSERT_NE(g, nullptr);
    ASSERT_EQ(g->cubes.size(), 12u);
    for (int i = 0; i < 12; ++i) {
        // Columns at -2, -1, 0 and 1 from the grid's position.
        expectMatrixNear(g->cubes[static_cast<std::size_t>(i)]->getWorldMatrix(),
                         Matrix4::translation(8.0f + i % 4, 1.0f, 3.0f * (i / 4 - 1)));
    }
}

TEST_F(CubeGridTest, NothingMovesBeforeBegin) {
    CubeGrid* g = lone();
    updateAt(*g, 800.0);
    expectMatrixNear(g->cubes[0]->getWorldMatrix(), built);
}

TEST_F(CubeGridTest, ACubeStandsUntilTheFrontReachesIt) {
    CubeGrid* g = lone();
    updateAt(*g, 500.0, "begin");
    updateAt(*g, 500.0 + 1410.0);
    expectMatrixNear(g->cubes[0]->getWorldMatrix(), built);
}

TEST_F(CubeGridTest, ACubeTipsOnceTheFrontHasPassedIt) {
    CubeGrid* g = lone();
    updateAt(*g, 500.0, "begin");
    updateAt(*g, 500.0 + 1500.0);
    const float degrees = std::sin(1.5f - std::sqrt(0.5f) * 2.0f) * 30.0f;
    expectMatrixNear(g->cubes[0]->getWorldMatrix(),
                     Matrix4::product(Matrix4::translation(0.0f, 0.0f, -3.0f),
                                      Matrix4::rotation(degrees, 1.0f, 2.0f, 3.0f)));
}

TEST_F(CubeGridTest, ResetStartsTheWaveAgainFromTheCentre) {
    CubeGrid* g = lone();
    updateAt(*g, 500.0, "begin");
    updateAt(*g, 500.0 + 1500.0);
    updateAt(*g, 2000.0, "reset");
    expectMatrixNear(g->cubes[0]->getWorldMatrix(), built);
}

TEST_F(CubeGridTest, BeforeTheWaveStartsNoCubeSwings) {
    const CubeGrid* g =
        grid("<xsize>2</xsize><ysize>2</ysize><xspace>1</xspace><yspace>1</yspace>", "0");
    EXPECT_EQ(g->waveAngle(0, 0, -0.1f), 0.0f);
}

// Within the first period every swing shows.
TEST_F(CubeGridTest, AfterOnePeriodOnlyNegativeSwingsRemain) {
    const CubeGrid* g =
        grid("<xsize>2</xsize><ysize>2</ysize><xspace>1</xspace><yspace>1</yspace>", "0");
    EXPECT_NEAR(g->waveAngle(0, 0, 1.0f), std::sin(1.0f) * 30.0f, 1e-4f);
    EXPECT_EQ(g->waveAngle(0, 0, 7.0f), 0.0f) << "sin 7 > 0";
    EXPECT_NEAR(g->waveAngle(0, 0, 9.5f), std::sin(9.5f) * 30.0f, 1e-4f) << "sin 9.5 < 0";
}

TEST_F(CubeGridTest, EverySettingIsRequired) {
    expectEveryKeyRequired<CubeGrid>(
        {"xsize", "ysize", "xspace", "yspace", "waveslowness", "turnspeed"});
}

const char* const spacing = "<xspace>1</xspace><yspace>1</yspace><waveslowness>1</waveslowness>"
                            "<turnspeed>1</turnspeed>";

// Refused before anything is built.
TEST_F(CubeGridTest, MoreThan4096CubesAreRefusedNamingTheGridAndItsSizes) {
    CubeGrid* made = nullptr;
    const std::string said =
        reportedBuilding("<xsize>30000</xsize><ysize>30000</ysize>" + std::string(spacing), made);
    EXPECT_EQ(made, nullptr);
    EXPECT_TRUE(mentions(said, {"\"big\"", "900000000", "\"xsize\"", "\"ysize\""})) << said;
}

TEST_F(CubeGridTest, A4096CubeGridIsBuiltInFull) {
    CubeGrid* made = nullptr;
    reportedBuilding("<xsize>64</xsize><ysize>64</ysize>" + std::string(spacing), made);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->cubes.size(), 4096u);
}

using CubeGridRenderTest = EffectRenderTest;

TEST_F(CubeGridRenderTest, CubesAreDrawnSideBySideWithAGapBetween) {
    auto* grid = make<CubeGrid>(
        "<entity name='grid'><parent>hall</parent><xsize>2</xsize><ysize>1</ysize><xspace>1.5"
        "</xspace><yspace>1</yspace><waveslowness>2</waveslowness><turnspeed>30</turnspeed>"
        "<position>0.75 0 -6</position><cubeinitdata><model>cube.obj</model></cubeinitdata>"
        "</entity>");
    ASSERT_TRUE(grid && grid->cubes[0]->model);
    expectDrawnAt({grid->cubes[0], grid->cubes[1]},
                  {Vector3(-0.75f, 0.0f, -5.5f), Vector3(0.75f, 0.0f, -5.5f)},
                  {Vector3(0.0f, 0.0f, -5.5f), Vector3(0.75f, 1.0f, -5.5f)});
}

} // namespace
