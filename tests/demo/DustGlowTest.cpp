#include "EffectScene.h"

#include "demo/Dust.h"
#include "demo/DustGlow.h"
#include "main/Random.h"
#include "main/Room.h"

#include <gtest/gtest.h>

#include <algorithm>

using EffectTest::element;
using Zem::Graphics::Matrix4;
using Zem::Graphics::Vector3;
using Zem::Main::Random;

namespace {

void expectNear(const Vector3& actual, const Vector3& expected, float tolerance = 1e-6f) {
    EXPECT_NEAR((actual - expected).length(), 0.0f, tolerance)
        << actual.x << " " << actual.y << " " << actual.z;
}

// The order every random vector is drawn in: z first, then y, then x.
Vector3 drawVector(float shift, bool normalise = false) {
    Vector3 v;
    v.z = Random::unit() - shift;
    v.y = Random::unit() - shift;
    v.x = Random::unit() - shift;
    if (normalise) {
        v.normalise();
    }
    return v;
}

// A glow at (1, 2, 3) in the hall, its specks within 2 of it, its acceleration within 0.5.
DustGlow* glow(int particles) {
    return dynamic_cast<DustGlow*>(DustGlow::Factory().create(
        element("<entity name='glow'><parent>hall</parent><position>1 2 3</position>"
                "<maxradius>2</maxradius><maxacc>0.5</maxacc><maxspeed>10</maxspeed><speedbrake>1"
                "</speedbrake><rotationspeed>90</rotationspeed><rotationcoursechange>1"
                "</rotationcoursechange><particles>" +
                std::to_string(particles) + "</particles></entity>")));
}

class DustGlowTest : public ::testing::Test {
protected:
    void SetUp() override { new Zem::Main::Room(element("<entity name='hall'/>")); }

    // Its only speck, still, at distance `x` along +x from the centre, on a shell of radius 1.
    static Dust& stillSpeck(DustGlow& g, float x) {
        Dust& speck = *g.specks.at(0);
        speck.setWorldMatrix(Matrix4::translation(1.0f + x, 2.0f, 3.0f));
        speck.shellRadius = 1.0f;
        speck.velocity = Vector3();
        speck.acceleration = Vector3();
        return speck;
    }

