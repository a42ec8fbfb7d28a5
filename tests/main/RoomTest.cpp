#include "main/Room.h"
#include "graphics/Portal.h"
#include "graphics/ShaderRegistry.h"
#include "graphics/View.h"
#include "main/TestGame.h"
#include "support/FakePasses.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using Zem::Graphics::Matrix4;
using Zem::Graphics::Portal;
using Zem::Graphics::ShaderRegistry;
using Zem::Graphics::View;
using Zem::Main::Entity;
using Zem::Main::Room;
using ZemTest::element;
using ZemTest::FakePassFactory;

namespace {

std::string placed(const std::string& position, float radius) {
    return "<entity><position>" + position + "</position><radius>" + std::to_string(radius) +
           "</radius></entity>";
}

// A hall and a yard, the eye at the origin looking along -z, and two fake passes.
class RoomTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(registry.reset());
        registry.registerFactory(std::make_unique<FakePassFactory>(250, 1000, log));
        registry.registerFactory(std::make_unique<FakePassFactory>(360, 2000, log));
        registry.defaultGeometryPass = 250;
    }
    void TearDown() override {
        root.reset();
        EXPECT_TRUE(registry.reset());
    }

    static std::unique_ptr<Entity> entityAt(Room& room, const std::string& position, float radius) {
        auto entity = std::make_unique<Entity>(element(placed(position, radius)));
        entity->setRoom(&room);
        return entity;
    }
    Portal& portalAt(Room& room, const std::string& position, float radius = 1.0f) {
        portals.push_back(std::make_unique<Portal>(element(placed(position, radius))));
        portals.back()->setRoom(&room);
        return *portals.back();
    }
    // A portal in the hall bound to a new partner in the yard, 100 units to the right.
    Portal& doorway(const std::string& position) {
        Portal& portal = portalAt(hall, position);
        portal.partner = &portalAt(yard, "100 0 -5");
        return portal;
    }
    void traverse() {
        root.reset();
        hall.traverse(root);
    }
    // A view of the yard through a door 10 units ahead of the root's eye.
    View& throughDoor() {
        View& child = root.allocateChild();
        child.parent = &root;
        child.portal = &portalAt(hall, "0 0 -10");
        return child;
    }
    bool gathered(View& view, const std::unique_ptr<Entity>& entity) {
        yard.gatherVisible(view.visible, view);
        return std::count(view.visible.begin(), view.visible.end(), entity.get()) == 1;
    }

    ShaderRegistry& registry = ShaderRegistry::instance();
    ZemTest::PassLog log;
    Room hall{element("<entity/>")};
    Room yard{element("<entity/>")};
    std::vector<std::unique_ptr<Portal>> portals;
    View root;
};

TEST_F(RoomTest, TheRootViewGathersTheSpheresReachingInFrontOfTheEye) {
    auto wide = entityAt(hall, "0 0 0.5", 1.0f);
    auto narrow = entityAt(hall, "0 0 0.5", 0.4f);
    auto ahead = entityAt(hall, "0 0 -30", 0.0f);
    hall.gatherVisible(root.visible, root);
    EXPECT_EQ((std::vector<Entity*>{wide.get(), ahead.get()}), root.visible);
}

TEST_F(RoomTest, GatheringReplacesWhatTheListHeld) {
    auto ahead = entityAt(hall, "0 0 -30", 0.0f);
    auto behind = entityAt(hall, "0 0 30", 0.0f);
    root.visible.push_back(behind.get()); // from an earlier frame
    hall.gatherVisible(root.visible, root);
    EXPECT_EQ(std::vector<Entity*>{ahead.get()}, root.visible);
}

TEST_F(RoomTest, TheEyeMatrixDecidesWhatLiesInFront) {
    auto wide = entityAt(hall, "0 0 0.5", 1.0f);
    auto narrow = entityAt(hall, "0 0 0.5", 0.4f);
    auto ahead = entityAt(hall, "0 0 -30", 0.0f);
    root.eyeMatrix = Matrix4::rotation(180, 0, 1, 0);
    hall.gatherVisible(root.visible, root);
    EXPECT_EQ((std::vector<Entity*>{wide.get(), narrow.get()}), root.visible);
}

// The door stands where its (unset) partner would put the eye, so the child's eye is the root's.
TEST_F(RoomTest, ThroughAPortalOnlyTheEntitiesInItsConeAreGathered) {
    View& child = throughDoor();
    auto inCone = entityAt(yard, "0 0 -20", 1.0f);
    auto outside = entityAt(yard, "15 0 -20", 1.0f);
    EXPECT_TRUE(gathered(child, inCone));
    EXPECT_FALSE(gathered(child, outside));
}

