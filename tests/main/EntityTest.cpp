#include "main/TestGame.h"

#include "graphics/Shader.h"
#include "graphics/ShaderRegistry.h"
#include "graphics/View.h"
#include "main/BaseEntity.h"
#include "main/Room.h"
#include "physics/Occluder.h"
#include "resource/Mesh.h"
#include "resource/ResourceLoader.h"
#include "resource/ResourceManager.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
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

    EXPECT_EQ("crate", entity->name);
    EXPECT_EQ(Vector3(0, 0, 0), entity->position);
    EXPECT_EQ(Vector3(0, 0, 0), entity->rotation);
    EXPECT_EQ(Matrix4::identity(), entity->getWorldMatrix());
    EXPECT_EQ(Matrix4::identity(), entity->getInverseWorldMatrix());
    EXPECT_EQ(0.0f, entity->radius);
    EXPECT_EQ(nullptr, entity->model);
    EXPECT_TRUE(entity->occluders.empty());
    EXPECT_EQ(nullptr, entity->room);
    EXPECT_EQ(0u, entity->flags);
    ASSERT_EQ(1u, game.entities.size());
    EXPECT_EQ(entity, game.entities[0]);
    EXPECT_EQ(entity, game.findEntity("crate"));
}

TEST_F(EntityTest, PositionReadsThreeNumbersKeepingWhatCannotBeRead) {
    BaseEntity commas(element("<entity><position>1,2,3</position></entity>"));
    BaseEntity twoNumbers(element("<entity><position>1 2</position></entity>"));
    BaseEntity letters(element("<entity><position>abc</position></entity>"));
    BaseEntity spaced(element("<entity><rotation>10, 20, 30</rotation></entity>"));

    EXPECT_EQ(Vector3(1, 2, 3), commas.position);
    EXPECT_EQ(Vector3(1, 2, 0), twoNumbers.position);
    EXPECT_EQ(Vector3(0, 0, 0), letters.position);
    EXPECT_EQ(Vector3(10, 20, 30), spaced.rotation);
}

TEST_F(EntityTest, SettingsBuildTheWorldMatrixAndRadius) {
    BaseEntity entity(element("<entity><position>1 2 3</position><rotation>30 40 50</rotation>"
                              "<radius>2.5</radius></entity>"));

    const Matrix4 expected = Matrix4::translation(1, 2, 3) * Matrix4::rotation(40, 0, 1, 0) *
                             Matrix4::rotation(30, 1, 0, 0) * Matrix4::rotation(50, 0, 0, 1);
    expectMatrixNear(expected, entity.getWorldMatrix());
    expectMatrixNear(Matrix4::identity(), entity.getWorldMatrix() * entity.getInverseWorldMatrix());
    EXPECT_EQ(2.5f, entity.radius);
}

TEST_F(EntityTest, ChannelWriteRebuildsTheMatrixOnceAtTheNextRead) {
    BaseEntity entity(element("<entity><position>1 2 3</position></entity>"));
    entity.getWorldMatrix();

    entity.setChannel(4, 90.0f);
    EXPECT_TRUE(entity.matrixDirty);
    const Matrix4 rebuilt = entity.getWorldMatrix();
    expectMatrixNear(Matrix4::translation(1, 2, 3) * Matrix4::rotation(90, 0, 1, 0), rebuilt);
    EXPECT_FALSE(entity.matrixDirty);

    // Without a channel write nothing is rebuilt: a change behind the entity's back stays invisible
    // until the next write.
    entity.position = Vector3(7, 7, 7);
    EXPECT_EQ(rebuilt, entity.getWorldMatrix());
    entity.setChannel(0, 7.0f);
    EXPECT_NEAR(7.0f, entity.getWorldMatrix().getTranslation().y, 1e-6f);
}

TEST_F(EntityTest, ChannelsZeroToFiveAreRotationAndPositionOthersAreIgnored) {
    BaseEntity entity(element("<entity/>"));
    for (unsigned i = 0; i < 6; ++i) {
        entity.setChannel(i, 10.0f + i);
    }
    EXPECT_EQ(Vector3(10, 11, 12), entity.position);
    EXPECT_EQ(Vector3(13, 14, 15), entity.rotation);
    EXPECT_EQ(14.0f, entity.getChannel(4));

    entity.getWorldMatrix();
    entity.setChannel(6, 99.0f);
    EXPECT_FALSE(entity.matrixDirty);
    EXPECT_EQ(0.0f, entity.getChannel(6));
    EXPECT_FALSE(entity.matrixDirty);
    EXPECT_EQ(Vector3(10, 11, 12), entity.position);
    EXPECT_EQ(Vector3(13, 14, 15), entity.rotation);

    // Reading a transform channel expects a write to follow.
    EXPECT_EQ(10.0f, entity.getChannel(0));
    EXPECT_TRUE(entity.matrixDirty);
}

