#include "EffectScene.h"

#include "demo/LeafStorm.h"
#include "main/Random.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

using EffectTest::element;
using Zem::Graphics::Vector3;
using Zem::Main::Random;

namespace {

LeafStorm* storm(const std::string& settings, const std::string& positions) {
    return dynamic_cast<LeafStorm*>(LeafStorm::Factory().create(element(
        "<entity name='storm'>" + settings + "<instances>" + positions + "</instances></entity>")));
}

class LeafStormTest : public ::testing::Test {
protected:
    EffectTest::EffectGame game;
};

TEST_F(LeafStormTest, SameSeedGivesTheSameLeavesWhateverWasDrawnBefore) {
    const std::string settings = "<amount>50</amount><spread>2</spread><seed>42</seed>";
    const std::string positions = "<position>0 0 0</position><position>3 1 0</position>";
    Random::seed(7);
    LeafStorm* first = storm(settings, positions);
    for (int i = 0; i < 1000; ++i) {
        Random::next();
    }
    LeafStorm* second = storm(settings, positions);
    LeafStorm* other = storm("<amount>50</amount><spread>2</spread><seed>43</seed>", positions);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(first->clusters.size(), 2u);
    for (std::size_t c = 0; c < 2; ++c) {
        EXPECT_EQ(first->clusters[c]->points, second->clusters[c]->points);
        EXPECT_EQ(first->clusters[c]->normals, second->clusters[c]->normals);
    }
    EXPECT_NE(first->clusters[0]->points, other->clusters[0]->points);
    EXPECT_NE(first->clusters[0]->points, first->clusters[1]->points);
}

// The storm's seed also fixes whatever draws after it: 24 draws per point, nothing else.
TEST_F(LeafStormTest, EachPointTakesTwentyFourDrawsAfterTheSeed) {
    Random::seed(11);
    for (int i = 0; i < 3 * 24; ++i) {
        Random::next();
    }
    const int expected = Random::next();
    ASSERT_NE(
        storm("<amount>3</amount><spread>1</spread><seed>11</seed>", "<position>0 0 0</position>"),
        nullptr);
    EXPECT_EQ(Random::next(), expected);

    // The first point's x is the product of the first four draws.
    Random::seed(11);
    float s = 8.0f;
    for (int i = 0; i < 4; ++i) {
        s *= Random::unit() - 0.5f;
    }
    LeafStorm* again =
        storm("<amount>1</amount><spread>3</spread><seed>11</seed>", "<position>0 0 0</position>");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->clusters[0]->points[0].x, s * 3.0f);
}

TEST_F(LeafStormTest, EveryLeafLiesWithinHalfTheSpreadWithAUnitNormal) {
    LeafStorm* s = storm("<amount>2000</amount><spread>3</spread><seed>5</seed>",
                         "<position>10 20 30</position>");
    ASSERT_NE(s, nullptr);
    const LeafCluster& cluster = *s->clusters[0];
    ASSERT_EQ(cluster.points.size(), 2000u);
    ASSERT_EQ(cluster.normals.size(), 2000u);
    EXPECT_EQ(cluster.amount, 2000);
    EXPECT_FLOAT_EQ(cluster.spread, 3.0f);
    EXPECT_EQ(cluster.position, Vector3(10.0f, 20.0f, 30.0f));
    float largest = 0.0f;
    for (std::size_t i = 0; i < cluster.points.size(); ++i) {
        for (int axis = 0; axis < 3; ++axis) {
            largest = std::max(largest, std::fabs(cluster.points[i][axis]));
        }
        EXPECT_NEAR(cluster.normals[i].length(), 1.0f, 1e-5f);
    }
    EXPECT_LE(largest, 1.5f);
    // Products of four uniform draws bunch near the centre but still spread out.
    EXPECT_GT(largest, 0.3f);
}

TEST_F(LeafStormTest, PositionsContinueFromThePreviousOneAndOtherChildrenAreIgnored) {
    LeafStorm* s = storm("<amount>1</amount><spread>1</spread><seed>1</seed>",
                         "<position>1 2 3</position><other>9 9 9</other><position>4</position>"
                         "<!-- note --><position>5,6</position>");
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->clusters.size(), 3u);
    EXPECT_EQ(s->clusters[0]->position, Vector3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(s->clusters[1]->position, Vector3(4.0f, 2.0f, 3.0f));
    EXPECT_EQ(s->clusters[2]->position, Vector3(5.0f, 6.0f, 3.0f));
}

