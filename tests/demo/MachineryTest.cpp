#include "EffectScene.h"

#include "demo/Machinery/Axis.h"
#include "demo/Machinery/Cog.h"
#include "demo/Machinery/readTransform.h"
#include "main/Room.h"

#include <gtest/gtest.h>

using EffectTest::element;
using EffectTest::expectMatrixNear;
using Machinery::Axis;
using Machinery::Cog;
using Zem::Graphics::Matrix4;
using Zem::Graphics::Vector3;

namespace {

Matrix4 turnAboutZ(float degrees) {
    return Matrix4::rotation(degrees, 0.0f, 0.0f, 1.0f);
}

Cog* cog(const std::string& xml) {
    return dynamic_cast<Cog*>(Cog::Factory().create(element(xml)));
}
Axis* axis(const std::string& xml) {
    return dynamic_cast<Axis*>(Axis::Factory().create(element(xml)));
}

// A game with one room, "hall"; no loaders, so the parts have no model.
class MachineryTest : public ::testing::Test {
protected:
    void SetUp() override {
        Zem::Resource::ResourceManager::instance().reset();
        new Zem::Main::Room(element("<entity name='hall'/>"));
    }

    // A driving cog of radius 1 in the hall.
    Cog* driver(const std::string& transform = "<translate>1 2 3</translate>") {
        return cog("<entity name='driver'><parent>hall</parent><transform>" + transform +
                   "</transform></entity>");
    }

    EffectTest::EffectGame game;
};

TEST_F(MachineryTest, DrivingCogTurnsTwoRadiansPerSecondOnItsBaseTransform) {
    Cog* first = driver("<translate>1 2 3</translate><rotate>30,1,0,0</rotate>");
    ASSERT_NE(first, nullptr);
    const Matrix4 base = Matrix4::product(Matrix4::translation(1.0f, 2.0f, 3.0f),
                                          Matrix4::rotation(30.0f, 1.0f, 0.0f, 0.0f));
    for (int i = 0; i < 4; ++i) {
        first->update(0.25f);
    }
    EXPECT_FLOAT_EQ(first->angle, 2.0f);
    expectMatrixNear(first->getWorldMatrix(), Matrix4::product(base, turnAboutZ(2.0f * 57.29578f)));
}

TEST_F(MachineryTest, MeshingCogTurnsTheOtherWayByTheRatioOfRadii) {
    Cog* first = driver();
    Cog* second = cog("<entity name='second' origin='cog'><parent>driver</parent>"
                      "<radius>0.5</radius></entity>");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->room, first->room);
    // The driver pushes the angle it had, then turns: the train is a frame behind.
    first->update(0.5f);
    EXPECT_FLOAT_EQ(second->angle, 0.0f);
    first->update(0.0f);
    EXPECT_FLOAT_EQ(second->angle, -2.0f * first->angle);
    second->update(0.5f);
    EXPECT_FLOAT_EQ(second->angle, -2.0f) << "a driven cog never turns on its own";
}

TEST_F(MachineryTest, CogOnAnAxleTurnsWithTheFirstCogWhateverItsRadius) {
    Cog* first = driver();
    Axis* axle = axis("<entity name='axle'><parent>driver</parent>"
                      "<depthoffset>0.5</depthoffset></entity>");
    Cog* onAxle = cog("<entity name='big' origin='axis'><parent>axle</parent><radius>3</radius>"
                      "<depthoffset>1</depthoffset></entity>");
    ASSERT_NE(onAxle, nullptr);
    first->update(0.3f);
    first->update(0.0f);
    EXPECT_FLOAT_EQ(axle->angle, first->angle);
    EXPECT_FLOAT_EQ(onAxle->angle, first->angle);
    // Moved along the driver's axis by the offsets.
    expectMatrixNear(onAxle->baseTransform, Matrix4::translation(1.0f, 2.0f, 4.5f));
}

TEST_F(MachineryTest, CogAtNinetyDegreesStandsAboveItsParentTurnedHalfARound) {
    driver("");
    Cog* placed =
        cog("<entity name='top' origin='cog'><parent>driver</parent><angle>90</angle></entity>");
    ASSERT_NE(placed, nullptr);
    expectMatrixNear(placed->baseTransform,
                     Matrix4::product(Matrix4::translation(0.0f, 2.0f, 0.0f), turnAboutZ(180.0f)));
}