TEST_F(EntityTest, CommandOnAPlainEntityChangesNothing) {
    BaseEntity entity(element("<entity><position>1 2 3</position></entity>"));
    entity.command(4, element("<event command='twitchright'>1 0 0</event>"));
    EXPECT_EQ(Vector3(1, 2, 3), entity.position);
}

TEST_F(EntityTest, SetWorldMatrixWithoutAutoMatrixSurvivesChannelWrites) {
    BaseEntity entity(element("<entity/>"));
    const Matrix4 m = Matrix4::translation(4, 5, 6) * Matrix4::rotation(30, 1, 0, 0);

    entity.autoMatrix = false;
    entity.setWorldMatrix(m);
    EXPECT_FALSE(entity.matrixDirty);
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
    ASSERT_EQ(1u, hall->entities.size());
    EXPECT_EQ(inHall, hall->entities[0]);
    EXPECT_EQ(nullptr, early->room);
    EXPECT_EQ(nullptr, notARoom->room);
    EXPECT_TRUE(cellar->entities.empty());
}

TEST_F(EntityTest, EmptyParentMatchesTheFirstEntityWithoutAName) {
    auto* unnamed = new Room(element("<entity/>"));
    auto* child = new BaseEntity(element("<entity name='x'><parent></parent></entity>"));
    EXPECT_EQ(unnamed, child->room);
}

TEST_F(EntityTest, SetRoomMovesTheEntityBetweenRoomLists) {
    auto* first = new Room(element("<entity name='first'/>"));
    auto* second = new Room(element("<entity name='second'/>"));
    auto* a = new BaseEntity(element("<entity name='a'/>"));
    auto* b = new BaseEntity(element("<entity name='b'/>"));

    a->setRoom(first);
    b->setRoom(first);
    a->setRoom(second);
    EXPECT_EQ(std::vector<Entity*>{b}, first->entities);
    EXPECT_EQ(std::vector<Entity*>{a}, second->entities);
    EXPECT_EQ(second, a->room);

    a->setRoom(nullptr);
    EXPECT_TRUE(second->entities.empty());
    EXPECT_EQ(nullptr, a->room);
}

TEST_F(EntityTest, DeletingAnEntityTakesItOutOfItsRoomAndTheGame) {
    auto* hall = new Room(element("<entity name='hall'/>"));
    auto* crate = new BaseEntity(element("<entity name='crate'><parent>hall</parent></entity>"));
    ASSERT_EQ(1u, hall->entities.size());

    delete crate;
    EXPECT_TRUE(hall->entities.empty());
    EXPECT_EQ(nullptr, game.findEntity("crate"));
    EXPECT_EQ(std::vector<Entity*>{hall}, game.entities);
}

// Stands in for the OBJ loader: three groups of one, two and one triangles.
class ThreeGroupLoader : public Zem::Resource::ResourceLoader {
public:
    std::string extension() const override { return "testmesh"; }
    std::unique_ptr<Zem::Resource::Resource> load(Zem::Resource::ResourceStream&) override {
        auto mesh = std::make_unique<Zem::Resource::Mesh>();
        for (int triangles : {1, 2, 1}) {
            auto group = std::make_unique<Zem::Resource::MeshGroup>();
            group->positions = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0};
            const std::vector<uint32_t> all = {0, 1, 2, 1, 3, 2};
            group->indices.assign(all.begin(), all.begin() + 3 * triangles);
            mesh->groups.push_back(std::move(group));
        }
        return mesh;
    }
};

class CollisionModelTest : public EntityTest {
protected:
    void SetUp() override {
        auto& manager = Zem::Resource::ResourceManager::instance();
        manager.reset();
        manager.addSearchPath(dir.path() + "/");
        manager.registerLoader(&loader);
        std::ofstream(dir.file("three.testmesh")) << "three groups";
    }
    void TearDown() override { Zem::Resource::ResourceManager::instance().reset(); }

    static std::vector<int32_t> ids(const Entity& entity) {
        std::vector<int32_t> result;
        for (const auto& occluder : entity.occluders) {
            result.push_back(occluder->id);
            EXPECT_EQ(&entity, occluder->owner);
        }
        return result;
    }

    ZemTest::TempDir dir;
    ThreeGroupLoader loader;
};

