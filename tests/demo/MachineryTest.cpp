#include "EffectScene.h"

#include "demo/Machinery/Axis.h"
#include "demo/Machinery/Cog.h"
#include "demo/Machinery/readTransform.h"
#include "main/Room.h"
#include "physics/Occluder.h"
#include "resource/Mesh.h"
#include "resource/OBJLoader.h"
#include "support/SceneFixtures.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>

using EffectTest::element;
using Machinery::Axis;
using Machinery::Cog;
using Zem::Graphics::Matrix4;
using Zem::Graphics::Vector3;
using Zem::Main::Entity;

namespace {

void expectMatrixNear(const Matrix4& actual, const Matrix4& expected, float tolerance = 1e-5f) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(actual.m[i], expected.m[i], tolerance) << "element " << i;
    }
}

void expectPointNear(const Vector3& actual, const Vector3& expected, float tolerance = 1e-5f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

Matrix4 turnAboutZ(float degrees) {
    return Matrix4::rotation(degrees, 0.0f, 0.0f, 1.0f);
}

// A game with one room, "hall", and the two part factories; no meshes can be loaded, so the
// parts have no model.
class MachineryTest : public ::testing::Test {
protected:
    void SetUp() override {
        Zem::Resource::ResourceManager::instance().reset();
        hall = new Zem::Main::Room(element("<entity name='hall'/>"));
    }
    void TearDown() override { Zem::Resource::ResourceManager::instance().reset(); }

    Entity* cog(const std::string& xml) { return cogFactory.create(element(xml)); }
    Entity* axis(const std::string& xml) { return axisFactory.create(element(xml)); }

    // A driving cog in the hall with the given radius and transform text.
    Cog* driver(const std::string& radius = "1",
                const std::string& transform = "<translate>1 2 3</translate>") {
        return dynamic_cast<Cog*>(cog("<entity name='driver'><parent>hall</parent><radius>" +
                                      radius + "</radius><transform>" + transform +
                                      "</transform></entity>"));
    }

    EffectTest::EffectGame game;
    Zem::Main::Room* hall = nullptr;
    Cog::Factory cogFactory;
    Axis::Factory axisFactory;
};

TEST_F(MachineryTest, DrivingCogTurnsTwoRadiansPerSecondOnItsBaseTransform) {
    Cog* first = driver("1", "<translate>1 2 3</translate><rotate>30,1,0,0</rotate>");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->room, hall);
    EXPECT_FALSE(first->autoMatrix);
    const Matrix4 base = Matrix4::product(Matrix4::translation(1.0f, 2.0f, 3.0f),
                                          Matrix4::rotation(30.0f, 1.0f, 0.0f, 0.0f));
    expectMatrixNear(first->baseTransform, base);

    for (int i = 0; i < 4; ++i) {
        first->update(0.25f);
    }
    EXPECT_FLOAT_EQ(first->angle, 2.0f);
    expectMatrixNear(first->getWorldMatrix(), Matrix4::product(base, turnAboutZ(2.0f * 57.29578f)));
    // Channel writes never rebuild a part's matrix from position and rotation.
    first->setChannel(0, 5.0f);
    expectMatrixNear(first->getWorldMatrix(), Matrix4::product(base, turnAboutZ(2.0f * 57.29578f)));
}

TEST_F(MachineryTest, MeshingCogTurnsTheOtherWayByTheRatioOfRadii) {
    Cog* first = driver("1");
    auto* second = dynamic_cast<Cog*>(
        cog("<entity name='second' origin='cog'><parent>driver</parent><radius>0.5</radius>"
            "</entity>"));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->parentPart, first);
    EXPECT_EQ(second->room, hall);
    ASSERT_EQ(first->childParts.size(), 1u);

    // The driver pushes the angle it had, then turns: the train is a frame behind.
    first->update(0.5f);
    EXPECT_FLOAT_EQ(second->angle, 0.0f);
    first->update(0.0f);
    EXPECT_FLOAT_EQ(first->angle, 1.0f);
    EXPECT_FLOAT_EQ(second->angle, -2.0f);
    second->update(0.5f);
    EXPECT_FLOAT_EQ(second->angle, -2.0f) << "a driven cog never turns on its own";
    expectMatrixNear(second->getWorldMatrix(),
                     Matrix4::product(second->baseTransform, turnAboutZ(-2.0f * 57.29578f)));
}

