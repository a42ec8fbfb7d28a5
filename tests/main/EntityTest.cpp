#include "main/TestGame.h"

#include "main/Room.h"
#include "physics/Occluder.h"
#include "support/SceneFixtures.h"
#include "support/ReportRecorder.h"

#include <gtest/gtest.h>

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

TEST(EntityTest, NameOnlyGivesAListedDefaultAndPositionsKeepWhatCannotBeRead) {
    ZemTest::TestGame game;
    auto* entity = new BaseEntity(element("<entity name='crate'/>"));
    EXPECT_EQ(Vector3(0, 0, 0), entity->position);
    EXPECT_EQ(std::vector<Entity*>{entity}, game.entities);
    EXPECT_EQ(entity, game.findEntity("crate"));

    const struct {
        const char* text;
        Vector3 expected;
    } cases[] = {{"1,2,3", {1, 2, 3}}, {"1 2", {1, 2, 0}}, {"abc", {0, 0, 0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        BaseEntity placed(
            element(std::string("<entity><position>") + c.text + "</position></entity>"));
        EXPECT_EQ(c.expected, placed.position);
    }
}

TEST(EntityTest, WorldMatrixIsTRyRxRzRebuiltOnceAfterAChannelWriteUnlessSetByHand) {
    BaseEntity entity(element("<entity><position>1 2 3</position><rotation>30 40 50</rotation>"
                              "</entity>"));
    expectMatrixNear(Matrix4::translation(1, 2, 3) * Matrix4::rotation(40, 0, 1, 0) *
                         Matrix4::rotation(30, 1, 0, 0) * Matrix4::rotation(50, 0, 0, 1),
                     entity.getWorldMatrix());
    expectMatrixNear(Matrix4::identity(), entity.getWorldMatrix() * entity.getInverseWorldMatrix());

    entity.setChannel(4, 90.0f);
    const Matrix4 rebuilt = entity.getWorldMatrix();
    expectMatrixNear(Matrix4::translation(1, 2, 3) * Matrix4::rotation(90, 0, 1, 0) *
                         Matrix4::rotation(30, 1, 0, 0) * Matrix4::rotation(50, 0, 0, 1),
                     rebuilt);
    entity.position = Vector3(7, 7, 7); // no channel write: nothing rebuilt
    EXPECT_EQ(rebuilt, entity.getWorldMatrix());
    entity.setChannel(6, 99.0f); // past the entity's channels: ignored
    EXPECT_EQ(rebuilt, entity.getWorldMatrix());

    SCOPED_TRACE("autoMatrix false");
    const Matrix4 m = Matrix4::translation(4, 5, 6) * Matrix4::rotation(30, 1, 0, 0);
    entity.autoMatrix = false;
    entity.setWorldMatrix(m);
    entity.setChannel(0, 5.0f);
    EXPECT_EQ(m, entity.getWorldMatrix());
    expectMatrixNear(m.inverse(), entity.getInverseWorldMatrix());
}

TEST(EntityTest, ParentNamesAnEarlierRoomAndRoomListsFollowMovesAndDeletionOfEither) {
    ZemTest::TestGame game;
    auto* hall = new Room(element("<entity name='hall'/>"));
    auto* a = new BaseEntity(element("<entity name='a'><parent>hall</parent></entity>"));
    auto* early = new BaseEntity(element("<entity name='b'><parent>cellar</parent></entity>"));
    auto* notARoom = new BaseEntity(element("<entity name='c'><parent>a</parent></entity>"));
    auto* cellar = new Room(element("<entity name='cellar'/>"));
    EXPECT_EQ(std::vector<Entity*>{a}, hall->entities);
    EXPECT_EQ(hall, a->room);
    EXPECT_EQ(nullptr, early->room);
    EXPECT_EQ(nullptr, notARoom->room);
    EXPECT_TRUE(cellar->entities.empty());

    early->setRoom(hall);
    a->setRoom(cellar);
    EXPECT_EQ(std::vector<Entity*>{early}, hall->entities);
    EXPECT_EQ(std::vector<Entity*>{a}, cellar->entities);
    delete a;
    EXPECT_TRUE(cellar->entities.empty());
    EXPECT_EQ((std::vector<Entity*>{hall, early, notARoom, cellar}), game.entities);
    delete hall; // its entities are left without a room
    EXPECT_EQ(nullptr, early->room);
}

TEST(EntityTest, CollisionModelGroupsGetStartIdPlusStepTimesTheirNumberAndMissingMeshesAreNamed) {
    ZemTest::MeshFiles files;
    const std::vector<float> one = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    files.write("three.testmesh",
                {one, {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 0, 1, 0, 1, 1}, one});
    BaseEntity entity(element("<entity><collisionmodel startid='10' step='5'>three.testmesh"
                              "</collisionmodel></entity>"));
    std::vector<int32_t> ids;
    for (const auto& occluder : entity.occluders) {
        ids.push_back(occluder->id);
        EXPECT_EQ(&entity, occluder->owner);
    }
    EXPECT_EQ((std::vector<int32_t>{10, 15, 15, 20}), ids);

    ZemTest::captureReports();
    BaseEntity ghost(element("<entity name='ghost'><collisionmodel>gone.testmesh</collisionmodel>"
                             "<model>gone.testmesh</model></entity>"));
    BaseEntity twin(element("<entity name='twin'><model>gone.testmesh</model></entity>"));
    BaseEntity nameless(element("<entity><model>lost.testmesh</model></entity>"));
    // Each missing mesh is reported once, with the first entity that asked for it.
    EXPECT_EQ("Entity \"ghost\": no collision model \"gone.testmesh\"\n"
              "An entity without a name: no model \"lost.testmesh\"\n",
              ZemTest::takeReports());
    EXPECT_TRUE(ghost.occluders.empty());
    EXPECT_EQ(nullptr, ghost.model);
}

} // namespace
