#include "EffectScene.h"

#include "demo/Machinery/Axis.h"
#include "demo/Machinery/Cog.h"
#include "demo/Machinery/readTransform.h"
#include "main/Room.h"
#include "resource/ResourceManager.h"

#include <gtest/gtest.h>

using EffectTest::element;
using EffectTest::expectMatrixNear;
using Machinery::Axis;
using Machinery::Cog;
using Zem::Graphics::Matrix4;

namespace {

Cog* cog(const std::string& xml) {
    return dynamic_cast<Cog*>(Cog::Factory().create(element(xml)));
}
Axis* axis(const std::string& xml) {
    return dynamic_cast<Axis*>(Axis::Factory().create(element(xml)));
}

// One room, "hall"; no loaders, so the parts have no model.
class MachineryTest : public ::testing::Test {
protected:
    void SetUp() override {
        Zem::Resource::ResourceManager::instance().reset();
        new Zem::Main::Room(element("<entity name='hall'/>"));
    }
    Cog* driver(const std::string& transform = "<translate>1 2 3</translate>") {
        return cog("<entity name='driver'><parent>hall</parent><transform>" + transform +
                   "</transform></entity>");
    }
    Cog* meshing(const std::string& name, const std::string& settings = "") {
        return cog("<entity name='" + name + "' origin='cog'><parent>driver</parent>" + settings +
                   "</entity>");
    }

    EffectTest::EffectGame game;
};

TEST_F(MachineryTest, DrivingCogTurnsTwoRadiansPerSecondOnItsBaseTransform) {
    Cog* first = driver("<translate>1 2 3</translate><rotate>30,1,0,0</rotate>");
    ASSERT_NE(first, nullptr);
    for (int i = 0; i < 4; ++i) {
        first->update(0.25f);
    }
    EXPECT_FLOAT_EQ(first->angle, 2.0f);
    const Matrix4 base = Matrix4::product(Matrix4::translation(1.0f, 2.0f, 3.0f),
                                          Matrix4::rotation(30.0f, 1.0f, 0.0f, 0.0f));
    expectMatrixNear(first->getWorldMatrix(),
                     Matrix4::product(base, Matrix4::rotation(114.59156f, 0, 0, 1)));
}

TEST_F(MachineryTest, DrivenPartsFollowTheDriverAFrameBehind) {
    Cog* first = driver();
    Cog* meshed = meshing("meshed", "<radius>0.5</radius>");
    Axis* axle = axis("<entity name='axle'><parent>driver</parent>"
                      "<depthoffset>0.5</depthoffset></entity>");
    Cog* onAxle = cog("<entity name='big' origin='axis'><parent>axle</parent><radius>3</radius>"
                      "<depthoffset>1</depthoffset></entity>");
    ASSERT_TRUE(meshed && onAxle);
    // The driver pushes the angle it had, then turns.
    first->update(0.5f);
    EXPECT_FLOAT_EQ(meshed->angle, 0.0f);
    first->update(0.0f);
    EXPECT_FLOAT_EQ(meshed->angle, -2.0f * first->angle);
    EXPECT_FLOAT_EQ(axle->angle, first->angle);
    EXPECT_FLOAT_EQ(onAxle->angle, first->angle) << "whatever its radius";
    expectMatrixNear(onAxle->baseTransform, Matrix4::translation(1.0f, 2.0f, 4.5f));
    meshed->update(0.5f);
    EXPECT_FLOAT_EQ(meshed->angle, -2.0f) << "a driven cog never turns on its own";
}

TEST_F(MachineryTest, CogAtNinetyDegreesOnTheRimAndRotateAsAngleThenAxis) {
    driver("");
    Cog* placed = meshing("top", "<angle>90</angle>");
    ASSERT_NE(placed, nullptr);
    expectMatrixNear(placed->baseTransform, Matrix4::product(Matrix4::translation(0, 2, 0),
                                                             Matrix4::rotation(180.0f, 0, 0, 1)));
    expectMatrixNear(Machinery::readTransform(element("<t><rotate>90,0,1,0</rotate></t>")),
                     Matrix4::rotation(90.0f, 0.0f, 1.0f, 0.0f));
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
        {false, "<e name='a' origin='room'><parent>hall</parent></e>",
         "Cog \"a\": no \"transform\""},
        {false, "<e name='e'><parent>crate</parent><transform/></e>", "\"crate\" is not a room"},
        {false, "<e name='g' origin='axis'><parent>loose</parent></e>", "\"loose\" is in no room"},
        {false, "<e name='h' origin='cog'><parent>driver</parent><radius>0</radius></e>",
         "Cog \"h\": a meshing cog of radius 0"},
        {true, "<e name='x'><parent>hall</parent></e>", "\"hall\" is not a Cog or an Axis"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xml);
        Zem::Main::Entity* made = nullptr;
        const std::string said =
            EffectTest::printedBy([&] { made = c.isAxis ? axis(c.xml) : cog(c.xml); });
        EXPECT_EQ(made, nullptr);
        EXPECT_NE(said.find(c.message), std::string::npos) << said;
    }
    EXPECT_EQ(game.entities.size(), entityCount) << "a rejected part leaves nothing behind";
}

TEST_F(MachineryTest, DestroyingTheDriverFirstClearsItsChildrensConnectors) {
    Cog* first = driver();
    delete meshing("second");
    Cog* third = meshing("third");
    ASSERT_EQ(first->childParts, (std::vector<Machinery::Part*>{third}));
    first->update(1.0f);
    first->update(0.0f);
    delete first;
    EXPECT_EQ(third->input, nullptr);
    third->propagate();
    EXPECT_FLOAT_EQ(third->angle, -2.0f);
}

} // namespace