TEST_F(CollisionModelTest, GroupsGetStartIdPlusStepTimesTheirNumber) {
    BaseEntity entity(element("<entity><collisionmodel startid='10' "
                              "step='5'>three.testmesh</collisionmodel>"
                              "</entity>"));
    EXPECT_EQ((std::vector<int32_t>{10, 15, 15, 20}), ids(entity));
}

TEST_F(CollisionModelTest, MissingOrUnreadableIdsAreZero) {
    BaseEntity plain(element("<entity><collisionmodel>three.testmesh</collisionmodel></entity>"));
    BaseEntity garbled(element("<entity><collisionmodel startid='x' "
                               "step='y'>three.testmesh</collisionmodel></entity>"));
    EXPECT_EQ((std::vector<int32_t>{0, 0, 0, 0}), ids(plain));
    EXPECT_EQ((std::vector<int32_t>{0, 0, 0, 0}), ids(garbled));
}

TEST_F(CollisionModelTest, TheModelIsNeverTheCollisionModelOfAPlainEntity) {
    BaseEntity modelOnly(element("<entity><model>three.testmesh</model></entity>"));
    EXPECT_NE(nullptr, modelOnly.model);
    EXPECT_TRUE(modelOnly.occluders.empty());
}

TEST_F(CollisionModelTest, MeshesThatCannotBeHadAreNamedAndLeftOut) {
    testing::internal::CaptureStdout();
    BaseEntity entity(element("<entity name='ghost'><collisionmodel>gone.testmesh</collisionmodel>"
                              "<model>gone.testmesh</model></entity>"));
    BaseEntity empty(element("<entity name='blank'><model></model></entity>"));
    EXPECT_EQ("Entity \"ghost\": no collision model \"gone.testmesh\"\n"
              "Entity \"ghost\": no model \"gone.testmesh\"\n"
              "Entity \"blank\": no model \"\"\n",
              testing::internal::GetCapturedStdout());
    EXPECT_TRUE(entity.occluders.empty());
    EXPECT_EQ(nullptr, entity.model);
    EXPECT_EQ(nullptr, empty.model);
}

class RecordingPass : public Zem::Graphics::Shader {
public:
    void draw(Zem::Graphics::View&) override {}
};

class RecordingPassFactory : public Zem::Graphics::Shader::Factory {
public:
    RecordingPassFactory(int32_t id, int32_t order) : Factory(id, order) {}
    std::unique_ptr<Zem::Graphics::Shader> create() override { return make<RecordingPass>(); }
};

class SubmitTest : public EntityTest {
protected:
    void SetUp() override { ASSERT_TRUE(registry().reset()); }
    void TearDown() override { registry().reset(); }
    static Zem::Graphics::ShaderRegistry& registry() {
        return Zem::Graphics::ShaderRegistry::instance();
    }
};

TEST_F(SubmitTest, QueuesOnTheDefaultGeometryPassAndRecordsTheSubmission) {
    registry().registerFactory(std::make_unique<RecordingPassFactory>(360, 2000));
    registry().registerFactory(std::make_unique<RecordingPassFactory>(250, 1000));
    registry().defaultGeometryPass = 250;
    BaseEntity entity(element("<entity/>"));
    {
        Zem::Graphics::View view;
        view.passes = registry().acquire();
        entity.submit(view);
        entity.submit(view);

        EXPECT_EQ((std::vector<Entity*>{&entity, &entity}), view.submitted);
        EXPECT_EQ((std::vector<Entity*>{&entity, &entity}),
                  Zem::Graphics::ShaderRegistry::findPass(view.passes, 250)->queue);
        EXPECT_TRUE(Zem::Graphics::ShaderRegistry::findPass(view.passes, 360)->queue.empty());
    }
}

TEST_F(SubmitTest, WithoutPassesOnlyTheViewRecordsIt) {
    registry().registerFactory(std::make_unique<RecordingPassFactory>(360, 2000));
    BaseEntity entity(element("<entity/>"));
    Zem::Graphics::View bare;
    entity.submit(bare);
    EXPECT_EQ(std::vector<Entity*>{&entity}, bare.submitted);

    // No geometry pass registered: the default id 0 finds nothing.
    Zem::Graphics::View view;
    view.passes = registry().acquire();
    entity.submit(view);
    EXPECT_EQ(std::vector<Entity*>{&entity}, view.submitted);
    EXPECT_TRUE(Zem::Graphics::ShaderRegistry::findPass(view.passes, 360)->queue.empty());
}

} // namespace
