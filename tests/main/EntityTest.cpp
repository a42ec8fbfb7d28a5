#include "main/Entity.h"
#include "main/Room.h"
#include "main/TestGame.h"
#include "physics/Occluder.h"
#include "support/ReportRecorder.h"
#include "support/SceneFixtures.h"
#include "support/mentions.h"

#include <gtest/gtest.h>

#include <new>

using Zem::Graphics::Matrix4;
using Zem::Graphics::Vector3;
using Zem::Main::Entity;
using Zem::Main::Room;
using ZemTest::element;
using ZemTest::mentions;

namespace {

void expectMatrixNear(const Matrix4& expected, const Matrix4& actual) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(expected.m[i], actual.m[i], 1e-5f) << "element " << i;
    }
}

// Entities in a game, with "*.testmesh" files to load and their reports recorded.
class EntityTest : public ::testing::Test {
protected:
    // One triangle in the first and third groups, two in the second.
    void writeThreeGroups() {
        const std::vector<float> one = {0, 0, 0, 1, 0, 0, 0, 1, 0};
        files.write("three.testmesh",
                    {one, {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 0, 1, 0, 1, 1}, one});
    }
    // Hall, an entity "a" in it, entities whose parents are a later room and no room, cellar.
    void buildHallAndCellar() {
        hall = new Room(element("<entity name='hall'/>"));
        a = new Entity(element("<entity name='a'><parent>hall</parent></entity>"));
        early = new Entity(element("<entity name='crate'><parent>cellar</parent></entity>"));
        notInARoom = new Entity(element("<entity name='c'><parent>a</parent></entity>"));
        cellar = new Room(element("<entity name='cellar'/>"));
    }

    ZemTest::TestGame game;
    ZemTest::MeshFiles files;
    ZemTest::ReportRecorder reports;
    Room* hall = nullptr;
    Room* cellar = nullptr;
    Entity* a = nullptr;
    Entity* early = nullptr;
    Entity* notInARoom = nullptr;
};

TEST_F(EntityTest, ANewEntityListsItselfInTheCurrentGame) {
    auto* entity = new Entity(element("<entity/>"));
    EXPECT_EQ(std::vector<Entity*>{entity}, game.entities);
}

// Memory running out while it reads its settings (here, as it reports a missing collision
// model) leaves nothing pointing at the entity that was never built.
TEST_F(EntityTest, AnEntityThatFailsToBuildIsNotLeftInTheGame) {
    const auto previous =
        Zem::Main::setReportHandler([](const std::string&) { throw std::bad_alloc(); });
    EXPECT_THROW(new Entity(element("<entity><collisionmodel>gone.testmesh</collisionmodel>"
                                    "</entity>")),
                 std::bad_alloc);
    Zem::Main::setReportHandler(previous);
    EXPECT_TRUE(game.entities.empty());
}

TEST_F(EntityTest, APositionKeepsTheDefaultOfEachNumberItCannotRead) {
    const std::pair<const char*, Vector3> cases[] = {
        {"1,2,3", {1, 2, 3}}, {"1 2", {1, 2, 0}}, {"abc", {0, 0, 0}}};
    for (const auto& [text, expected] : cases) {
        Entity placed(element(std::string("<entity><position>") + text + "</position></entity>"));
        EXPECT_EQ(expected, placed.position) << text;
    }
}

TEST_F(EntityTest, AScaleStretchesTheModelAlongItsOwnAxesBeforeItTurns) {
    Entity entity(element("<entity><position>1 2 3</position><rotation>30 40 50</rotation>"
                          "<scale>2 3 4</scale></entity>"));
    expectMatrixNear(Matrix4::translation(1, 2, 3) * Matrix4::rotation(40, 0, 1, 0) *
                         Matrix4::rotation(30, 1, 0, 0) * Matrix4::rotation(50, 0, 0, 1) *
                         Matrix4::scale(2, 3, 4),
                     entity.getWorldMatrix());
}

TEST_F(EntityTest, OneScaleNumberScalesEveryAxis) {
    Entity entity(element("<entity><scale>2.5</scale></entity>"));
    EXPECT_EQ(entity.scale, Vector3(2.5f, 2.5f, 2.5f));
}

TEST_F(EntityTest, TheInverseWorldMatrixUndoesTheWorldMatrix) {
    Entity entity(element("<entity><position>1 2 3</position><rotation>30 40 50</rotation>"
                          "</entity>"));
    expectMatrixNear(Matrix4::identity(), entity.getWorldMatrix() * entity.getInverseWorldMatrix());
}

TEST_F(EntityTest, TheWorldMatrixIsRebuiltOnlyWhenMarkedDirty) {
    Entity entity(element("<entity><position>1 2 3</position></entity>"));
    const Matrix4 built = entity.getWorldMatrix();
    entity.position = Vector3(7, 7, 7);
    EXPECT_EQ(built, entity.getWorldMatrix());
}

TEST_F(EntityTest, WithoutAutoMatrixAMatrixSetByHandOutlivesADirtyMark) {
    Entity entity(element("<entity><position>1 2 3</position></entity>"));
    const Matrix4 m = Matrix4::translation(4, 5, 6) * Matrix4::rotation(30, 1, 0, 0);
    entity.autoMatrix = false;
    entity.setWorldMatrix(m);
    entity.position.x = 5.0f;
    entity.matrixDirty = true;
    EXPECT_EQ(m, entity.getWorldMatrix());
}

