#include "main/Camera.h"
#include "graphics/Portal.h"
#include "main/SimpleRoom.h"
#include "main/TestGame.h"
#include "support/ReportRecorder.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>

using Zem::Graphics::Portal;
using Zem::Graphics::Vector3;
using Zem::Main::Camera;
using Zem::Main::Room;
using Zem::Main::SimpleRoom;
using ZemTest::element;

namespace {

// Rooms joined by portals in a game without an engine; the boxes shown are recorded.
class CameraTest : public ::testing::Test {
protected:
    void SetUp() override { game.registerFactory("Room", std::make_unique<SimpleRoom::Factory>()); }

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
    // A portal in `from` bound to a new, unbound one in `to`.
    void door(const std::string& from, const std::string& to) { portal(from, portal(to)); }
    Camera* camera(const std::string& parent) {
        return new Camera(element("<entity><parent>" + parent + "</parent></entity>"));
    }

    ZemTest::ShownBoxes boxes;
    ZemTest::TestGame game;
};

TEST_F(CameraTest, WithoutAnInputDriverItShowsErrorNoInput) {
    Camera camera(element("<entity/>"));
    EXPECT_EQ(std::vector<std::string>{"[] Error no input!"}, boxes.texts);
}

TEST_F(CameraTest, ItsRadiusIsAlwaysPointFour) {
    Camera camera(element("<entity><radius>5</radius></entity>"));
    EXPECT_EQ(0.4f, camera.radius);
}

// A scaled eye would stretch the whole picture.
TEST_F(CameraTest, AScaleSettingHasNoEffect) {
    Camera camera(element("<entity><scale>3</scale></entity>"));
    EXPECT_EQ(camera.scale, Zem::Graphics::Vector3(1.0f, 1.0f, 1.0f));
}

// Turned 90 degrees about y, the camera's own x axis is world -z and its z axis world +x.
TEST_F(CameraTest, ChannelsSixToEightMoveItAlongItsOwnAxes) {
    const std::pair<unsigned, Vector3> moves[] = {{6, {2, 3, 3}}, {7, {2, 4, 4}}, {8, {3, 3, 4}}};
    for (const auto& [channel, expected] : moves) {
        Camera camera(element("<entity><position>2 3 4</position><rotation>0 90 0</rotation>"
                              "</entity>"));
        camera.setChannel(channel, 1.0f);
        EXPECT_LT((camera.position - expected).length(), 1e-5f) << "channel " << channel;
    }
}

// The same turn: the point 1 1 2 of its own frame is world 4 4 3.
TEST_F(CameraTest, TwitchRightJumpsToAPointOfItsOwnFrame) {
    Camera camera(
        element("<entity><position>2 3 4</position><rotation>0 90 0</rotation></entity>"));
    camera.command(0, element("<event command='twitchright'>1 1 2</event>"));
    EXPECT_LT((camera.position - Vector3(4, 4, 3)).length(), 1e-5f);
}

TEST_F(CameraTest, ChannelsNineToElevenAddToItsRotation) {
    const std::pair<unsigned, Vector3> turns[] = {
        {9, {6, 90, 0}}, {10, {0, 96, 0}}, {11, {0, 90, 6}}};
    for (const auto& [channel, expected] : turns) {
        Camera camera(element("<entity><rotation>0 90 0</rotation></entity>"));
        for (int frame = 0; frame < 3; ++frame) {
            camera.setChannel(channel, 2.0f);
        }
        EXPECT_LT((camera.rotation - expected).length(), 1e-4f) << "channel " << channel;
    }
}

// From a, b comes before d; c, reached from b, leads back to a.
TEST_F(CameraTest, ActivateListsTheRoomsItReachesOnceEachDepthFirst) {
    SimpleRoom* a = room("a");
    SimpleRoom* b = room("b");
    SimpleRoom* c = room("c");
    SimpleRoom* d = room("d");
    door("a", "b");
    door("a", "d");
    door("b", "c");
    door("c", "a");
    Camera* viewer = camera("a");
    viewer->activate();
    EXPECT_EQ((std::vector<Room*>{a, b, c, d}), viewer->activeRooms);
}

TEST_F(CameraTest, ActivateFlagsTheRoomsItReaches) {
    SimpleRoom* a = room("a");
    SimpleRoom* b = room("b");
    door("a", "b");
    camera("a")->activate();
    EXPECT_TRUE(a->active);
    EXPECT_TRUE(b->active);
}

TEST_F(CameraTest, PortalsWithoutAPartnerInARoomLeadNowhere) {
    SimpleRoom* a = room("a");
    portal("a");
    ZemTest::ReportRecorder reports; // "nowhere" is no room
    door("a", "nowhere");
    Camera* viewer = camera("a");
    viewer->activate();
    EXPECT_EQ(std::vector<Room*>{a}, viewer->activeRooms);
}

TEST_F(CameraTest, TheWalkOfARoomsEntitiesEndsAtItsFirstNullEntry) {
    SimpleRoom* a = room("a");
    SimpleRoom* d = room("d");
    a->entities.push_back(nullptr);
    door("a", "d");
    camera("a")->activate();
    EXPECT_FALSE(d->active);
}

TEST_F(CameraTest, DeactivateClearsTheFlagsOfTheRoomsItActivatedAndForgetsThem) {
    SimpleRoom* a = room("a");
    SimpleRoom* b = room("b");
    door("a", "b");
    Camera* viewer = camera("a");
    viewer->activate();
    viewer->deactivate();
    EXPECT_FALSE(a->active || b->active);
    EXPECT_TRUE(viewer->activeRooms.empty());
}

} // namespace
