#include "main/Game.h"
#include "main/Camera.h"
#include "main/SimpleRoom.h"
#include "main/TestGame.h"
#include "support/ReportRecorder.h"
#include "support/mentions.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>

using Zem::Main::Camera;
using Zem::Main::currentGame;
using Zem::Main::Entity;
using Zem::Main::SimpleRoom;
using ZemTest::element;
using ZemTest::ProbeFactory;

namespace {

// A game with a "Probe" factory whose entities log their deletion; a test may end the game.
class GameTest : public ::testing::Test {
protected:
    void SetUp() override { game->registerFactory("Probe", std::make_unique<ProbeFactory>(log)); }

    Entity* probe(const std::string& name) {
        return game->createEntity("Probe", element("<entity name='" + name + "'/>"));
    }
    SimpleRoom* room(const std::string& name) {
        return new SimpleRoom(element("<entity name='" + name + "'/>"));
    }
    Camera* camera(const std::string& parent) {
        return new Camera(element("<entity><parent>" + parent + "</parent></entity>"));
    }

    std::vector<std::string> log;
    ZemTest::ShownBoxes boxes;
    std::unique_ptr<ZemTest::TestGame> game = std::make_unique<ZemTest::TestGame>();
};

// Deletes the entity it owns on its way out.
class Owner : public Zem::Main::BaseEntity {
public:
    using BaseEntity::BaseEntity;
    ~Owner() override { delete owned; }
    Entity* owned = nullptr;
};

TEST_F(GameTest, CreateEntityNeedsTheTypesExactName) {
    EXPECT_EQ(nullptr, game->createEntity("probe", element("<entity/>")));
}

TEST_F(GameTest, AFactoryRegisteredUnderATakenNameReplacesAndDeletesTheEarlierOne) {
    auto second = std::make_unique<ProbeFactory>(log, "second");
    ProbeFactory* later = second.get();
    game->registerFactory("Probe", std::move(second));
    EXPECT_EQ(std::vector<std::string>{"delete probe factory"}, log);
    probe("a");
    EXPECT_EQ(1, later->created);
}

TEST_F(GameTest, FindEntityFindsTheFirstOfAName) {
    Entity* first = probe("a");
    probe("a");
    EXPECT_EQ(first, game->findEntity("a"));
}

TEST_F(GameTest, FindEntityNeedsTheExactName) {
    probe("a");
    EXPECT_EQ(nullptr, game->findEntity("A"));
}

TEST_F(GameTest, RemoveEntityUnlistsTheEntityWithoutDeletingIt) {
    Entity* first = probe("a");
    Entity* other = probe("a");
    game->removeEntity(first);
    EXPECT_EQ(other, game->findEntity("a"));
    EXPECT_TRUE(log.empty());
    delete first;
}

TEST_F(GameTest, RemovingAnEntityNoLongerListedChangesNothing) {
    Entity* first = probe("a");
    Entity* other = probe("b");
    game->removeEntity(first);
    game->removeEntity(first);
    EXPECT_EQ(std::vector<Entity*>{other}, game->entities);
    delete first;
}

TEST_F(GameTest, DestructionDeletesTheEntitiesInCreationOrder) {
    probe("one");
    probe("two");
    probe("three");
    game.reset();
    EXPECT_EQ((std::vector<std::string>{"delete one", "delete two", "delete three",
                                        "delete probe factory"}),
              log);
}

TEST_F(GameTest, AnEntityDeletingAnotherOnItsWayOutLeavesTheOrderAlone) {
    auto* owner = new Owner(element("<entity name='owner'/>"));
    probe("one");
    owner->owned = probe("owned");
    probe("two");
    game.reset();
    EXPECT_EQ((std::vector<std::string>{"delete owned", "delete one", "delete two",
                                        "delete probe factory"}),
              log);
}

// Registered after "Probe" on either side of it, they go in byte order of their names.
TEST_F(GameTest, FactoriesAreDeletedInTheOrderOfTheirNames) {
    game->registerFactory("Zebra", std::make_unique<ProbeFactory>(log, "Zebra"));
    game->registerFactory("Apple", std::make_unique<ProbeFactory>(log, "Apple"));
    game.reset();
    EXPECT_EQ((std::vector<std::string>{"delete Apple", "delete probe factory", "delete Zebra"}),
              log);
}

TEST_F(GameTest, AGameGoneLeavesNoCurrentGame) {
    game.reset();
    EXPECT_EQ(nullptr, currentGame);
}

TEST_F(GameTest, MakingACameraCurrentActivatesTheRoomsItReaches) {
    SimpleRoom* hall = room("hall");
    game->makeCameraCurrent(camera("hall"));
    EXPECT_TRUE(hall->active);
}

TEST_F(GameTest, MakingAnotherCameraCurrentMovesTheActiveRoomsToIt) {
    SimpleRoom* hall = room("hall");
    SimpleRoom* cellar = room("cellar");
    Camera* second = camera("cellar");
    game->makeCameraCurrent(camera("hall"));
    game->makeCameraCurrent(second);
    EXPECT_FALSE(hall->active);
    EXPECT_TRUE(cellar->active);
}

TEST_F(GameTest, DeletingTheCurrentCameraLeavesNoneCurrent) {
    room("hall");
    Camera* viewer = camera("hall");
    game->makeCameraCurrent(viewer);
    delete viewer;
    EXPECT_EQ(nullptr, game->currentCamera());
}

// A world may ask for more than memory holds: that entity is skipped and the show goes on.
TEST_F(GameTest, AnEntityThatRunsOutOfMemoryIsSkippedByName) {
    struct ExhaustingFactory : Zem::Main::EntityFactory {
        Entity* create(const Zem::Resource::XmlNode&) override { throw std::bad_alloc(); }
    };
    game->registerFactory("Greedy", std::make_unique<ExhaustingFactory>());
    Entity* made = nullptr;
    const std::string said = ZemTest::reportedBy(
        [&] { made = game->createEntity("Greedy", element("<entity name='hog'/>")); });
    EXPECT_EQ(made, nullptr);
    EXPECT_TRUE(ZemTest::mentions(said, {"Greedy", "\"hog\""})) << said;
}

} // namespace
