#include "EffectScene.h"

#include "demo/Dust.h"
#include "demo/DustGlow.h"
#include "graphics/LightShader.h"
#include "graphics/ShaderRegistry.h"
#include "graphics/View.h"
#include "main/Random.h"
#include "main/Room.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using EffectTest::element;
using Zem::Graphics::Matrix4;
using Zem::Graphics::Vector3;
using Zem::Main::Random;

namespace {

void expectVectorNear(const Vector3& actual, const Vector3& expected, float tolerance = 1e-6f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// The order every random vector is drawn in: z first, then y, then x.
Vector3 drawVector(float shift) {
    Vector3 v;
    v.z = Random::unit() - shift;
    v.y = Random::unit() - shift;
    v.x = Random::unit() - shift;
    return v;
}

Vector3 normalised(Vector3 v) {
    v.normalise();
    return v;
}

void skipDraws(int count) {
    for (int i = 0; i < count; ++i) {
        Random::next();
    }
}

const char* const allSettings = "<maxradius>2</maxradius><maxacc>0.5</maxacc>"
                                "<maxspeed>10</maxspeed><speedbrake>1</speedbrake>"
                                "<rotationspeed>90</rotationspeed>"
                                "<rotationcoursechange>1</rotationcoursechange>";

class DustGlowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Zem::Resource::ResourceManager::instance().reset();
        hall = new Zem::Main::Room(element("<entity name='hall'/>"));
    }

    DustGlow* glow(int particles, const std::string& extra = "",
                   const std::string& settings = allSettings) {
        return dynamic_cast<DustGlow*>(DustGlow::Factory().create(element(
            "<entity name='glow'><parent>hall</parent><position>1 2 3</position>" + settings +
            "<particles>" + std::to_string(particles) + "</particles>" + extra + "</entity>")));
    }

    // A still speck at `offset` from the glow's centre, on a shell of radius 1.
    static void placeStill(Dust& speck, const Vector3& offset) {
        speck.setWorldMatrix(
            Matrix4::translation(1.0f + offset.x, 2.0f + offset.y, 3.0f + offset.z));
        speck.shellRadius = 1.0f;
        speck.velocity = Vector3();
        speck.acceleration = Vector3();
    }

    EffectTest::EffectGame game;
    Zem::Main::Room* hall = nullptr;
};

TEST_F(DustGlowTest, SpecksAreLightsOfTheGameInTheGlowsRoom) {
    DustGlow* g = glow(3, "<trianglesize>0.02</trianglesize><dustinitdata><color>1 0.5 0.25"
                          "</color><radius>2</radius></dustinitdata>");
    ASSERT_NE(g, nullptr);
    ASSERT_EQ(g->specks.size(), 3u);
    for (Dust* speck : g->specks) {
        EXPECT_EQ(speck->room, hall);
        EXPECT_FALSE(speck->autoMatrix);
        EXPECT_EQ(speck->colour, Vector3(1.0f, 0.5f, 0.25f));
        EXPECT_FLOAT_EQ(speck->radius, 2.0f);
        EXPECT_NE(speck->flags & Zem::Main::EntityFlags::NoPortalTransfer, 0u);
        EXPECT_FLOAT_EQ(speck->triangleSize, 0.02f);
        EXPECT_NE(std::find(game.entities.begin(), game.entities.end(), speck),
                  game.entities.end());
        // Within the largest starting distance of the centre, on its own shell.
        const Vector3 offset = speck->getWorldMatrix().getTranslation() - g->position;
        EXPECT_LE(offset.length(), 2.0f + 1e-5f);
        EXPECT_NEAR(offset.length(), speck->shellRadius, 1e-5f);
    }
    DustGlow* plain = glow(1);
    ASSERT_NE(plain, nullptr);
    EXPECT_FLOAT_EQ(plain->specks[0]->triangleSize, 0.01f);
}

