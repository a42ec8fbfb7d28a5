#include "main/TestGame.h"

#include "graphics/Portal.h"
#include "main/Camera.h"
#include "main/SimpleRoom.h"
#include "main/messageBox.h"

#include <gtest/gtest.h>

#include <memory>

using Zem::Graphics::Portal;
using Zem::Graphics::Vector3;
using Zem::Main::Camera;
using Zem::Main::Room;
using Zem::Main::SimpleRoom;
using ZemTest::element;

namespace {

class CameraTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousHandler = Zem::Main::setMessageBoxHandler(
            [this](const std::string&, const std::string& text, Zem::Main::MessageIcon) {
                shown.push_back(text);
            });
        game.registerFactory("Room", std::make_unique<SimpleRoom::Factory>());
    }
    void TearDown() override { Zem::Main::setMessageBoxHandler(previousHandler); }

    SimpleRoom* room(const std::string& name) {
        return static_cast<SimpleRoom*>(
            game.createEntity("Room", element("<entity name='" + name + "'/>")));
    }
    Portal* portal(const std::string& parent, Portal* partner = nullptr) {
        auto* made = static_cast<Portal*>(game.createEntity(
            "Portal", element("<entity><parent>" + parent + "</parent></entity>")));
        made->partner = partner;
        return made;
    }
    Camera* camera(const std::string& parent) {
        return new Camera(element("<entity><parent>" + parent + "</parent></entity>"));
    }

    ZemTest::TestGame game;
    std::vector<std::string> shown;
    Zem::Main::MessageBoxHandler previousHandler;
};

TEST_F(CameraTest, ChannelsMoveAlongAndTurnAboutTheCamerasOwnAxes) {
    Camera camera(element("<entity><rotation>0 90 0</rotation><radius>5</radius></entity>"));
    EXPECT_EQ(std::vector<std::string>{"Error no input!"}, shown); // the game has no engine
    EXPECT_EQ(0.4f, camera.radius);
    camera.setChannel(8, 1.0f);
    EXPECT_LT((camera.position - Vector3(1, 0, 0)).length(), 1e-5f);
    camera.setChannel(6, 1.0f);
    EXPECT_LT((camera.position - Vector3(1, 0, -1)).length(), 1e-5f);
    for (int frame = 0; frame < 3; ++frame) {
        camera.setChannel(10, 2.0f);
    }
    EXPECT_LT((camera.rotation - Vector3(0, 96, 0)).length(), 1e-4f);
}

TEST_F(CameraTest, RoomsJoinedBothWaysAreEachActivatedOnceDepthFirst) {
    SimpleRoom* a = room("a");
    SimpleRoom* b = room("b");
    SimpleRoom* c = room("c");
    Portal* toA = portal("b");
    toA->partner = portal("a", toA);
    portal("b", portal("c"));
    // Unbound, and bound to a partner in no room: both lead nowhere.
    portal("a");
    portal("a", portal("nowhere"));
    // The walk of a room's list ends at its first null entry.
    SimpleRoom* d = room("d");
    a->entities.push_back(nullptr);
    portal("a", portal("d"));
    Camera* viewer = camera("a");

    viewer->activate();
    EXPECT_EQ((std::vector<Room*>{a, b, c}), viewer->activeRooms);
    EXPECT_TRUE(a->active && b->active && c->active);
    EXPECT_FALSE(d->active);
    viewer->deactivate();
    EXPECT_FALSE(a->active || b->active || c->active);
}

TEST_F(CameraTest, GameSwitchMovesTheActiveRoomsAndDeletionClearsTheCurrentCamera) {
    SimpleRoom* hall = room("hall");
    SimpleRoom* cellar = room("cellar");
    Camera* second = camera("cellar");
    game.makeCameraCurrent(camera("hall"));
    EXPECT_TRUE(hall->active);
    game.makeCameraCurrent(second);
    EXPECT_FALSE(hall->active);
    EXPECT_TRUE(cellar->active);
    delete second;
    EXPECT_EQ(nullptr, game.currentCamera());
}

} // namespace