TEST_F(MachineryTest, CogOnAnAxleTurnsWithTheFirstCogWhateverItsRadius) {
    Cog* first = driver("1");
    auto* axle = dynamic_cast<Axis*>(axis("<entity name='axle'><parent>driver</parent>"
                                          "<depthoffset>0.5</depthoffset></entity>"));
    ASSERT_NE(axle, nullptr);
    auto* onAxle = dynamic_cast<Cog*>(
        cog("<entity name='big' origin='axis'><parent>axle</parent><radius>3</radius>"
            "<depthoffset>1</depthoffset></entity>"));
    ASSERT_NE(onAxle, nullptr);
    auto* meshing = dynamic_cast<Cog*>(
        cog("<entity name='small' origin='cog'><parent>big</parent><radius>1.5</radius>"
            "</entity>"));
    ASSERT_NE(meshing, nullptr);

    first->update(0.3f);
    first->update(0.0f);
    EXPECT_FLOAT_EQ(axle->angle, first->angle);
    EXPECT_FLOAT_EQ(onAxle->angle, first->angle);
    EXPECT_FLOAT_EQ(meshing->angle, -2.0f * first->angle);

    // Both sit on the driver's axis, moved along it by their offsets.
    expectPointNear(axle->baseTransform.getTranslation(), Vector3(1.0f, 2.0f, 3.5f));
    expectPointNear(onAxle->baseTransform.getTranslation(), Vector3(1.0f, 2.0f, 4.5f));
}

TEST_F(MachineryTest, CogAtNinetyDegreesStandsAboveItsParentTurnedHalfARound) {
    driver("1", "");
    auto* placed = dynamic_cast<Cog*>(
        cog("<entity name='top' origin='cog'><parent>driver</parent><angle>90</angle></entity>"));
    ASSERT_NE(placed, nullptr);
    expectPointNear(placed->baseTransform.getTranslation(), Vector3(0.0f, 2.0f, 0.0f));
    expectMatrixNear(placed->baseTransform,
                     Matrix4::product(Matrix4::translation(0.0f, 2.0f, 0.0f), turnAboutZ(180.0f)));
    // Its own +x axis now points along the parent's -x.
    expectPointNear(placed->baseTransform.transformPoint(Vector3(1.0f, 0.0f, 0.0f)),
                    Vector3(-1.0f, 2.0f, 0.0f));
}

TEST_F(MachineryTest, AxleOffsetFollowsTheParentsTurnedAxis) {
    driver("1", "<rotate>90,0,1,0</rotate>");
    auto* axle =
        dynamic_cast<Axis*>(axis("<entity name='axle'><parent>driver</parent><angle>45</angle>"
                                 "<depthoffset>0.5</depthoffset></entity>"));
    ASSERT_NE(axle, nullptr);
    // The driver's Z axis is the world's X axis.
    expectPointNear(axle->baseTransform.getTranslation(), Vector3(0.5f, 0.0f, 0.0f));
    expectMatrixNear(axle->baseTransform,
                     Matrix4::product(Matrix4::translation(0.5f, 0.0f, 0.0f),
                                      Matrix4::product(Matrix4::rotation(90.0f, 0.0f, 1.0f, 0.0f),
                                                       turnAboutZ(45.0f))));
}

TEST(MachineryTransformTest, RotateTakesTheAngleThenTheAxisAfterTheComma) {
    const Matrix4 m = Machinery::readTransform(element("<transform><rotate>90,0,1,0</rotate>"
                                                       "</transform>"));
    expectMatrixNear(m, Matrix4::rotation(90.0f, 0.0f, 1.0f, 0.0f));
    expectPointNear(m.transformPoint(Vector3(1.0f, 0.0f, 0.0f)), Vector3(0.0f, 0.0f, -1.0f));
}

TEST(MachineryTransformTest, FirstListedOperationIsAppliedLast) {
    const Matrix4 m = Machinery::readTransform(
        element("<transform><translate>1,0,0</translate><scale>9 9 9</scale>"
                "<rotate>90,0,0,1</rotate></transform>"));
    // Turned to (0, 1, 0) first, then moved; the unknown "scale" is ignored.
    expectPointNear(m.transformPoint(Vector3(1.0f, 0.0f, 0.0f)), Vector3(1.0f, 1.0f, 0.0f));
    expectMatrixNear(Machinery::readTransform(element("<transform/>")), Matrix4::identity());
}

