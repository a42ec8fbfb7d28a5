#include "EffectRenderTest.h"
#include "EffectTestSupport.h"

#include "demo/Machinery/Axis.h"
#include "demo/Machinery/Cog.h"
#include "demo/Machinery/readTransform.h"
#include "main/BaseEntity.h"
#include "resource/Mesh.h"
#include "resource/ResourceManager.h"

#include <ostream>
#include <string>
#include <vector>

using namespace EffectTest;
using Machinery::Axis;
using Machinery::Cog;
using Zem::Graphics::Matrix4;
using Zem::Graphics::Vector3;
using Zem::Resource::XmlNode;

namespace {

// One room, "hall"; no loaders, so the parts have no model.
class MachineryTest : public ::testing::Test {
protected:
    void SetUp() override {
        Zem::Resource::ResourceManager::instance().reset();
        new Zem::Main::Room(XmlNode("<entity name='hall'/>"));
    }
    Cog* driver(const std::string& transform = "<translate>1 2 3</translate>") {
        return make<Cog>("<entity name='driver'><parent>hall</parent><transform>" + transform +
                         "</transform></entity>");
    }
    Cog* meshing(const std::string& name, const std::string& settings = "") {
        return make<Cog>("<entity name='" + name + "' origin='cog'><parent>driver</parent>" +
                         settings + "</entity>");
    }

    ZemTest::SceneGame game;
};

TEST_F(MachineryTest, ADrivingCogTurnsTwoRadiansASecond) {
    Cog* first = driver();
    ASSERT_NE(first, nullptr);
    for (int i = 0; i < 4; ++i) {
        first->update(0.25f);
    }
    EXPECT_FLOAT_EQ(first->angle, 2.0f);
}

TEST_F(MachineryTest, ACogTurnsAboutItsOwnZOnItsBaseTransform) {
    Cog* first = driver("<translate>1 2 3</translate><rotate>30,1,0,0</rotate>");
    ASSERT_NE(first, nullptr);
    first->update(1.0f);
    const Matrix4 base = Matrix4::product(Matrix4::translation(1.0f, 2.0f, 3.0f),
                                          Matrix4::rotation(30.0f, 1.0f, 0.0f, 0.0f));
    expectMatrixNear(first->getWorldMatrix(),
                     Matrix4::product(base, Matrix4::rotation(114.59156f, 0, 0, 1)));
}

// A driver and, hanging on it, a cog of half its radius meshing with it, an axle, and a cog of
// radius 3 on that axle.
class MachineryTrainTest : public MachineryTest {
protected:
    void SetUp() override {
        MachineryTest::SetUp();
        first = driver();
        meshed = meshing("meshed", "<radius>0.5</radius>");
        axle = make<Axis>("<entity name='axle'><parent>driver</parent>"
                          "<depthoffset>0.5</depthoffset></entity>");
        onAxle = make<Cog>("<entity name='big' origin='axis'><parent>axle</parent><radius>3"
                           "</radius><depthoffset>1</depthoffset></entity>");
        ASSERT_TRUE(first && meshed && axle && onAxle);
    }
    // The driver pushes the angle it had, then turns: its turn reaches the train a frame later.
    void turnTheDriver() {
        first->update(0.5f);
        first->update(0.0f);
    }

