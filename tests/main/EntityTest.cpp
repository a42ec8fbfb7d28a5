#include "main/TestGame.h"

#include "main/Room.h"
#include "physics/Occluder.h"
#include "support/SceneFixtures.h"

#include <gtest/gtest.h>

#include <memory>

using Zem::Graphics::Matrix4;
using Zem::Graphics::Vector3;
using Zem::Main::BaseEntity;
using Zem::Main::Entity;
using Zem::Main::Room;
using ZemTest::element;

namespace {

void expectMatrixNear(const Matrix4& expected, const Matrix4& actual) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(expected.m[i], actual.m[i], 1e-5f) << "element " << i;
    }
}

class EntityTest : public ::testing::Test {
protected:
    ZemTest::TestGame game;
};

TEST_F(EntityTest, ElementWithOnlyANameGivesTheDefaultEntityListedInTheGame) {
    auto* entity = new BaseEntity(element("<entity name='crate'/>"));
    EXPECT_EQ(Vector3(0, 0, 0), entity->position);
    EXPECT_EQ(Matrix4::identity(), entity->getWorldMatrix());
    EXPECT_EQ(nullptr, entity->model);
    EXPECT_EQ(nullptr, entity->room);
    EXPECT_EQ(std::vector<Entity*>{entity}, game.entities);
    EXPECT_EQ(entity, game.findEntity("crate"));
}

TEST_F(EntityTest, ThreeNumberSettingsKeepWhatCannotBeRead) {
    const struct {
        const char* text;
        Vector3 expected;
    } cases[] = {
        {"1,2,3", {1, 2, 3}}, {"1 2", {1, 2, 0}}, {"abc", {0, 0, 0}}, {"1, 2, 3", {1, 2, 3}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        BaseEntity entity(
            element(std::string("<entity><position>") + c.text + "</position></entity>"));
        EXPECT_EQ(c.expected, entity.position);
    }
}

TEST_F(EntityTest, WorldMatrixIsTRyRxRzAndAChannelWriteRebuildsItOnce) {
    BaseEntity entity(element("<entity><position>1 2 3</position><rotation>30 40 50</rotation>"
                              "</entity>"));
    expectMatrixNear(Matrix4::translation(1, 2, 3) * Matrix4::rotation(40, 0, 1, 0) *
                         Matrix4::rotation(30, 1, 0, 0) * Matrix4::rotation(50, 0, 0, 1),
                     entity.getWorldMatrix());
    expectMatrixNear(Matrix4::identity(), entity.getWorldMatrix() * entity.getInverseWorldMatrix());

    entity.setChannel(3, 0.0f);
    entity.setChannel(5, 0.0f);
    entity.setChannel(4, 90.0f);
    EXPECT_TRUE(entity.matrixDirty);
    const Matrix4 rebuilt = entity.getWorldMatrix();
    expectMatrixNear(Matrix4::translation(1, 2, 3) * Matrix4::rotation(90, 0, 1, 0), rebuilt);
    EXPECT_FALSE(entity.matrixDirty);
    // Without a channel write nothing is rebuilt.
    entity.position = Vector3(7, 7, 7);
    EXPECT_EQ(rebuilt, entity.getWorldMatrix());

    // Channels past 5 are ignored; reading 0-5 expects a write to follow.
    entity.setChannel(6, 99.0f);
    EXPECT_FALSE(entity.matrixDirty);
    EXPECT_EQ(0.0f, entity.getChannel(6));
    EXPECT_EQ(90.0f, entity.getChannel(4));
    EXPECT_TRUE(entity.matrixDirty);
}

TEST_F(EntityTest, SetWorldMatrixWithoutAutoMatrixSurvivesChannelWrites) {
    BaseEntity entity(element("<entity/>"));
    const Matrix4 m = Matrix4::translation(4, 5, 6) * Matrix4::rotation(30, 1, 0, 0);
    entity.autoMatrix = false;
    entity.setWorldMatrix(m);
    entity.setChannel(0, 5.0f);
    EXPECT_EQ(m, entity.getWorldMatrix());
    expectMatrixNear(m.inverse(), entity.getInverseWorldMatrix());
}

TEST_F(EntityTest, ParentPutsTheEntityIntoAnEarlierRoomOnly) {
    auto* hall = new Room(element("<entity name='hall'/>"));
    auto* inHall = new BaseEntity(element("<entity name='a'><parent>hall</parent></entity>"));
    auto* early = new BaseEntity(element("<entity name='b'><parent>cellar</parent></entity>"));
    auto* notARoom = new BaseEntity(element("<entity name='c'><parent>a</parent></entity>"));
    auto* cellar = new Room(element("<entity name='cellar'/>"));

    EXPECT_EQ(hall, inHall->room);
    EXPECT_EQ(std::vector<Entity*>{inHall}, hall->entities);
    EXPECT_EQ(nullptr, early->room);
    EXPECT_EQ(nullptr, notARoom->room);
    EXPECT_TRUE(cellar->entities.empty());
}

TEST_F(EntityTest, SetRoomAndDeletionKeepRoomListsAndTheGameConsistent) {
    auto* first = new Room(element("<entity name='first'/>"));
    auto* second = new Room(element("<entity name='second'/>"));
    auto* a = new BaseEntity(element("<entity name='a'><parent>first</parent></entity>"));
    auto* b = new BaseEntity(element("<entity name='b'/>"));
    b->setRoom(first);
    a->setRoom(second);
    EXPECT_EQ(std::vector<Entity*>{b}, first->entities);
    EXPECT_EQ(std::vector<Entity*>{a}, second->entities);

    delete a;
    EXPECT_TRUE(second->entities.empty());
    EXPECT_EQ(nullptr, game.findEntity("a"));
    EXPECT_EQ((std::vector<Entity*>{first, second, b}), game.entities);
}

std::vector<int32_t> ids(const Entity& entity) {
    std::vector<int32_t> result;
    for (const auto& occluder : entity.occluders) {
        result.push_back(occluder->id);
        EXPECT_EQ(&entity, occluder->owner);
    }
    return result;
}

TEST_F(EntityTest, CollisionModelGroupsGetStartIdPlusStepTimesTheirNumber) {
    ZemTest::MeshFiles files;
    const std::vector<float> one = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    files.write("three.testmesh",
                {one, {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 0, 1, 0, 1, 1}, one});
    BaseEntity entity(element("<entity><collisionmodel startid='10' step='5'>three.testmesh"
                              "</collisionmodel></entity>"));
    BaseEntity garbled(element("<entity><collisionmodel startid='x'>three.testmesh"
                               "</collisionmodel><model>three.testmesh</model></entity>"));
    EXPECT_EQ((std::vector<int32_t>{10, 15, 15, 20}), ids(entity));
    EXPECT_EQ((std::vector<int32_t>{0, 0, 0, 0}), ids(garbled));
    EXPECT_NE(nullptr, garbled.model);
}

TEST_F(EntityTest, MeshesThatCannotBeHadAreNamedAndLeftOut) {
    ZemTest::MeshFiles files;
    testing::internal::CaptureStdout();
    BaseEntity entity(element("<entity name='ghost'><collisionmodel>gone.testmesh</collisionmodel>"
                              "<model>gone.testmesh</model></entity>"));
    EXPECT_EQ("Entity \"ghost\": no collision model \"gone.testmesh\"\n"
              "Entity \"ghost\": no model \"gone.testmesh\"\n",
              testing::internal::GetCapturedStdout());
    EXPECT_TRUE(entity.occluders.empty());
    EXPECT_EQ(nullptr, entity.model);
}

} // namespace
