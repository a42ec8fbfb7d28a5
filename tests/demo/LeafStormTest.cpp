#include "EffectScene.h"

#include "demo/LeafStorm.h"
#include "main/Random.h"

#include <gtest/gtest.h>

using Zem::Graphics::Vector3;
using Zem::Main::Random;

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
    Random::next();
    LeafStorm* second = storm("50", "2", "42", two);
    LeafStorm* other = storm("50", "2", "43", two);
    for (std::size_t c = 0; c < 2; ++c) {
        EXPECT_EQ(first->clusters[c]->points, second->clusters[c]->points);
        EXPECT_EQ(first->clusters[c]->normals, second->clusters[c]->normals);
    }
    EXPECT_NE(first->clusters[0]->points, other->clusters[0]->points);
    EXPECT_NE(first->clusters[0]->points, first->clusters[1]->points);
}

TEST_F(LeafStormTest, EachCoordinateIsAProductOfFourDraws) {
    Random::seed(11);
    float x = 8.0f;
    for (int i = 0; i < 4; ++i) {
        x *= Random::unit() - 0.5f;
    }
    LeafStorm* s = storm("3", "3", "11");
    EXPECT_EQ(s->clusters[0]->points[0].x, x * 3.0f);
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

TEST_F(LeafStormTest, EmptyAmountsAndInstancesBuildEmptyStorms) {
    EXPECT_TRUE(storm("0", "1", "1")->clusters[0]->points.empty());
    // Read as unsigned, -5 would ask for billions of points.
    EXPECT_TRUE(storm("-5", "1", "1")->clusters[0]->points.empty());
    EXPECT_TRUE(storm("5", "1", "1", "")->clusters.empty());
}

TEST_F(LeafStormTest, MissingSettingsRejectTheStormNamingTheKey) {
    EffectTest::expectEveryKeyRequired<LeafStorm::Factory>("LeafStorm",
                                                           {"amount", "spread", "seed"});
}

class LeafStormRenderTest : public EffectTest::EffectSceneTest {};

TEST_F(LeafStormRenderTest, LeavesAreDrawnAroundTheirClustersAsFivePixelPoints) {
    EffectTest::EffectGame game;
    LeafStorm* s =
        storm("1500", "2", "3", "<position>-1.5 0 -4</position><position>1.5 0 -4</position>");
    // Between the clusters, beyond half a spread of either, nothing.
    expectDrawnAt({s}, {Vector3(-1.5f, 0.0f, -4.0f), Vector3(1.5f, 0.0f, -4.0f)},
                  {Vector3(0.0f, 0.0f, -4.0f)});
    EXPECT_GT(litAround(image(), pixelOf(Vector3(1.5f, 0.0f, -4.0f)), 15), 300);
    // Even without clusters the draw sets the point size and an opaque specular.
    glPointSize(1.0f);
    storm("5", "1", "1", "")->draw();
    GLfloat pointSize = 0.0f;
    GLfloat specular[4] = {};
    glGetFloatv(GL_POINT_SIZE, &pointSize);
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    EXPECT_FLOAT_EQ(pointSize, 5.0f);
    EXPECT_FLOAT_EQ(specular[3], 1.0f);
    EXPECT_EQ(glGetError(), 0u) << "shininess within GL's range";
    glPointSize(1.0f);
}

} // namespace
