#include "EffectScene.h"

#include "demo/LeafStorm.h"
#include "main/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

LeafStorm* storm(const std::string& amount, const std::string& spread, const std::string& seed,
                 const std::string& positions = "<position>0 0 0</position>") {
    return dynamic_cast<LeafStorm*>(LeafStorm::Factory().create(EffectTest::element(
        "<entity name='storm'><amount>" + amount + "</amount><spread>" + spread +
        "</spread><seed>" + seed + "</seed><instances>" + positions + "</instances></entity>")));
}

class LeafStormTest : public ::testing::Test {
protected:
    EffectTest::EffectGame game;
};

TEST_F(LeafStormTest, SameSeedGivesTheSameLeavesWhateverWasDrawnBefore) {
    const std::string two = "<position>0 0 0</position><position>3 1 0</position>";
    LeafStorm* first = storm("50", "2", "42", two);
    Zem::Main::Random::next();
    LeafStorm* second = storm("50", "2", "42", two);
    for (std::size_t c = 0; c < 2; ++c) {
        EXPECT_EQ(first->clusters[c]->points, second->clusters[c]->points);
        EXPECT_EQ(first->clusters[c]->normals, second->clusters[c]->normals);
    }
    EXPECT_NE(first->clusters[0]->points, storm("50", "2", "43", two)->clusters[0]->points);
    EXPECT_NE(first->clusters[0]->points, first->clusters[1]->points);
    // The seed is the program generator's: a storm that draws nothing leaves it just seeded.
    storm("0", "2", "42");
    const int next = Zem::Main::Random::next();
    Zem::Main::Random::seed(42);
    EXPECT_EQ(next, Zem::Main::Random::next());
}

TEST_F(LeafStormTest, EveryLeafLiesWithinHalfTheSpreadWithAUnitNormal) {
    const LeafCluster& cluster = *storm("2000", "3", "5")->clusters[0];
    ASSERT_EQ(cluster.points.size(), 2000u);
    float largest = 0.0f;
    for (std::size_t i = 0; i < cluster.points.size(); ++i) {
        for (int axis = 0; axis < 3; ++axis) {
            largest = std::max(largest, std::fabs(cluster.points[i][axis]));
        }
        EXPECT_NEAR(cluster.normals[i].length(), 1.0f, 1e-5f);
    }
    EXPECT_LE(largest, 1.5f);
    EXPECT_GT(largest, 0.3f) << "bunched near the centre, still spread out";
}

TEST_F(LeafStormTest, EmptyOrIncompleteSettingsBuildNoLeaves) {
    EXPECT_TRUE(storm("0", "1", "1")->clusters[0]->points.empty());
    // Read as unsigned, -5 would ask for billions of points.
    EXPECT_TRUE(storm("-5", "1", "1")->clusters[0]->points.empty());
    EXPECT_TRUE(storm("5", "1", "1", "")->clusters.empty());
    EffectTest::expectEveryKeyRequired<LeafStorm::Factory>("LeafStorm",
                                                           {"amount", "spread", "seed"});
}

} // namespace