    EffectTest::EffectGame game;
};

TEST_F(DustGlowTest, EachSpeckIsALightInTheGlowsRoomMadeOfEighteenDraws) {
    Random::seed(99);
    DustGlow* g = glow(2);
    ASSERT_NE(g, nullptr);
    const int afterGlow = Random::next();
    Random::seed(99);
    for (Dust* speck : g->specks) {
        EXPECT_EQ(speck->room, game.findEntity("hall"));
        EXPECT_FLOAT_EQ(speck->triangleSize, 0.01f);
        const Vector3 axis = drawVector(0.0f, true);
        const float degrees = Random::unit() * 180.0f;
        const Vector3 direction = drawVector(0.5f, true);
        const Vector3 offset = direction * (Random::unit() * 2.0f);
        Matrix4 expected = Matrix4::rotation(degrees, axis.x, axis.y, axis.z);
        expected.m[12] = 1.0f + offset.x;
        expected.m[13] = 2.0f + offset.y;
        expected.m[14] = 3.0f + offset.z;
        EffectTest::expectMatrixNear(speck->getWorldMatrix(), expected);
        EXPECT_NEAR(speck->shellRadius, offset.length(), 1e-6f);
        expectNear(speck->velocity, drawVector(0.5f) * 0.1f);
        const Vector3 push = drawVector(0.5f, true);
        expectNear(speck->acceleration, push * (Random::unit() * 0.5f));
        expectNear(speck->spinAxis, drawVector(0.5f, true));
    }
    EXPECT_EQ(Random::next(), afterGlow);
}

TEST_F(DustGlowTest, UpdateMovesBySpeedTimesFrameAndDrawsSixPerSpeck) {
    for (const int particles : {0, 2}) {
        SCOPED_TRACE(particles);
        DustGlow* g = glow(particles);
        Random::seed(7);
        for (int i = 0; i < 6 * particles; ++i) {
            Random::next();
        }
        const int afterUpdate = Random::next();
        Random::seed(7);
        g->update(0.5f);
        EXPECT_EQ(Random::next(), afterUpdate);
    }
    DustGlow* one = glow(1);
    Dust& speck = stillSpeck(*one, 0.5f);
    speck.velocity = Vector3(1.0f, -2.0f, 0.5f);
    one->update(0.5f);
    expectNear(speck.getWorldMatrix().getTranslation(), Vector3(2.0f, 1.0f, 3.25f), 1e-5f);
}

TEST_F(DustGlowTest, ShellPushesOutwardInsideAndOnItAndInwardOutside) {
    DustGlow* g = glow(1);
    for (const auto& [distance, push] :
         {std::pair{0.5f, 0.005f}, {1.0f, 0.005f}, {2.0f, -0.005f}}) {
        SCOPED_TRACE(distance);
        Dust& speck = stillSpeck(*g, distance);
        Random::seed(3);
        g->update(0.0f);
        // The spin axis takes the first three draws.
        Random::seed(3);
        drawVector(0.0f);
        const Vector3 expected = drawVector(0.5f) * 0.01f + Vector3(push, 0.0f, 0.0f);
        expectNear(speck.acceleration, expected);
        // Brake 1: the velocity is the acceleration of one frame.
        expectNear(speck.velocity, expected);
    }
}

TEST_F(DustGlowTest, AccelerationAndSpeedAreCutBackToTheirBounds) {
    DustGlow* g = glow(1);
    Dust& speck = stillSpeck(*g, 0.5f);
    speck.acceleration = Vector3(10.0f, 0.0f, 0.0f);
    speck.velocity = Vector3(0.0f, 50.0f, 0.0f);
    g->update(0.0f);
    EXPECT_NEAR(speck.acceleration.length(), 0.5f, 1e-6f);
    EXPECT_GT(speck.acceleration.x, 0.499f) << "same direction";
    EXPECT_NEAR(speck.velocity.length(), 10.0f, 1e-5f);
}

TEST_F(DustGlowTest, MissingSettingsRejectTheGlowNamingTheKey) {
    EffectTest::expectEveryKeyRequired<DustGlow::Factory>(
        "DustGlow", {"maxradius", "maxacc", "maxspeed", "speedbrake", "rotationspeed",
                     "rotationcoursechange", "particles"});
}

class DustGlowRenderTest : public EffectTest::EffectSceneTest {};

TEST_F(DustGlowRenderTest, SpecksGlowWhereTheyAre) {
    EffectTest::EffectGame game;
    Random::seed(1);
    auto* g = dynamic_cast<DustGlow*>(DustGlow::Factory().create(
        element("<entity name='glow'><position>0 0 -2</position><maxradius>0</maxradius>"
                "<maxacc>0.1</maxacc><maxspeed>1</maxspeed><speedbrake>1</speedbrake>"
                "<rotationspeed>90</rotationspeed><rotationcoursechange>1</rotationcoursechange>"
                "<particles>3</particles><trianglesize>0.1</trianglesize></entity>")));
    ASSERT_NE(g, nullptr);
    const std::vector<Zem::Main::Entity*> specks(g->specks.begin(), g->specks.end());
    renderFrame(specks);
    const auto albedo = image();
    EXPECT_GT(litAround(albedo, pixelOf(Vector3(0.0f, 0.0f, -2.0f)), 10), 20);
    EXPECT_EQ(litAround(albedo, {20, 20}, 20), 0);
    const auto glowing = image(true);
    EXPECT_GT(*std::max_element(glowing.begin(), glowing.end()), 10.0f)
        << "the glow target carries the speck's ambient of 30";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