TEST_F(MachineryTest, TransformRotatesByAngleThenAxisAndAppliesTheFirstOperationLast) {
    expectMatrixNear(Machinery::readTransform(element("<transform><rotate>90,0,1,0</rotate>"
                                                      "</transform>")),
                     Matrix4::rotation(90.0f, 0.0f, 1.0f, 0.0f));
    const Matrix4 m = Machinery::readTransform(
        element("<transform><translate>1,0,0</translate><scale>9 9 9</scale>"
                "<rotate>90,0,0,1</rotate></transform>"));
    // Turned to (0, 1, 0) first, then moved; the unknown "scale" is ignored.
    expectMatrixNear(m, Matrix4::product(Matrix4::translation(1.0f, 0.0f, 0.0f), turnAboutZ(90)));
}

TEST_F(MachineryTest, PartsThatCannotBePlacedAreRejectedWithTheirName) {
    driver();
    new Zem::Main::BaseEntity(element("<entity name='crate'/>"));
    new Cog(element("<entity name='loose'/>"));
    const std::size_t entityCount = game.entities.size();
    const struct {
        bool isAxis;
        const char* xml;
        const char* message;
    } cases[] = {
        {false, "<entity name='a' origin='room'><parent>hall</parent></entity>",
         "Cog \"a\": no \"transform\", not created"},
        {false, "<entity name='c' origin='wall'><parent>driver</parent></entity>",
         "Cog \"c\": unknown origin \"wall\""},
        {false, "<entity name='e'><parent>crate</parent><transform/></entity>",
         "Cog \"e\": parent \"crate\" is not a room"},
        {false, "<entity name='g' origin='axis'><parent>loose</parent></entity>",
         "Cog \"g\": parent \"loose\" is in no room"},
        {false, "<entity name='h' origin='cog'><parent>driver</parent><radius>0</radius></entity>",
         "Cog \"h\": a meshing cog of radius 0"},
        {true, "<entity name='x'><parent>hall</parent></entity>",
         "Axis \"x\": parent \"hall\" is not a Cog or an Axis"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xml);
        Zem::Main::Entity* made = nullptr;
        const std::string said =
            EffectTest::printedBy([&] { made = c.isAxis ? axis(c.xml) : cog(c.xml); });
        EXPECT_EQ(made, nullptr);
        EXPECT_NE(said.find(c.message), std::string::npos) << said;
    }
    EXPECT_EQ(game.entities.size(), entityCount) << "a rejected part must leave nothing behind";
}

TEST_F(MachineryTest, DestroyingAPartUnlinksItFromItsTrain) {
    Cog* first = driver();
    delete cog("<entity name='second' origin='cog'><parent>driver</parent></entity>");
    Cog* third = cog("<entity name='third' origin='cog'><parent>driver</parent></entity>");
    ASSERT_EQ(first->childParts, (std::vector<Machinery::Part*>{third}));
    first->update(1.0f);
    first->update(0.0f);
    // The driver goes first: its child keeps no connector that would read it.
    delete first;
    EXPECT_EQ(third->input, nullptr);
    third->propagate();
    EXPECT_FLOAT_EQ(third->angle, -2.0f);
}

class MachineryRenderTest : public EffectTest::EffectSceneTest {};

TEST_F(MachineryRenderTest, TrainIsDrawnWhereItIsPlaced) {
    EffectTest::EffectGame game;
    new Zem::Main::Room(element("<entity name='hall'/>"));
    Cog* first = cog("<entity name='driver'><parent>hall</parent><radius>0.6</radius><depth>0.3"
                     "</depth><transform><translate>-1 0 -5</translate></transform></entity>");
    Cog* second = cog("<entity name='second' origin='cog'><parent>driver</parent><radius>0.6"
                      "</radius><depth>0.3</depth></entity>");
    ASSERT_TRUE(first && second && first->model) << "kugghjul.obj";
    first->update(0.1f);
    // Through the teeth ring of each wheel; the bore and the space above stay empty.
    expectDrawnAt({first, second}, {Vector3(-1.5f, 0.0f, -4.85f), Vector3(0.7f, 0.0f, -4.85f)},
                  {Vector3(-1.0f, 0.0f, -4.85f), Vector3(-1.0f, 1.0f, -4.85f)});
}

} // namespace