TEST_F(LeafStormTest, EmptyAmountsAndInstancesBuildEmptyStorms) {
    LeafStorm* none =
        storm("<amount>0</amount><spread>1</spread><seed>1</seed>", "<position>0 0 0</position>");
    ASSERT_NE(none, nullptr);
    ASSERT_EQ(none->clusters.size(), 1u);
    EXPECT_TRUE(none->clusters[0]->points.empty());
    LeafStorm* bare = storm("<amount>5</amount><spread>1</spread><seed>1</seed>", "");
    ASSERT_NE(bare, nullptr);
    EXPECT_TRUE(bare->clusters.empty());
    // A negative count read as unsigned would ask for billions of points.
    LeafStorm* negative =
        storm("<amount>-5</amount><spread>1</spread><seed>1</seed>", "<position>0 0 0</position>");
    ASSERT_NE(negative, nullptr);
    EXPECT_TRUE(negative->clusters[0]->points.empty());
}

TEST_F(LeafStormTest, MissingSettingsRejectTheStormNamingTheKey) {
    const char* const keys[] = {"amount", "spread", "seed"};
    for (const char* missing : keys) {
        std::string settings;
        for (const char* key : keys) {
            if (std::string(key) != missing) {
                settings += std::string("<") + key + ">1</" + key + ">";
            }
        }
        testing::internal::CaptureStdout();
        EXPECT_EQ(storm(settings, "<position>0 0 0</position>"), nullptr);
        EXPECT_NE(testing::internal::GetCapturedStdout().find(
                      std::string("LeafStorm \"storm\": no \"") + missing + "\" setting"),
                  std::string::npos);
    }
    EXPECT_TRUE(game.entities.empty());
}

class LeafStormGLTest : public ZemTest::GLTest {};

TEST_F(LeafStormGLTest, DrawLeavesFivePixelPointsAndAShinyMaterial) {
    EffectTest::EffectGame game;
    LeafStorm* bare = storm("<amount>5</amount><spread>1</spread><seed>1</seed>", "");
    ASSERT_NE(bare, nullptr);
    glPointSize(1.0f);
    bare->draw();
    GLfloat pointSize = 0.0f;
    glGetFloatv(GL_POINT_SIZE, &pointSize);
    EXPECT_FLOAT_EQ(pointSize, 5.0f);
    GLfloat ambient[4] = {};
    GLfloat diffuse[4] = {};
    GLfloat specular[4] = {};
    glGetMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glGetMaterialfv(GL_BACK, GL_SPECULAR, specular);
    EXPECT_FLOAT_EQ(ambient[0], 1.0f);
    EXPECT_FLOAT_EQ(ambient[3], 1.0f);
    EXPECT_FLOAT_EQ(diffuse[2], 1.0f);
    EXPECT_FLOAT_EQ(diffuse[3], 10.0f);
    EXPECT_FLOAT_EQ(specular[0], 10.0f);
    EXPECT_FLOAT_EQ(specular[3], 1.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "shininess within GL's range";
    glPointSize(1.0f);
}

class LeafStormRenderTest : public EffectTest::EffectSceneTest {};

TEST_F(LeafStormRenderTest, LeavesAreDrawnAroundTheirClusters) {
    EffectTest::EffectGame game;
    LeafStorm* s = storm("<amount>1500</amount><spread>2</spread><seed>3</seed>"
                         "<position>0 0 -4</position>",
                         "<position>-1.5 0 0</position><position>1.5 0 0</position>");
    ASSERT_NE(s, nullptr);
    renderFrame({s});
    const auto albedo = albedoImage();
    for (float x : {-1.5f, 1.5f}) {
        const Pixel centre = pixelOf(Vector3(x, 0.0f, -4.0f));
        EXPECT_GT(litCount(albedo, {centre.x - 15, centre.y - 15}, {centre.x + 15, centre.y + 15}),
                  300)
            << "cluster at " << x;
    }
    // Between the clusters, beyond half a spread of either, nothing.
    const Pixel middle = pixelOf(Vector3(0.0f, 0.0f, -4.0f));
    EXPECT_EQ(litCount(albedo, {middle.x - 5, middle.y - 5}, {middle.x + 5, middle.y + 5}), 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
