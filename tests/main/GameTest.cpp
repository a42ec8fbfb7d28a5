#include "main/TestGame.h"

#include "graphics/Portal.h"
#include "main/Camera.h"
#include "main/Room.h"
#include "main/SimpleRoom.h"
#include "main/messageBox.h"

#include <gtest/gtest.h>

#include <memory>
#include <typeinfo>

using Zem::Main::BaseEntity;
using Zem::Main::currentGame;
using Zem::Main::Entity;
using Zem::Main::Game;
using ZemTest::element;
using ZemTest::ProbeEntity;
using ZemTest::ProbeFactory;
using ZemTest::TestGame;

namespace {

std::vector<std::string> factoryNames(const Game& game) {
    std::vector<std::string> names;
    for (const auto& entry : game.factories) {
        names.push_back(entry.first);
    }
    return names;
}

TEST(GameTest, ConstructionMakesItCurrentWithRoomAndPortalFactories) {
    TestGame game;
    EXPECT_EQ(&game, currentGame);
    EXPECT_EQ((std::vector<std::string>{"Portal", "Room"}), factoryNames(game));
    EXPECT_TRUE(game.entities.empty());

    Entity* room = game.createEntity("Room", element("<entity name='r'/>"));
    ASSERT_NE(nullptr, room);
    EXPECT_EQ(typeid(Zem::Main::Room), typeid(*room));
    Entity* portal = game.createEntity("Portal", element("<entity name='p'/>"));
    ASSERT_NE(nullptr, portal);
    EXPECT_NE(nullptr, dynamic_cast<Zem::Graphics::Portal*>(portal));
    EXPECT_EQ((std::vector<Entity*>{room, portal}), game.entities);
}

TEST(GameTest, RegisteringANameTwiceDeletesTheFirstFactoryOnce) {
    std::vector<std::string> log;
    {
        TestGame game;
        auto first = std::make_unique<ProbeFactory>(log, "first");
        auto second = std::make_unique<ProbeFactory>(log, "second");
        ProbeFactory* later = second.get();
        game.registerFactory("Room", std::move(first));
        game.registerFactory("Room", std::move(second));
        EXPECT_EQ(std::vector<std::string>{"delete first"}, log);

        Entity* built = game.createEntity("Room", element("<entity name='r'/>"));
        EXPECT_NE(nullptr, dynamic_cast<ProbeEntity*>(built));
        EXPECT_EQ(1, later->created);
        log.clear();
    }
    EXPECT_EQ((std::vector<std::string>{"delete r", "delete second"}), log);
}

TEST(GameTest, TypeNamesAreMatchedExactly) {
    TestGame game;
    EXPECT_EQ(nullptr, game.createEntity("room", element("<entity/>")));
    EXPECT_EQ(nullptr, game.createEntity("Rooms", element("<entity/>")));
    EXPECT_EQ(nullptr, game.createEntity("", element("<entity/>")));
    EXPECT_TRUE(game.entities.empty());
}

TEST(GameTest, FindEntityReturnsTheFirstOfTheName) {
    TestGame game;
    auto* unnamed = new BaseEntity(element("<entity/>"));
    auto* first = new BaseEntity(element("<entity name='a'/>"));
    auto* second = new BaseEntity(element("<entity name='a'/>"));
    new BaseEntity(element("<entity/>"));

    EXPECT_EQ(first, game.findEntity("a"));
    EXPECT_EQ(unnamed, game.findEntity(""));
    EXPECT_EQ(nullptr, game.findEntity("A"));
    delete first;
    EXPECT_EQ(second, game.findEntity("a"));
}

TEST(GameTest, RemoveEntityUnlistsWithoutDeletingAndIgnoresStrangers) {
    std::vector<std::string> log;
    TestGame game;
    auto* a = new ProbeEntity(element("<entity name='a'/>"), log);
    auto* b = new ProbeEntity(element("<entity name='b'/>"), log);
    auto* c = new ProbeEntity(element("<entity name='c'/>"), log);

    game.removeEntity(b);
    EXPECT_EQ((std::vector<Entity*>{a, c}), game.entities);
    game.removeEntity(b);
    EXPECT_EQ((std::vector<Entity*>{a, c}), game.entities);
    EXPECT_TRUE(log.empty());
    delete b;
    EXPECT_EQ(std::vector<std::string>{"delete b"}, log);
}

// Deletes the entity it holds when it is deleted itself.
class Owner : public BaseEntity {
public:
    using BaseEntity::BaseEntity;
    ~Owner() override { delete owned; }
    Entity* owned = nullptr;
};

TEST(GameTest, DestructionDeletesEntitiesInCreationOrderThenFactories) {
    std::vector<std::string> log;
    {
        TestGame game;
        game.registerFactory("Probe", std::make_unique<ProbeFactory>(log));
        game.createEntity("Probe", element("<entity name='one'/>"));
        game.createEntity("Probe", element("<entity name='two'/>"));
        game.createEntity("Probe", element("<entity name='three'/>"));
        EXPECT_EQ(3u, game.entities.size());
    }
    EXPECT_EQ((std::vector<std::string>{"delete one", "delete two", "delete three",
                                        "delete probe factory"}),
              log);
}

TEST(GameTest, AnEntityDeletingOthersOnItsWayOutIsSafe) {
    std::vector<std::string> log;
    {
        TestGame game;
        auto* owner = new Owner(element("<entity name='owner'/>"));
        new ProbeEntity(element("<entity name='before'/>"), log);
        owner->owned = new ProbeEntity(element("<entity name='owned'/>"), log);
        new ProbeEntity(element("<entity name='after'/>"), log);
    }
    EXPECT_EQ((std::vector<std::string>{"delete owned", "delete before", "delete after"}), log);
}

TEST(GameTest, CurrentGameIsClearedWhenTheGameGoes) {
    {
        TestGame game;
        EXPECT_EQ(&game, currentGame);
    }
    EXPECT_EQ(nullptr, currentGame);
    // An entity built with no game lists itself nowhere and can be deleted on its own.
    auto loose = std::make_unique<BaseEntity>(element("<entity name='loose'/>"));
    EXPECT_EQ("loose", loose->name);
}

class CameraSwitchTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousHandler = Zem::Main::setMessageBoxHandler(
            [](const std::string&, const std::string&, Zem::Main::MessageIcon) {});
        game.registerFactory("Room", std::make_unique<Zem::Main::SimpleRoom::Factory>());
        hall = room("hall");
        cellar = room("cellar");
        first = camera("first", "hall");
        second = camera("second", "cellar");
    }
    void TearDown() override { Zem::Main::setMessageBoxHandler(previousHandler); }

    Zem::Main::SimpleRoom* room(const std::string& name) {
        return dynamic_cast<Zem::Main::SimpleRoom*>(
            game.createEntity("Room", element("<entity name='" + name + "'/>")));
    }
    Zem::Main::Camera* camera(const std::string& name, const std::string& parent) {
        return new Zem::Main::Camera(
            element("<entity name='" + name + "'><parent>" + parent + "</parent></entity>"));
    }

    TestGame game;
    Zem::Main::MessageBoxHandler previousHandler;
    Zem::Main::SimpleRoom* hall = nullptr;
    Zem::Main::SimpleRoom* cellar = nullptr;
    Zem::Main::Camera* first = nullptr;
    Zem::Main::Camera* second = nullptr;
};

TEST_F(CameraSwitchTest, MakingACameraCurrentMovesTheActiveRooms) {
    EXPECT_EQ(nullptr, game.currentCamera());

    game.makeCameraCurrent(first);
    EXPECT_EQ(first, game.currentCamera());
    EXPECT_TRUE(hall->active);
    EXPECT_FALSE(cellar->active);

    game.makeCameraCurrent(second);
    EXPECT_EQ(second, game.currentCamera());
    EXPECT_FALSE(hall->active);
    EXPECT_TRUE(cellar->active);
    EXPECT_TRUE(first->activeRooms.empty());

    game.makeCameraCurrent(nullptr);
    EXPECT_EQ(nullptr, game.currentCamera());
    EXPECT_FALSE(cellar->active);
}

TEST_F(CameraSwitchTest, DeletingTheCurrentCameraLeavesNoCurrentCamera) {
    game.makeCameraCurrent(first);
    delete first;
    EXPECT_EQ(nullptr, game.currentCamera());
    // Its rooms keep their flags: the camera's destructor does not touch them.
    EXPECT_TRUE(hall->active);
}

} // namespace