TEST_F(MachineryTest, PartsThatCannotBePlacedAreRejectedWithTheirName) {
    driver("1");
    new Zem::Main::BaseEntity(element("<entity name='crate'/>"));
    auto* loose = new Cog(element("<entity name='loose'/>"));
    ASSERT_EQ(loose->room, nullptr);
    const std::size_t entityCount = game.entities.size();

    struct Case {
        const char* xml;
        const char* message;
    };
    const Case cases[] = {
        {"<entity name='a' origin='room'><parent>hall</parent></entity>",
         "Cog \"a\": no \"transform\", not created"},
        {"<entity name='b'><parent>hall</parent></entity>", "Cog \"b\": no \"transform\""},
        {"<entity name='c' origin='wall'><parent>driver</parent></entity>",
         "Cog \"c\": unknown origin \"wall\""},
        {"<entity name='d'><parent>nowhere</parent><transform/></entity>",
         "Cog \"d\": no parent \"nowhere\""},
        {"<entity name='e'><parent>crate</parent><transform/></entity>",
         "Cog \"e\": parent \"crate\" is not a room"},
        {"<entity name='f' origin='cog'><parent>hall</parent></entity>",
         "Cog \"f\": parent \"hall\" is not a Cog or an Axis"},
        {"<entity name='g' origin='axis'><parent>loose</parent></entity>",
         "Cog \"g\": parent \"loose\" is in no room"},
        {"<entity name='h' origin='cog'><parent>driver</parent><radius>0</radius></entity>",
         "Cog \"h\": a meshing cog of radius 0"},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(cog(c.xml), nullptr) << c.xml;
        EXPECT_NE(testing::internal::GetCapturedStdout().find(c.message), std::string::npos)
            << c.xml;
    }
    testing::internal::CaptureStdout();
    EXPECT_EQ(axis("<entity name='x'><parent>hall</parent></entity>"), nullptr);
    EXPECT_EQ(axis("<entity name='y'><parent>loose</parent></entity>"), nullptr);
    const std::string axisMessages = testing::internal::GetCapturedStdout();
    EXPECT_NE(axisMessages.find("Axis \"x\": parent \"hall\" is not a Cog or an Axis"),
              std::string::npos);
    EXPECT_NE(axisMessages.find("Axis \"y\": parent \"loose\" is in no room"), std::string::npos);
    EXPECT_EQ(game.entities.size(), entityCount) << "a rejected part must leave nothing behind";
}

TEST_F(MachineryTest, DestroyingAPartUnlinksItFromItsTrain) {
    Cog* first = driver("1");
    Entity* second = cog("<entity name='second' origin='cog'><parent>driver</parent></entity>");
    auto* third = dynamic_cast<Cog*>(
        cog("<entity name='third' origin='cog'><parent>driver</parent><angle>180</angle>"
            "</entity>"));
    ASSERT_NE(third, nullptr);
    delete second;
    ASSERT_EQ(first->childParts.size(), 1u);
    EXPECT_EQ(first->childParts[0], third);
    first->update(1.0f);
    first->update(0.0f);
    EXPECT_FLOAT_EQ(third->angle, -2.0f);

    // The driver goes first: its child keeps no connector that would read it.
    delete first;
    EXPECT_EQ(third->parentPart, nullptr);
    EXPECT_EQ(third->input, nullptr);
    third->propagate();
    EXPECT_FLOAT_EQ(third->angle, -2.0f);
}

TEST_F(MachineryTest, CollisionTrianglesComeFromTheModelWithIdZero) {
    ZemTest::MeshFiles files;
    files.write("wheel.testmesh", {{0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 0, 1, 1, 0, 1, 0, 1, 1}});
    auto* wheel = dynamic_cast<Cog*>(
        cog("<entity name='wheel'><parent>hall</parent><transform/><model>wheel.testmesh</model>"
            "<radius>0.5</radius><depth>2</depth></entity>"));
    ASSERT_NE(wheel, nullptr);
    ASSERT_NE(wheel->model, nullptr);
    ASSERT_EQ(wheel->occluders.size(), 2u);
    for (const auto& occluder : wheel->occluders) {
        EXPECT_EQ(occluder->id, 0);
        EXPECT_EQ(occluder->owner, wheel);
    }
    EXPECT_FLOAT_EQ(wheel->radius, 2.0f) << "the larger of radius and depth";
}

class MachineryGLTest : public ZemTest::GLTest {};

