#include "main/TestGame.h"

#include "graphics/Portal.h"
#include "input/InputBase.h"
#include "main/Camera.h"
#include "main/Engine.h"
#include "main/SimpleRoom.h"
#include "main/messageBox.h"

#include <gtest/gtest.h>

#include <memory>

using Zem::Graphics::Vector3;
using Zem::Main::Camera;
using Zem::Main::Room;
using Zem::Main::SimpleRoom;
using ZemTest::element;

namespace {

void expectVectorNear(const Vector3& expected, const Vector3& actual) {
    EXPECT_NEAR(expected.x, actual.x, 1e-5f);
    EXPECT_NEAR(expected.y, actual.y, 1e-5f);
    EXPECT_NEAR(expected.z, actual.z, 1e-5f);
}

struct ShownMessage {
    std::string caption;
    std::string text;
};

class CameraTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousHandler = Zem::Main::setMessageBoxHandler(
            [this](const std::string& caption, const std::string& text, Zem::Main::MessageIcon) {
                shown.push_back({caption, text});
            });
    }
    void TearDown() override { Zem::Main::setMessageBoxHandler(previousHandler); }

    ZemTest::TestGame game;
    std::vector<ShownMessage> shown;
    Zem::Main::MessageBoxHandler previousHandler;
};

TEST_F(CameraTest, WithoutAnInputDriverItSaysSoAndWorksAnyway) {
    Camera camera(element("<entity name='camera'><position>1 2 3</position></entity>"));

    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ("", shown[0].caption);
    EXPECT_EQ("Error no input!", shown[0].text);
    EXPECT_EQ(nullptr, camera.input);
    EXPECT_EQ(Vector3(1, 2, 3), camera.position);
}

class IdleInput : public Zem::Input::InputBase {
public:
    bool update(float) override { return true; }
};

TEST_F(CameraTest, FindsTheInputDriverThroughTheGamesEngine) {
    Zem::Main::Engine engine;
    auto input = std::make_unique<IdleInput>();
    IdleInput* driver = input.get();
    engine.registerDriver("input", std::move(input));
    game.engine = &engine;

    Camera camera(element("<entity name='camera'/>"));
    EXPECT_EQ(driver, camera.input);
    EXPECT_TRUE(shown.empty());
    game.engine = nullptr;
}

TEST_F(CameraTest, RadiusIsAlwaysPointFour) {
    Camera camera(element("<entity><radius>5</radius></entity>"));
    EXPECT_EQ(0.4f, camera.radius);
}

TEST_F(CameraTest, ChannelsSixToEightMoveAlongTheCamerasOwnAxes) {
    Camera camera(element("<entity><rotation>0 90 0</rotation></entity>"));

    camera.setChannel(8, 1.0f);
    expectVectorNear(Vector3(1, 0, 0), camera.position);
    camera.setChannel(6, 1.0f);
    expectVectorNear(Vector3(1, 0, -1), camera.position);
    camera.setChannel(7, 2.0f);
    expectVectorNear(Vector3(1, 2, -1), camera.position);
    EXPECT_TRUE(camera.matrixDirty);
    expectVectorNear(Vector3(1, 2, -1), camera.getWorldMatrix().getTranslation());
    EXPECT_EQ(0.0f, camera.getChannel(6));
}

TEST_F(CameraTest, ChannelsNineToElevenTurnByTheValueEachWrite) {
    Camera camera(element("<entity><rotation>1 2 3</rotation></entity>"));
    for (int frame = 0; frame < 3; ++frame) {
        camera.setChannel(10, 2.0f);
    }
    camera.setChannel(9, -1.0f);
    camera.setChannel(11, 0.5f);
    expectVectorNear(Vector3(0, 8, 3.5f), camera.rotation);
    EXPECT_EQ(0.0f, camera.getChannel(10));

    camera.setChannel(12, 7.0f);
    expectVectorNear(Vector3(0, 8, 3.5f), camera.rotation);
    expectVectorNear(Vector3(0, 0, 0), camera.position);
}

TEST_F(CameraTest, TwitchRightJumpsToAPointOfItsOwnFrame) {
    Camera camera(element("<entity><position>1 0 0</position><rotation>0 90 0</rotation>"
                          "</entity>"));
    camera.getWorldMatrix();

    camera.command(0, element("<event command='twitchright'>0 0 0</event>"));
    expectVectorNear(Vector3(1, 0, 0), camera.position);
    camera.command(0, element("<event command='twitchright'></event>"));
    expectVectorNear(Vector3(1, 0, 0), camera.position);

    camera.command(0, element("<event command='twitchright'>0.1 0 0</event>"));
    expectVectorNear(Vector3(1, 0, -0.1f), camera.position);
    EXPECT_TRUE(camera.matrixDirty);
}

