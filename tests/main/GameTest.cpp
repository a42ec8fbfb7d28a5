#include "main/TestGame.h"

#include "graphics/Portal.h"

#include <gtest/gtest.h>

#include <memory>

using Zem::Main::BaseEntity;
using Zem::Main::currentGame;
using Zem::Main::Entity;
using ZemTest::element;
using ZemTest::ProbeEntity;
using ZemTest::ProbeFactory;
using ZemTest::TestGame;

namespace {

TEST(GameTest, FactoriesAreReplacedByNameAndMatchedExactly) {
    std::vector<std::string> log;
    {
        TestGame game;
        EXPECT_NE(nullptr, dynamic_cast<Zem::Graphics::Portal*>(
                               game.createEntity("Portal", element("<entity/>"))));
        auto second = std::make_unique<ProbeFactory>(log, "second");
        ProbeFactory* later = second.get();
        game.registerFactory("Room", std::make_unique<ProbeFactory>(log, "first"));
        game.registerFactory("Room", std::move(second));
        EXPECT_EQ(std::vector<std::string>{"delete first"}, log);

        EXPECT_NE(nullptr, dynamic_cast<ProbeEntity*>(
                               game.createEntity("Room", element("<entity name='r'/>"))));
        EXPECT_EQ(1, later->created);
        EXPECT_EQ(nullptr, game.createEntity("room", element("<entity/>")));
        EXPECT_EQ(nullptr, game.createEntity("Rooms", element("<entity/>")));
        EXPECT_EQ(2u, game.entities.size());
        log.clear();
    }
    EXPECT_EQ((std::vector<std::string>{"delete r", "delete second"}), log);
}

TEST(GameTest, FindEntityReturnsTheFirstOfTheNameAndRemoveOnlyUnlists) {
    std::vector<std::string> log;
    TestGame game;
    auto* first = new ProbeEntity(element("<entity name='a'/>"), log);
    auto* second = new ProbeEntity(element("<entity name='a'/>"), log);
    EXPECT_EQ(first, game.findEntity("a"));
    EXPECT_EQ(nullptr, game.findEntity("A"));

    game.removeEntity(first);
    game.removeEntity(first);
    EXPECT_EQ(std::vector<Entity*>{second}, game.entities);
    EXPECT_EQ(second, game.findEntity("a"));
    EXPECT_TRUE(log.empty());
    delete first;
}

// Deletes the entity it holds when it is deleted itself.
class Owner : public BaseEntity {
public:
    using BaseEntity::BaseEntity;
    ~Owner() override { delete owned; }
    Entity* owned = nullptr;
};

TEST(GameTest, DestructionGoesInCreationOrderEvenWhenEntitiesDeleteOthers) {
    std::vector<std::string> log;
    {
        TestGame game;
        game.registerFactory("Probe", std::make_unique<ProbeFactory>(log));
        auto* owner = new Owner(element("<entity name='owner'/>"));
        game.createEntity("Probe", element("<entity name='one'/>"));
        owner->owned = game.createEntity("Probe", element("<entity name='owned'/>"));
        game.createEntity("Probe", element("<entity name='two'/>"));
    }
    EXPECT_EQ((std::vector<std::string>{"delete owned", "delete one", "delete two",
                                        "delete probe factory"}),
              log);
    EXPECT_EQ(nullptr, currentGame);
}

} // namespace
