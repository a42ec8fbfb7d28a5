#include "EffectScene.h"

#include "demo/Dust.h"
#include "demo/DustGlow.h"
#include "main/Random.h"
#include "main/Room.h"

#include <gtest/gtest.h>

namespace {

using Zem::Graphics::Vector3;

DustGlow* makeGlow(const std::string& settings) {
    return dynamic_cast<DustGlow*>(DustGlow::Factory().create(EffectTest::element(
        "<entity name='glow'><maxradius>2</maxradius><rotationspeed>90</rotationspeed>"
        "<rotationcoursechange>1</rotationcoursechange>" +
        settings + "</entity>")));
}

TEST(DustGlowTest, ParticlesSpecksInTheGlowsRoomAndEverySettingRequired) {
    EffectTest::EffectGame game;
    auto* hall = new Zem::Main::Room(EffectTest::element("<entity name='hall'/>"));
    for (const int particles : {0, 2}) {
        SCOPED_TRACE(particles);
        DustGlow* glow = makeGlow("<parent>hall</parent><maxacc>0.5</maxacc><maxspeed>10"
                                  "</maxspeed><speedbrake>1</speedbrake><particles>" +
                                  std::to_string(particles) + "</particles>");
        ASSERT_NE(glow, nullptr);
        ASSERT_EQ(glow->specks.size(), static_cast<std::size_t>(particles));
        for (const Dust* speck : glow->specks) {
            EXPECT_EQ(speck->room, hall);
        }
    }
    EffectTest::expectEveryKeyRequired<DustGlow::Factory>(
        "DustGlow", {"maxradius", "maxacc", "maxspeed", "speedbrake", "rotationspeed",
                     "rotationcoursechange", "particles"});
}

// The frame's draws: three for the tumbling axis, then the wander, drawn z, y, x.
Vector3 wanderAfterSeed(int32_t seed) {
    Zem::Main::Random::seed(seed);
    for (int i = 0; i < 3; ++i) {
        Zem::Main::Random::unit();
    }
    Vector3 v;
    v.z = Zem::Main::Random::unit() - 0.5f;
    v.y = Zem::Main::Random::unit() - 0.5f;
    v.x = Zem::Main::Random::unit() - 0.5f;
    Zem::Main::Random::seed(seed);
    return v;
}

Vector3 cutBack(Vector3 v, float limit) {
    if (v.length() > limit) {
        v.normalise();
        v = v * limit;
    }
    return v;
}

// Per frame, whatever dt: the acceleration gains 0.01 of wander and 0.005 towards the shell
// and is cut back to "maxacc"; the braked velocity is cut back to "maxspeed". The position
// moves by the velocity of the frame before, times dt.
TEST(DustGlowTest, AccelerationAndSpeedAreCutBackToTheirLimitsEveryFrame) {
    EffectTest::EffectGame game;
    struct Case {
        float maxSpeed, brake, shell;
        Vector3 acceleration, velocity;
    };
    // Outside its shell a speck is pulled in, inside it (or on it) pushed out.
    const Case cases[] = {{100.0f, 0.5f, 0.0f, {3, 0, -4}, {0, 1, 0}},       // acceleration cut
                          {0.2f, 0.9f, 50.0f, {0.1f, 0, 0}, {0, 3, 0}},      // velocity cut
                          {100.0f, 1.0f, 2.0f, {0, 0.1f, 0}, {0.1f, 0, 0}}}; // on the shell
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shell);
        DustGlow* glow = makeGlow("<maxacc>0.5</maxacc><maxspeed>" + std::to_string(c.maxSpeed) +
                                  "</maxspeed><speedbrake>" + std::to_string(c.brake) +
                                  "</speedbrake><particles>1</particles>");
        ASSERT_NE(glow, nullptr);
        Dust& speck = *glow->specks[0];
        speck.acceleration = c.acceleration;
        speck.velocity = c.velocity;
        speck.shellRadius = c.shell;
        // Where the speck will be after this frame's move: 2 from the centre along y.
        speck.setWorldMatrix(Zem::Graphics::Matrix4::translation(-0.05f, 2.0f, 0.0f));
        const Vector3 start = speck.getWorldMatrix().getTranslation();
        const Vector3 wander = wanderAfterSeed(5);
        glow->update(0.5f);

        const Vector3 moved = start + c.velocity * 0.5f;
        Vector3 towardShell = c.shell < moved.length() ? -moved : moved;
        towardShell.normalise();
        const Vector3 a = cutBack(c.acceleration + wander * 0.01f + towardShell * 0.005f, 0.5f);
        EXPECT_LT((speck.acceleration - a).length(), 1e-5f);
        EXPECT_LT((speck.velocity - cutBack((c.velocity + a) * c.brake, c.maxSpeed)).length(),
                  1e-5f);
        EXPECT_LT((speck.getWorldMatrix().getTranslation() - moved).length(), 1e-5f);
    }
}

} // namespace