TEST_F(CameraTest, TwitchRightIsMatchedExactly) {
    Camera camera(element("<entity/>"));
    for (const char* word : {"TwitchRight", "twitchRight", "TWITCHRIGHT", "twitchright "}) {
        camera.command(0, element(std::string("<event command='") + word + "'>1 0 0</event>"));
    }
    camera.command(0, element("<event>1 0 0</event>"));
    EXPECT_EQ(Vector3(0, 0, 0), camera.position);
}

class CameraRoomsTest : public CameraTest {
protected:
    void SetUp() override {
        CameraTest::SetUp();
        game.registerFactory("Room", std::make_unique<SimpleRoom::Factory>());
    }

    SimpleRoom* room(const std::string& name) {
        return dynamic_cast<SimpleRoom*>(
            game.createEntity("Room", element("<entity name='" + name + "'/>")));
    }
    // An unbound portal standing in `parent`.
    Zem::Graphics::Portal* portal(const std::string& name, const std::string& parent) {
        return dynamic_cast<Zem::Graphics::Portal*>(game.createEntity(
            "Portal",
            element("<entity name='" + name + "'><parent>" + parent + "</parent></entity>")));
    }
    Camera* camera(const std::string& parent) {
        return new Camera(element("<entity><parent>" + parent + "</parent></entity>"));
    }
};

TEST_F(CameraRoomsTest, RoomsJoinedBothWaysAreEachActivatedOnce) {
    SimpleRoom* a = room("a");
    SimpleRoom* b = room("b");
    Zem::Graphics::Portal* toB = portal("toB", "a");
    Zem::Graphics::Portal* toA = portal("toA", "b");
    ASSERT_NE(nullptr, toB);
    ASSERT_NE(nullptr, toA);
    toB->partner = toA;
    toA->partner = toB;
    Camera* viewer = camera("a");

    viewer->activate();
    EXPECT_EQ((std::vector<Room*>{a, b}), viewer->activeRooms);
    EXPECT_TRUE(a->active);
    EXPECT_TRUE(b->active);

    viewer->deactivate();
    EXPECT_TRUE(viewer->activeRooms.empty());
    EXPECT_FALSE(a->active);
    EXPECT_FALSE(b->active);
}

TEST_F(CameraRoomsTest, ActivationFollowsChainsDepthFirst) {
    SimpleRoom* a = room("a");
    SimpleRoom* b = room("b");
    SimpleRoom* c = room("c");
    SimpleRoom* d = room("d");
    Zem::Graphics::Portal* ab = portal("ab", "a");
    Zem::Graphics::Portal* ad = portal("ad", "a");
    Zem::Graphics::Portal* bc = portal("bc", "b");
    Zem::Graphics::Portal* inB = portal("inB", "b");
    Zem::Graphics::Portal* inC = portal("inC", "c");
    Zem::Graphics::Portal* inD = portal("inD", "d");
    ab->partner = inB;
    bc->partner = inC;
    ad->partner = inD;

    Camera* viewer = camera("a");
    viewer->activate();
    EXPECT_EQ((std::vector<Room*>{a, b, c, d}), viewer->activeRooms);
}

TEST_F(CameraRoomsTest, UnboundPortalsAndPartnersWithoutRoomsLeadNowhere) {
    SimpleRoom* a = room("a");
    SimpleRoom* b = room("b");
    portal("unbound", "a");
    Zem::Graphics::Portal* toNowhere = portal("toNowhere", "a");
    Zem::Graphics::Portal* roomless = portal("roomless", "none");
    toNowhere->partner = roomless;

    Camera* viewer = camera("a");
    viewer->activate();
    EXPECT_EQ(std::vector<Room*>{a}, viewer->activeRooms);
    EXPECT_FALSE(b->active);

    // Asked for a room explicitly, it starts there instead of its own.
    viewer->deactivate();
    viewer->activate(b);
    EXPECT_EQ(std::vector<Room*>{b}, viewer->activeRooms);
    EXPECT_FALSE(a->active);
}

TEST_F(CameraRoomsTest, ACameraWithoutARoomActivatesNothing) {
    room("a");
    Camera* viewer = camera("nowhere");
    viewer->activate();
    EXPECT_TRUE(viewer->activeRooms.empty());
}

} // namespace