TEST_F(DustGlowTest, EachSpeckTakesEighteenDrawsInOrder) {
    Random::seed(99);
    DustGlow* g = glow(2);
    ASSERT_NE(g, nullptr);
    const int afterGlow = Random::next();

    Random::seed(99);
    for (Dust* speck : g->specks) {
        const Vector3 axis = normalised(drawVector(0.0f));
        const float degrees = Random::unit() * 180.0f;
        const Vector3 direction = normalised(drawVector(0.5f));
        const Vector3 offset = direction * (Random::unit() * 2.0f);
        Matrix4 expected = Matrix4::rotation(degrees, axis.x, axis.y, axis.z);
        expected.m[12] = 1.0f + offset.x;
        expected.m[13] = 2.0f + offset.y;
        expected.m[14] = 3.0f + offset.z;
        for (int i = 0; i < 16; ++i) {
            EXPECT_NEAR(speck->getWorldMatrix().m[i], expected.m[i], 1e-5f);
        }
        EXPECT_NEAR(speck->shellRadius, offset.length(), 1e-6f);
        expectVectorNear(speck->velocity, drawVector(0.5f) * 0.1f);
        const Vector3 push = normalised(drawVector(0.5f));
        expectVectorNear(speck->acceleration, push * (Random::unit() * 0.5f));
        expectVectorNear(speck->spinAxis, normalised(drawVector(0.5f)));
    }
    EXPECT_EQ(Random::next(), afterGlow) << "two specks, 36 draws";
}

TEST_F(DustGlowTest, UpdateMovesBySpeedTimesFrameAndDrawsSixPerSpeck) {
    DustGlow* g = glow(2, "",
                       "<maxradius>2</maxradius><maxacc>0.5</maxacc><maxspeed>10</maxspeed>"
                       "<speedbrake>0.5</speedbrake><rotationspeed>90</rotationspeed>"
                       "<rotationcoursechange>1</rotationcoursechange>");
    ASSERT_NE(g, nullptr);
    g->specks[0]->velocity = Vector3(1.0f, -2.0f, 0.5f);
    const Vector3 before = g->specks[0]->getWorldMatrix().getTranslation();
    Random::seed(7);
    skipDraws(12);
    const int afterUpdate = Random::next();

    Random::seed(7);
    g->update(0.5f);
    EXPECT_EQ(Random::next(), afterUpdate);
    expectVectorNear(g->specks[0]->getWorldMatrix().getTranslation(),
                     before + Vector3(0.5f, -1.0f, 0.25f), 1e-5f);
    EXPECT_NEAR(g->specks[0]->spinAxis.length(), 1.0f, 1e-5f);
    // The inverse follows the new matrix.
    const Matrix4 product =
        Matrix4::product(g->specks[0]->getWorldMatrix(), g->specks[0]->getInverseWorldMatrix());
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(product.m[i], Matrix4::identity().m[i], 1e-4f);
    }
}

TEST_F(DustGlowTest, ShellPushesOutwardInsideAndOnItAndPullsInwardOutside) {
    DustGlow* g = glow(1);
    ASSERT_NE(g, nullptr);
    Dust& speck = *g->specks[0];
    const struct {
        float distance;
        float push;
    } cases[] = {{0.5f, 0.005f}, {1.0f, 0.005f}, {2.0f, -0.005f}};
    for (const auto& c : cases) {
        placeStill(speck, Vector3(c.distance, 0.0f, 0.0f));
        Random::seed(3);
        g->update(0.0f);
        Random::seed(3);
        skipDraws(3);
        const Vector3 expected = drawVector(0.5f) * 0.01f + Vector3(c.push, 0.0f, 0.0f);
        expectVectorNear(speck.acceleration, expected);
        // Brake 1: the velocity is the acceleration of one frame.
        expectVectorNear(speck.velocity, expected);
    }
}

TEST_F(DustGlowTest, AccelerationAndSpeedAreCutBackToTheirBounds) {
    DustGlow* g = glow(1, "",
                       "<maxradius>2</maxradius><maxacc>0.5</maxacc><maxspeed>0.1</maxspeed>"
                       "<speedbrake>1</speedbrake><rotationspeed>90</rotationspeed>"
                       "<rotationcoursechange>1</rotationcoursechange>");
    ASSERT_NE(g, nullptr);
    Dust& speck = *g->specks[0];
    placeStill(speck, Vector3(0.5f, 0.0f, 0.0f));
    speck.acceleration = Vector3(10.0f, 0.0f, 0.0f);
    speck.velocity = Vector3(0.0f, 5.0f, 0.0f);
    g->update(0.0f);
    EXPECT_NEAR(speck.acceleration.length(), 0.5f, 1e-6f);
    EXPECT_GT(speck.acceleration.x, 0.499f) << "same direction";
    EXPECT_NEAR(speck.velocity.length(), 0.1f, 1e-6f);

    // Within the bounds nothing is cut: the velocity grows by the acceleration each frame.
    DustGlow* free = glow(1);
    ASSERT_NE(free, nullptr);
    Dust& drifting = *free->specks[0];
    placeStill(drifting, Vector3(0.5f, 0.0f, 0.0f));
    drifting.velocity = Vector3(0.0f, 1.0f, 0.0f);
    free->update(0.0f);
    expectVectorNear(drifting.velocity, Vector3(0.0f, 1.0f, 0.0f) + drifting.acceleration);
}