TEST_F(MachineryGLTest, DrawScalesTheUnitPartToRadiusAndDepth) {
    EffectTest::EffectGame game;
    Cog part(element("<entity><radius>0.5</radius><depth>0.25</depth></entity>"));
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1.0f, 0.0f, 0.0f);
    part.draw();
    Matrix4 modelView;
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView.m);
    glLoadIdentity();
    expectMatrixNear(modelView, Matrix4::product(Matrix4::translation(1.0f, 0.0f, 0.0f),
                                                 Matrix4::scale(0.5f, 0.5f, 0.25f)));
}

// The generated unit parts: every triangle faces the way its normals say, so culling keeps
// the outside, and the extents are those the parts are scaled by.
void checkUnitMesh(const std::string& file, float radialReach, float minimumReach) {
    std::ifstream in(file);
    ASSERT_TRUE(in) << file;
    std::string error;
    std::string library;
    auto mesh = Zem::Resource::OBJLoader::buildGeometry(in, error, &library);
    ASSERT_NE(mesh, nullptr) << file << ": " << error;
    EXPECT_FALSE(library.empty());
    float reach = 0.0f;
    for (const auto& group : mesh->groups) {
        ASSERT_FALSE(group->indices.empty());
        const auto& p = group->positions;
        for (std::size_t v = 0; v < p.size(); v += 3) {
            reach = std::max(reach, std::hypot(p[v], p[v + 1]));
            EXPECT_LE(std::fabs(p[v + 2]), 0.5f + 1e-5f) << file;
        }
        for (std::size_t t = 0; t < group->indices.size(); t += 3) {
            const std::size_t a = 3 * group->indices[t];
            const std::size_t b = 3 * group->indices[t + 1];
            const std::size_t c = 3 * group->indices[t + 2];
            const Vector3 pa(p[a], p[a + 1], p[a + 2]);
            const Vector3 face = Vector3::cross(Vector3(p[b], p[b + 1], p[b + 2]) - pa,
                                                Vector3(p[c], p[c + 1], p[c + 2]) - pa);
            const Vector3 normal(group->normals[a], group->normals[a + 1], group->normals[a + 2]);
            ASSERT_GT(Vector3::dot(face, normal), 0.0f) << file << " triangle " << t / 3;
        }
    }
    EXPECT_LE(reach, radialReach + 1e-4f) << file;
    EXPECT_GE(reach, minimumReach) << file;
}

TEST(MachineryMeshTest, DefaultCogAndAxleAreUnitPartsFacingOutward) {
    checkUnitMesh("data/kugghjul.obj", 1.08f, 1.07f);
    checkUnitMesh("data/axel.obj", 1.0f, 0.999f);
}

class MachineryRenderTest : public EffectTest::EffectSceneTest {};

TEST_F(MachineryRenderTest, TrainIsDrawnWhereItIsPlaced) {
    EffectTest::EffectGame game;
    new Zem::Main::Room(element("<entity name='hall'/>"));
    Cog::Factory factory;
    auto* first = dynamic_cast<Cog*>(
        factory.create(element("<entity name='driver'><parent>hall</parent><radius>0.6</radius>"
                               "<depth>0.3</depth><transform><translate>-1 0 -5</translate>"
                               "</transform></entity>")));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(first->model, nullptr) << "kugghjul.obj";
    testing::internal::CaptureStdout();
    // A model that cannot be loaded falls back to the default wheel.
    auto* second = dynamic_cast<Cog*>(factory.create(
        element("<entity name='second' origin='cog'><parent>driver</parent><radius>0.6</radius>"
                "<depth>0.3</depth><model>missing.obj</model></entity>")));
    testing::internal::GetCapturedStdout();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->model, first->model);
    first->update(0.1f);
    second->update(0.1f);

    renderFrame({first, second});
    const auto albedo = albedoImage();
    // Through the teeth ring of each wheel, left and right of the screen's centre; the bores
    // and the space above the wheels stay empty.
    EXPECT_TRUE(lit(albedo, pixelOf(Vector3(-1.5f, 0.0f, -4.85f))));
    EXPECT_TRUE(lit(albedo, pixelOf(Vector3(0.7f, 0.0f, -4.85f))));
    EXPECT_FALSE(lit(albedo, pixelOf(Vector3(-1.0f, 0.0f, -4.85f))));
    EXPECT_FALSE(lit(albedo, pixelOf(Vector3(-1.0f, 1.0f, -4.85f))));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
