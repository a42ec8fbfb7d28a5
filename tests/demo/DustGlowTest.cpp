#include "EffectRenderTest.h"
#include "EffectTestSupport.h"

#include "demo/Dust.h"
#include "demo/DustGlow.h"
#include "main/Random.h"

using namespace EffectTest;
using Zem::Graphics::Matrix4;
using Zem::Graphics::Vector3;
using Zem::Resource::XmlNode;

namespace {

DustGlow* makeGlow(const std::string& settings) {
    return named<DustGlow>("<maxradius>2</maxradius><rotationspeed>90</rotationspeed>"
                           "<rotationcoursechange>1</rotationcoursechange><maxacc>0.5</maxacc>" +
                           settings);
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

// Per frame, whatever dt: the acceleration gains 0.01 of wander and 0.005 towards the shell and
// is cut back to "maxacc" (0.5); the braked velocity is cut back to "maxspeed". The position
// moves by the velocity of the frame before, times dt.
class DustGlowTest : public ::testing::Test {
protected:
    // One speck of a glow stepped by half a second; where it is after the move, 2 from the
    // centre along y, is inside or outside its shell. The expected values are kept.
    Dust& stepSpeck(float maxSpeed, float brake, float shell, const Vector3& acceleration,
                    const Vector3& velocity) {
        DustGlow* glow =
            makeGlow("<maxspeed>" + std::to_string(maxSpeed) + "</maxspeed><speedbrake>" +
                     std::to_string(brake) + "</speedbrake><particles>1</particles>");
        Dust& speck = *glow->specks.at(0);
        speck.acceleration = acceleration;
        speck.velocity = velocity;
        speck.shellRadius = shell;
        speck.setWorldMatrix(Matrix4::translation(-0.05f, 2.0f, 0.0f));
        moved = speck.getWorldMatrix().getTranslation() + velocity * 0.5f;
        const Vector3 wander = wanderAfterSeed(5);
        glow->update(0.5f);
        // Outside its shell a speck is pulled in, inside it (or on it) pushed out.
        towardShell = shell < moved.length() ? -moved : moved;
        towardShell.normalise();
        expectedAcceleration = cutBack(acceleration + wander * 0.01f + towardShell * 0.005f, 0.5f);
        expectedVelocity = cutBack((velocity + expectedAcceleration) * brake, maxSpeed);
        return speck;
    }

    ZemTest::SceneGame game;
    Vector3 moved, towardShell, expectedAcceleration, expectedVelocity;
};

TEST_F(DustGlowTest, ParticlesSpecksAreBuiltInTheGlowsRoom) {
    auto* hall = new Zem::Main::Room(XmlNode("<entity name='hall'/>"));
    for (const int particles : {0, 2}) {
        SCOPED_TRACE(particles);
        DustGlow* glow = makeGlow("<parent>hall</parent><maxspeed>10</maxspeed><speedbrake>1"
                                  "</speedbrake><particles>" +
                                  std::to_string(particles) + "</particles>");
        ASSERT_NE(glow, nullptr);
        ASSERT_EQ(glow->specks.size(), static_cast<std::size_t>(particles));
        for (const Dust* speck : glow->specks) {
            EXPECT_EQ(speck->room, hall);
        }
    }
}

TEST_F(DustGlowTest, TheAccelerationIsCutBackToMaxAcc) {
    const Dust& speck = stepSpeck(100.0f, 0.5f, 0.0f, {3, 0, -4}, {0, 1, 0});
    EXPECT_LT((speck.acceleration - expectedAcceleration).length(), 1e-5f);
}

TEST_F(DustGlowTest, TheBrakedVelocityIsCutBackToMaxSpeed) {
    const Dust& speck = stepSpeck(0.2f, 0.9f, 50.0f, {0.1f, 0, 0}, {0, 3, 0});
    EXPECT_LT((speck.velocity - expectedVelocity).length(), 1e-5f);
}

TEST_F(DustGlowTest, ASpeckOutsideItsShellIsPulledIn) {
    const Dust& speck = stepSpeck(100.0f, 0.5f, 0.0f, {0, 0.1f, 0}, {0, 1, 0});
    ASSERT_LT(towardShell.y, 0.0f);
    EXPECT_LT((speck.acceleration - expectedAcceleration).length(), 1e-5f);
}

TEST_F(DustGlowTest, ASpeckInsideItsShellIsPushedOut) {
    const Dust& speck = stepSpeck(0.2f, 0.9f, 50.0f, {0.1f, 0, 0}, {0, 3, 0});
    ASSERT_GT(towardShell.y, 0.0f);
    EXPECT_LT((speck.acceleration - expectedAcceleration).length(), 1e-5f);
}

TEST_F(DustGlowTest, ASpeckOnItsShellIsPushedOut) {
    const Dust& speck = stepSpeck(100.0f, 1.0f, 2.0f, {0, 0.1f, 0}, {0.1f, 0, 0});
    ASSERT_GT(towardShell.y, 0.0f);
    EXPECT_LT((speck.acceleration - expectedAcceleration).length(), 1e-5f);
}

TEST_F(DustGlowTest, ASpeckMovesByTheVelocityOfTheFrameBefore) {
    Dust& speck = stepSpeck(100.0f, 1.0f, 2.0f, {0, 0.1f, 0}, {0.1f, 0, 0});
    EXPECT_LT((speck.getWorldMatrix().getTranslation() - moved).length(), 1e-5f);
}

TEST_F(DustGlowTest, EverySettingIsRequired) {
    expectEveryKeyRequired<DustGlow>({"maxradius", "maxacc", "maxspeed", "speedbrake",
                                      "rotationspeed", "rotationcoursechange", "particles"});
}

// Refused before anything is built.
TEST_F(DustGlowTest, MoreThan4096SpecksAreRefusedNamingTheGlowAndItsParticles) {
    DustGlow* made = nullptr;
    const std::string said = reportedBuilding(
        "<particles>2000000000</particles><maxradius>1</maxradius><maxacc>1</maxacc><maxspeed>1"
        "</maxspeed><speedbrake>1</speedbrake><rotationspeed>1</rotationspeed>"
        "<rotationcoursechange>1</rotationcoursechange>",
        made);
    EXPECT_EQ(made, nullptr);
    EXPECT_TRUE(mentions(said, {"\"big\"", "2000000000", "\"particles\""})) << said;
}

using DustGlowRenderTest = EffectRenderTest;

TEST_F(DustGlowRenderTest, SpecksGlowWhereTheyAre) {
    Zem::Main::Random::seed(1);
    auto* glow = make<DustGlow>(
        "<entity name='glow'><position>0 0 -2</position><maxradius>0</maxradius><maxacc>0.1"
        "</maxacc><maxspeed>1</maxspeed><speedbrake>1</speedbrake><rotationspeed>90"
        "</rotationspeed><rotationcoursechange>1</rotationcoursechange><particles>3</particles>"
        "<trianglesize>0.1</trianglesize></entity>");
    ASSERT_NE(glow, nullptr);
    expectDrawnAt(std::vector<Zem::Main::Entity*>(glow->specks.begin(), glow->specks.end()),
                  {Vector3(0.0f, 0.0f, -2.0f)}, {Vector3(0.3f, 0.0f, -2.0f)});
    EXPECT_GT(texelAt(Vector3(0.0f, 0.0f, -2.0f), true)[0], 10.0f) << "an ambient of 30";
}

} // namespace