TEST_F(EntityTest, SetWorldMatrixStoresItsInverseToo) {
    Entity entity(element("<entity/>"));
    const Matrix4 m = Matrix4::translation(4, 5, 6) * Matrix4::rotation(30, 1, 0, 0);
    entity.setWorldMatrix(m);
    expectMatrixNear(m.inverse(), entity.getInverseWorldMatrix());
}

TEST_F(EntityTest, AParentRoomCreatedBeforeItTakesItIn) {
    buildHallAndCellar();
    EXPECT_EQ(std::vector<Entity*>{a}, hall->entities);
    EXPECT_EQ(hall, a->room);
}

TEST_F(EntityTest, AParentCreatedAfterItLeavesItInNoRoom) {
    buildHallAndCellar();
    EXPECT_EQ(nullptr, early->room);
    EXPECT_TRUE(cellar->entities.empty());
}

TEST_F(EntityTest, AParentItCannotJoinIsReportedNamingTheEntityAndTheParent) {
    buildHallAndCellar();
    ASSERT_EQ(2u, reports.lines.size());
    EXPECT_TRUE(mentions(reports.lines[0], {"crate", "cellar"})) << reports.lines[0];
}

TEST_F(EntityTest, AParentThatIsNoRoomLeavesItInNoRoom) {
    buildHallAndCellar();
    EXPECT_EQ(nullptr, notInARoom->room);
}

TEST_F(EntityTest, SetRoomMovesItFromTheOldRoomsListToTheEndOfTheNewOnes) {
    buildHallAndCellar();
    early->setRoom(hall);
    a->setRoom(cellar);
    EXPECT_EQ(std::vector<Entity*>{early}, hall->entities);
    EXPECT_EQ(std::vector<Entity*>{a}, cellar->entities);
    EXPECT_EQ(cellar, a->room);
}

TEST_F(EntityTest, ADeletedEntityLeavesItsRoom) {
    buildHallAndCellar();
    delete a;
    EXPECT_TRUE(hall->entities.empty());
}

TEST_F(EntityTest, ADeletedEntityLeavesTheGame) {
    buildHallAndCellar();
    delete a;
    EXPECT_EQ((std::vector<Entity*>{hall, early, notInARoom, cellar}), game.entities);
}

TEST_F(EntityTest, CollisionModelGroupsGetTheStartIdPlusTheStepTimesTheirNumber) {
    writeThreeGroups();
    Entity entity(element("<entity><collisionmodel startid='10' step='5'>three.testmesh"
                          "</collisionmodel></entity>"));
    std::vector<int32_t> ids;
    for (const auto& occluder : entity.occluders) {
        ids.push_back(occluder->id);
    }
    EXPECT_EQ((std::vector<int32_t>{10, 15, 15, 20}), ids);
}

TEST_F(EntityTest, ItOwnsTheOccludersOfItsCollisionModel) {
    writeThreeGroups();
    Entity entity(element("<entity><collisionmodel>three.testmesh</collisionmodel></entity>"));
    ASSERT_EQ(4u, entity.occluders.size());
    for (const auto& occluder : entity.occluders) {
        EXPECT_EQ(&entity, occluder->owner);
    }
}

TEST_F(EntityTest, AMissingCollisionModelLeavesItWithoutOccluders) {
    Entity ghost(element("<entity><collisionmodel>gone.testmesh</collisionmodel></entity>"));
    EXPECT_TRUE(ghost.occluders.empty());
}

TEST_F(EntityTest, AMissingCollisionModelIsReportedNamingTheEntityAndTheFile) {
    Entity ghost(
        element("<entity name='ghost'><collisionmodel>gone.testmesh</collisionmodel></entity>"));
    ASSERT_EQ(1u, reports.lines.size());
    EXPECT_TRUE(mentions(reports.lines[0], {"ghost", "gone.testmesh"})) << reports.lines[0];
}

TEST_F(EntityTest, AMissingModelLeavesItWithoutOne) {
    Entity ghost(element("<entity><model>gone.testmesh</model></entity>"));
    EXPECT_EQ(nullptr, ghost.model);
}

TEST_F(EntityTest, AMissingModelOfANamelessEntityIsReportedNamingTheFile) {
    Entity nameless(element("<entity><model>lost.testmesh</model></entity>"));
    ASSERT_EQ(1u, reports.lines.size());
    EXPECT_NE(reports.lines[0].find("lost.testmesh"), std::string::npos) << reports.lines[0];
}

// Whether as a model or a collision model: the first entity asking for it is named.
TEST_F(EntityTest, AMissingMeshIsReportedOnlyOnce) {
    Entity ghost(element("<entity name='ghost'><collisionmodel>gone.testmesh</collisionmodel>"
                         "<model>gone.testmesh</model></entity>"));
    Entity twin(element("<entity name='twin'><model>gone.testmesh</model></entity>"));
    ASSERT_EQ(1u, reports.lines.size());
    EXPECT_NE(reports.lines[0].find("ghost"), std::string::npos) << reports.lines[0];
}

} // namespace
