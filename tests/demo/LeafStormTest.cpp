#include "EffectRenderTest.h"
#include "EffectTestSupport.h"

#include "demo/LeafCluster.h"
#include "demo/LeafStorm.h"
#include "main/Random.h"

#include <algorithm>
#include <cmath>

using namespace EffectTest;
using Zem::Graphics::Vector3;

namespace {

LeafStorm* storm(const std::string& amount, const std::string& seed,
                 const std::string& positions = "<position>0 0 0</position>",
                 const std::string& spread = "2") {
    return named<LeafStorm>("<amount>" + amount + "</amount><spread>" + spread + "</spread><seed>" +
                            seed + "</seed><instances>" + positions + "</instances>");
}

const std::string twoPlaces = "<position>0 0 0</position><position>3 1 0</position>";

class LeafStormTest : public ::testing::Test {
protected:
    ZemTest::SceneGame game;
};

TEST_F(LeafStormTest, TheSameSeedGivesTheSameLeavesWhateverWasDrawnBefore) {
    LeafStorm* first = storm("50", "42", twoPlaces);
    Zem::Main::Random::next();
    LeafStorm* second = storm("50", "42", twoPlaces);
    for (std::size_t c = 0; c < 2; ++c) {
        EXPECT_EQ(first->clusters[c]->points, second->clusters[c]->points);
        EXPECT_EQ(first->clusters[c]->normals, second->clusters[c]->normals);
    }
}

TEST_F(LeafStormTest, AnotherSeedGivesOtherLeaves) {
    EXPECT_NE(storm("50", "42", twoPlaces)->clusters[0]->points,
              storm("50", "43", twoPlaces)->clusters[0]->points);
}

TEST_F(LeafStormTest, EachClusterHasLeavesOfItsOwn) {
    const LeafStorm* leaves = storm("50", "42", twoPlaces);
    EXPECT_NE(leaves->clusters[0]->points, leaves->clusters[1]->points);
}

// A storm that draws nothing leaves the program's generator just seeded.
TEST_F(LeafStormTest, TheSeedSeedsTheProgramsGenerator) {
    storm("0", "42");
    const int next = Zem::Main::Random::next();
    Zem::Main::Random::seed(42);
    EXPECT_EQ(next, Zem::Main::Random::next());
}

// Bunched near the centre, still spread out.
TEST_F(LeafStormTest, EveryLeafLiesWithinHalfTheSpread) {
    const LeafCluster& cluster =
        *storm("2000", "5", "<position>0 0 0</position>", "3")->clusters.at(0);
    ASSERT_EQ(cluster.points.size(), 2000u);
    float largest = 0.0f;
    for (const Vector3& point : cluster.points) {
        for (int axis = 0; axis < 3; ++axis) {
            largest = std::max(largest, std::fabs(point[axis]));
        }
    }
    EXPECT_LE(largest, 1.5f);
    EXPECT_GT(largest, 0.3f);
}

TEST_F(LeafStormTest, EveryLeafHasAUnitNormal) {
    const LeafCluster& cluster =
        *storm("2000", "5", "<position>0 0 0</position>", "3")->clusters.at(0);
    ASSERT_EQ(cluster.normals.size(), 2000u);
    for (const Vector3& normal : cluster.normals) {
        EXPECT_NEAR(normal.length(), 1.0f, 1e-5f);
    }
}

// Read as unsigned, -5 would ask for billions of points.
TEST_F(LeafStormTest, AnAmountOfZeroOrLessGivesNoLeaves) {
    EXPECT_TRUE(storm("0", "1")->clusters.at(0)->points.empty());
    EXPECT_TRUE(storm("-5", "1")->clusters.at(0)->points.empty());
}

TEST_F(LeafStormTest, WithoutPositionsThereAreNoClusters) {
    EXPECT_TRUE(storm("5", "1", "")->clusters.empty());
}

TEST_F(LeafStormTest, EverySettingIsRequired) {
    expectEveryKeyRequired<LeafStorm>({"amount", "spread", "seed"});
}

// Refused before anything is built: "amount" points for each "position".
class LeafStormLimitTest : public LeafStormTest {
protected:
    std::string build(const std::string& amount, int positions, LeafStorm*& made) {
        std::string places;
        for (int i = 0; i < positions; ++i) {
            places += "<position/>";
        }
        return reportedBuilding("<amount>" + amount + "</amount><spread>1</spread><seed>1</seed>" +
                                    "<instances>" + places + "</instances>",
                                made);
    }
    LeafStorm* made = nullptr;
};

TEST_F(LeafStormLimitTest, AnAmountOverAMillionIsRefusedNamingTheStorm) {
    const std::string said = build("2000000000", 1, made);
    EXPECT_EQ(made, nullptr);
    EXPECT_TRUE(mentions(said, {"\"big\"", "2000000000", "\"amount\""})) << said;
}

TEST_F(LeafStormLimitTest, OverAMillionPointsInAllAreRefusedNamingTheStorm) {
    const std::string said = build("500000", 3, made);
    EXPECT_EQ(made, nullptr);
    EXPECT_TRUE(mentions(said, {"\"big\"", "1500000", "\"amount\"", "\"position\""})) << said;
}

TEST_F(LeafStormLimitTest, AMillionPointsAreBuilt) {
    build("500000", 2, made);
    EXPECT_NE(made, nullptr);
}

class LeafStormRenderTest : public EffectRenderTest {
protected:
    void SetUp() override {
        EffectRenderTest::SetUp();
        leaves = make<LeafStorm>("<entity name='storm'><amount>1500</amount><spread>2</spread>"
                                 "<seed>3</seed><instances><position>-1.5 0 -4</position>"
                                 "<position>1.5 0 -4</position></instances></entity>");
        ASSERT_NE(leaves, nullptr);
        glPointSize(1.0f);
    }
    void TearDown() override {
        glPointSize(1.0f);
        EffectRenderTest::TearDown();
    }
    LeafStorm* leaves = nullptr;
};

TEST_F(LeafStormRenderTest, LeavesAreDrawnAroundTheirClusters) {
    expectDrawnAt({leaves}, {Vector3(-1.5f, 0.0f, -4.0f), Vector3(1.5f, 0.0f, -4.0f)},
                  {Vector3(0.0f, 0.0f, -4.0f)});
}

TEST_F(LeafStormRenderTest, LeavesHaveAnOpaqueSpecularWithinGLsRange) {
    leaves->draw();
    EXPECT_FLOAT_EQ(material(GL_SPECULAR)[3], 1.0f);
    EXPECT_EQ(glGetError(), 0u) << "the shininess";
}

} // namespace
