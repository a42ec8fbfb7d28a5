#include "main/TestGame.h"
#include "support/ReportRecorder.h"
#include "support/mentions.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>

using Zem::Main::currentGame;
using Zem::Main::Entity;
using ZemTest::element;
using ZemTest::ProbeFactory;

namespace {

TEST(GameTest, FactoriesMatchExactNamesAndLookupFindsTheFirstOfAName) {
    std::vector<std::string> log;
    {
        ZemTest::TestGame game;
        auto second = std::make_unique<ProbeFactory>(log, "second");
        ProbeFactory* later = second.get();
        game.registerFactory("Room", std::make_unique<ProbeFactory>(log, "first"));
        game.registerFactory("Room", std::move(second));
        EXPECT_EQ(nullptr, game.createEntity("room", element("<entity/>")));
        Entity* first = game.createEntity("Room", element("<entity name='a'/>"));
        Entity* other = game.createEntity("Room", element("<entity name='a'/>"));
        EXPECT_EQ(2, later->created);
        EXPECT_EQ(first, game.findEntity("a"));
        EXPECT_EQ(nullptr, game.findEntity("A"));

        game.removeEntity(first);
        game.removeEntity(first);
        EXPECT_EQ(other, game.findEntity("a"));
        EXPECT_EQ(std::vector<std::string>{"delete first"}, log); // unlisted, not deleted
        delete first;
        log.clear();
    }
    EXPECT_EQ((std::vector<std::string>{"delete a", "delete second"}), log);
}

class Owner : public Zem::Main::BaseEntity {
public:
    using BaseEntity::BaseEntity;
    ~Owner() override { delete owned; }
    Entity* owned = nullptr;
};

TEST(GameTest, DestructionGoesInCreationOrderEvenWhenEntitiesDeleteOthers) {
    std::vector<std::string> log;
    {
        ZemTest::TestGame game;
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

// A world may ask for more than memory holds: that entity is skipped and the show goes on.
TEST(GameTest, AnEntityThatRunsOutOfMemoryIsSkippedByName) {
    struct ExhaustingFactory : Zem::Main::EntityFactory {
        Entity* create(const Zem::Resource::XmlNode&) override { throw std::bad_alloc(); }
    };
    ZemTest::TestGame game;
    game.registerFactory("Greedy", std::make_unique<ExhaustingFactory>());
    Entity* made = nullptr;
    const std::string said = ZemTest::reportedBy(
        [&] { made = game.createEntity("Greedy", element("<entity name='hog'/>")); });
    EXPECT_EQ(made, nullptr);
    EXPECT_TRUE(ZemTest::mentions(said, {"Greedy", "\"hog\""})) << said;
}

} // namespace