TEST_F(RoomTest, ThroughAPortalAnEntityWhoseSphereHoldsTheEyeIsGathered) {
    View& child = throughDoor();
    auto around = entityAt(yard, "0 0 20", 25.0f);
    EXPECT_TRUE(gathered(child, around));
}

TEST_F(RoomTest, AnEyeInsideThePortalsSphereGathersByThePlainTestAlone) {
    View& child = throughDoor();
    child.portal->radius = 12.0f;
    auto outside = entityAt(yard, "15 0 -20", 1.0f);
    EXPECT_TRUE(gathered(child, outside));
}

// A window seen through the door: the hidden entity is in the window's cone, not the door's.
TEST_F(RoomTest, ThroughTwoPortalsAnEntityOutsideTheOuterConeIsNotGathered) {
    View& child = throughDoor();
    View& grandchild = child.allocateChild();
    grandchild.portal = &portalAt(hall, "5 0 -30", 10.0f);
    auto hidden = entityAt(yard, "6 0 -40", 1.0f);
    grandchild.parent = &root;
    ASSERT_TRUE(gathered(grandchild, hidden)) << "through the window alone";
    grandchild.parent = &child;
    EXPECT_FALSE(gathered(grandchild, hidden));
}

TEST_F(RoomTest, ThroughTwoPortalsAnEntityInsideBothConesIsGathered) {
    View& child = throughDoor();
    View& grandchild = child.allocateChild();
    grandchild.parent = &child;
    grandchild.portal = &portalAt(hall, "5 0 -30", 10.0f);
    auto shown = entityAt(yard, "0 0 -40", 1.0f);
    EXPECT_TRUE(gathered(grandchild, shown));
}

TEST_F(RoomTest, ADeletedRoomLeavesItsEntitiesInNoRoom) {
    auto cellar = std::make_unique<Room>(element("<entity/>"));
    auto crate = entityAt(*cellar, "0 0 0", 1.0f);
    cellar.reset();
    EXPECT_EQ(nullptr, crate->room);
}

TEST_F(RoomTest, TraverseOpensAChildViewThroughAPortalFacingTheEye) {
    Portal& door = doorway("0 0 -5");
    traverse();
    ASSERT_EQ(1, root.childCount);
    EXPECT_EQ(&door, root.children[0].portal);
    EXPECT_EQ(1, root.children[0].depth);
}

TEST_F(RoomTest, EachViewSubmitsItsRoomFirst) {
    doorway("0 0 -5");
    traverse();
    ASSERT_EQ(1, root.childCount);
    EXPECT_EQ(&hall, root.submitted[0]);
    EXPECT_EQ(&yard, root.children[0].submitted[0]);
}

// W_portal * inverse(W_partner) carries the yard 100 units to the left.
TEST_F(RoomTest, AChildViewIsPlacedByThePortalTimesTheInverseOfItsPartner) {
    doorway("0 0 -5");
    traverse();
    ASSERT_EQ(1, root.childCount);
    EXPECT_EQ(Matrix4::translation(-100, 0, 0), root.children[0].localMatrix);
}

TEST_F(RoomTest, APortalSeenFromItsBackOpensNoView) {
    doorway("0 0 -5").rotation.y = 180;
    traverse();
    EXPECT_EQ(0, root.childCount);
}

TEST_F(RoomTest, APortalWhosePartnerIsInNoRoomOpensNoView) {
    doorway("0 0 -5").partner->setRoom(nullptr);
    traverse();
    EXPECT_EQ(0, root.childCount);
}

TEST_F(RoomTest, AnUnboundPortalOpensNoView) {
    doorway("0 0 -5").partner = nullptr;
    traverse();
    EXPECT_EQ(0, root.childCount);
}

TEST_F(RoomTest, PortalsFacingEachOtherOpenViewsDownToTheDepthLimit) {
    Portal& there = doorway("0 0 -5");
    static_cast<Portal*>(there.partner)->partner = &there;
    traverse();
    const View* view = &root;
    while (view->childCount > 0) {
        ASSERT_EQ(1, view->childCount);
        view = &view->children[0];
    }
    EXPECT_EQ(10, view->depth);
}

TEST_F(RoomTest, ChildViewsFollowTheOrderOfTheRoomsPortals) {
    for (int i = 0; i < 11; ++i) {
        doorway(std::to_string(i - 5) + " 0 -5");
    }
    traverse();
    ASSERT_EQ(11, root.childCount);
    EXPECT_EQ(portals[20].get(), root.children[10].portal);
}

TEST_F(RoomTest, ARepeatedTraversalMakesNoNewPassSets) {
    for (int i = 0; i < 11; ++i) {
        doorway(std::to_string(i - 5) + " 0 -5");
    }
    for (int frame = 0; frame < 2; ++frame) {
        traverse();
        root.reset();
        EXPECT_EQ(12 * 2, log.creates) << "frame " << frame;
    }
}

} // namespace