    Cog* first = nullptr;
    Cog* meshed = nullptr;
    Axis* axle = nullptr;
    Cog* onAxle = nullptr;
};

TEST_F(MachineryTrainTest, DrivenPartsFollowTheDriverAFrameBehind) {
    first->update(0.5f);
    EXPECT_FLOAT_EQ(meshed->angle, 0.0f);
}

TEST_F(MachineryTrainTest, AMeshingCogTurnsTheOtherWayByTheRatioOfTheRadii) {
    turnTheDriver();
    EXPECT_FLOAT_EQ(meshed->angle, -2.0f * first->angle);
}

TEST_F(MachineryTrainTest, AnAxleTurnsWithItsDriver) {
    turnTheDriver();
    EXPECT_FLOAT_EQ(axle->angle, first->angle);
}

TEST_F(MachineryTrainTest, ACogOnAnAxleTurnsWithItWhateverItsRadius) {
    turnTheDriver();
    EXPECT_FLOAT_EQ(onAxle->angle, first->angle);
}

TEST_F(MachineryTrainTest, ACogOnAnAxleSitsAtTheDepthOffsetsAddedUp) {
    expectMatrixNear(onAxle->baseTransform, Matrix4::translation(1.0f, 2.0f, 4.5f));
}

TEST_F(MachineryTrainTest, ADrivenCogNeverTurnsOnItsOwn) {
    turnTheDriver();
    meshed->update(0.5f);
    EXPECT_FLOAT_EQ(meshed->angle, -2.0f);
}

TEST_F(MachineryTest, AMeshingCogAtNinetyDegreesSitsOnTopOfTheRimTurnedHalfRound) {
    driver("");
    Cog* placed = meshing("top", "<angle>90</angle>");
    ASSERT_NE(placed, nullptr);
    expectMatrixNear(placed->baseTransform, Matrix4::product(Matrix4::translation(0, 2, 0),
                                                             Matrix4::rotation(180.0f, 0, 0, 1)));
}

TEST_F(MachineryTest, RotateReadsAsAngleThenAxis) {
    expectMatrixNear(Machinery::readTransform(XmlNode("<t><rotate>90,0,1,0</rotate></t>")),
                     Matrix4::rotation(90.0f, 0.0f, 1.0f, 0.0f));
}

// A part that cannot be placed: the report names it and what keeps it from its place; nothing is
// left behind.
struct Unplaceable {
    const char* name;
    bool isAxis;
    const char* xml;
    std::vector<std::string> named;
};

const Unplaceable unplaceable[] = {
    {"ACogInARoomWithoutATransform",
     false,
     "<e name='a' origin='room'><parent>hall</parent></e>",
     {"\"a\"", "\"transform\""}},
    {"ACogOnAParentThatIsNoRoom",
     false,
     "<e name='e'><parent>crate</parent><transform/></e>",
     {"\"e\"", "\"crate\""}},
    {"ACogOnAParentInNoRoom",
     false,
     "<e name='g' origin='axis'><parent>loose</parent></e>",
     {"\"g\"", "\"loose\""}},
    {"AMeshingCogOfRadiusZero",
     false,
     "<e name='h' origin='cog'><parent>driver</parent><radius>0</radius></e>",
     {"\"h\"", "radius 0"}},
    {"AnAxisOnAParentThatIsNoCog",
     true,
     "<e name='x'><parent>hall</parent></e>",
     {"\"x\"", "\"hall\""}},
};

void PrintTo(const Unplaceable& part, std::ostream* out) {
    *out << part.name;
}

class MachineryUnplaceableTest : public MachineryTest,
                                 public ::testing::WithParamInterface<Unplaceable> {};

TEST_P(MachineryUnplaceableTest, IsRejectedByName) {
    driver();
    new Zem::Main::BaseEntity(XmlNode("<entity name='crate'/>"));
    new Cog(XmlNode("<entity name='loose'/>"));
    const std::size_t entityCount = game.entities.size();
    const Unplaceable& c = GetParam();
    Zem::Main::Entity* made = nullptr;
    const std::string said =
        reportedBy([&] { made = c.isAxis ? make<Axis>(c.xml) : make<Cog>(c.xml); });
    EXPECT_EQ(made, nullptr);
    EXPECT_TRUE(mentions(said, c.named)) << said;
    EXPECT_EQ(game.entities.size(), entityCount);
}

INSTANTIATE_TEST_SUITE_P(MachineryTest, MachineryUnplaceableTest, ::testing::ValuesIn(unplaceable),
                         [](const ::testing::TestParamInfo<Unplaceable>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(MachineryTest, ADeletedCogLeavesItsDriversChildren) {
    Cog* first = driver();
    delete meshing("second");
    Cog* third = meshing("third");
    EXPECT_EQ(first->childParts, (std::vector<Machinery::Part*>{third}));
}

TEST_F(MachineryTest, DeletingTheDriverFirstClearsItsChildrensInput) {
    Cog* first = driver();
    Cog* second = meshing("second");
    first->update(1.0f);
    first->update(0.0f);
    delete first;
    EXPECT_EQ(second->input, nullptr);
    second->propagate();
    EXPECT_FLOAT_EQ(second->angle, -2.0f);
}

using MachineryRenderTest = EffectRenderTest;

TEST_F(MachineryRenderTest, AGearTrainIsDrawnWhereItIsPlaced) {
    const std::string wheel = "<radius>0.6</radius><depth>0.3</depth>";
    auto* first = make<Cog>("<entity name='driver'><parent>hall</parent>" + wheel +
                            "<transform><translate>-1 0 -5</translate></transform></entity>");
    auto* second = make<Cog>("<entity name='second' origin='cog'><parent>driver</parent>" + wheel +
                             "</entity>");
    ASSERT_TRUE(first && second && first->model) << "kugghjul.obj";
    first->update(0.1f);
    // Through the teeth ring of each wheel; the bore and the space above stay empty.
    expectDrawnAt({first, second}, {Vector3(-1.5f, 0.0f, -4.85f), Vector3(0.7f, 0.0f, -4.85f)},
                  {Vector3(-1.0f, 0.0f, -4.85f), Vector3(-1.0f, 1.0f, -4.85f)});
}

TEST_F(MachineryRenderTest, AnAxleWithoutAModelIsTheAxleMesh) {
    make<Cog>("<entity name='driver'><parent>hall</parent>"
              "<transform><translate>0 0 -5</translate></transform></entity>");
    auto* axle = make<Axis>("<entity name='axle'><parent>driver</parent></entity>");
    ASSERT_NE(axle, nullptr);
    EXPECT_EQ(axle->model,
              Zem::Resource::ResourceManager::instance().get<Zem::Resource::Mesh>("axel.obj"));
}

} // namespace