TEST_F(DustGlowTest, NoParticlesMeansNoSpecksAndNoDraws) {
    Random::seed(5);
    const int first = Random::next();
    Random::seed(5);
    DustGlow* g = glow(0);
    ASSERT_NE(g, nullptr);
    EXPECT_TRUE(g->specks.empty());
    g->update(0.1f);
    EXPECT_EQ(Random::next(), first);
}

TEST_F(DustGlowTest, MissingSettingsRejectTheGlowNamingTheKey) {
    const char* const keys[] = {"maxradius",  "maxacc",        "maxspeed",
                                "speedbrake", "rotationspeed", "rotationcoursechange",
                                "particles"};
    for (const char* missing : keys) {
        std::string xml = "<entity name='glow'>";
        for (const char* key : keys) {
            if (std::string(key) != missing) {
                xml += std::string("<") + key + ">1</" + key + ">";
            }
        }
        xml += "</entity>";
        testing::internal::CaptureStdout();
        EXPECT_EQ(DustGlow::Factory().create(element(xml)), nullptr) << missing;
        EXPECT_NE(testing::internal::GetCapturedStdout().find(
                      std::string("DustGlow \"glow\": no \"") + missing + "\" setting"),
                  std::string::npos);
    }
    EXPECT_EQ(game.entities.size(), 1u) << "only the hall";
}

class DustGLTest : public ZemTest::GLTest {};

TEST_F(DustGLTest, SpeckMaterialIsVeryBright) {
    EffectTest::EffectGame game;
    Dust speck(element("<entity/>"));
    speck.draw();
    GLfloat ambient[4] = {};
    GLfloat diffuse[4] = {};
    GLfloat specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    GLfloat shininess = 0.0f;
    glGetMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glGetMaterialfv(GL_BACK, GL_DIFFUSE, diffuse);
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(ambient[i], 30.0f);
        EXPECT_FLOAT_EQ(diffuse[i], 30.0f);
        EXPECT_FLOAT_EQ(specular[i], 0.0f);
    }
    EXPECT_FLOAT_EQ(shininess, 1.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

class DustGlowRenderTest : public EffectTest::EffectSceneTest {};

TEST_F(DustGlowRenderTest, SpecksGlowWhereTheyAreAndQueueAsLights) {
    EffectTest::EffectGame game;
    Random::seed(1);
    auto* g = dynamic_cast<DustGlow*>(DustGlow::Factory().create(
        element("<entity name='glow'><position>0 0 -2</position><maxradius>0</maxradius>"
                "<maxacc>0.1</maxacc><maxspeed>1</maxspeed><speedbrake>1</speedbrake>"
                "<rotationspeed>90</rotationspeed><rotationcoursechange>1</rotationcoursechange>"
                "<particles>3</particles><trianglesize>0.1</trianglesize>"
                "<dustinitdata><radius>1</radius></dustinitdata></entity>")));
    ASSERT_NE(g, nullptr);
    std::vector<Zem::Main::Entity*> specks(g->specks.begin(), g->specks.end());

    {
        Zem::Graphics::View root;
        prepareView(root, specks);
        const auto* lights = Zem::Graphics::ShaderRegistry::findPass(
            root.passes, Zem::Graphics::LightShader::passId);
        const auto* geometry = Zem::Graphics::ShaderRegistry::findPass(
            root.passes, Zem::Graphics::ShaderRegistry::instance().defaultGeometryPass);
        ASSERT_NE(lights, nullptr);
        ASSERT_NE(geometry, nullptr);
        EXPECT_EQ(lights->queue, specks);
        EXPECT_EQ(geometry->queue, specks);
    }

    renderFrame(specks);
    const auto albedo = albedoImage();
    const Pixel centre = pixelOf(Vector3(0.0f, 0.0f, -2.0f));
    EXPECT_GT(litCount(albedo, {centre.x - 10, centre.y - 10}, {centre.x + 10, centre.y + 10}), 20);
    const auto glow = glowImage();
    float brightest = 0.0f;
    for (int y = centre.y - 10; y <= centre.y + 10; ++y) {
        for (int x = centre.x - 10; x <= centre.x + 10; ++x) {
            brightest = std::max(brightest, at(glow, {x, y})[0]);
        }
    }
    EXPECT_GT(brightest, 10.0f) << "the glow target carries the speck's ambient of 30";
    EXPECT_EQ(litCount(albedo, {0, 0}, {40, 40}), 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
