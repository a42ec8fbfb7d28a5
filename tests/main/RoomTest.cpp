#include "main/Room.h"
#include "graphics/Portal.h"
#include "graphics/View.h"
#include "main/Entity.h"
#include "main/SimpleRoom.h"
#include "physics/Occluder.h"
#include "support/SceneFixtures.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using Zem::Graphics::Portal;
using Zem::Graphics::View;
using Zem::Main::Entity;
using Zem::Main::Room;
using Zem::Main::SimpleRoom;
using ZemTest::xmlElement;

namespace {

std::unique_ptr<Entity> entityAt(Room& room, const std::string& position, float radius) {
    auto entity = std::make_unique<Entity>(
        xmlElement("<entity><position>" + position + "</position><radius>" +
                   std::to_string(radius) + "</radius></entity>"));
    entity->setRoom(&room);
    return entity;
}

std::unique_ptr<Portal> portalAt(const std::string& position, float radius) {
    return std::make_unique<Portal>(xmlElement("<entity><position>" + position +
                                               "</position><radius>" + std::to_string(radius) +
                                               "</radius></entity>"));
}

bool contains(const std::vector<Entity*>& list, const Entity* entity) {
    for (const Entity* listed : list) {
        if (listed == entity) {
            return true;
        }
    }
    return false;
}

} // namespace

TEST(RoomTest, NewRoomIsFlaggedEmptyAndCapsDepthAtTen) {
    Room room(xmlElement("<entity name='hall'><radius>3</radius></entity>"));
    EXPECT_NE(0u, room.flags & Zem::Main::EntityFlags::Room);
    EXPECT_EQ(0u, room.flags & Zem::Main::EntityFlags::Portal);
    EXPECT_EQ(10, room.maxPortalDepth);
    EXPECT_TRUE(room.entities.empty());
    EXPECT_TRUE(room.occluders.empty());
    EXPECT_EQ("hall", room.name);

    SimpleRoom simple(xmlElement("<entity/>"));
    EXPECT_FALSE(simple.active);
    EXPECT_EQ(10, simple.maxPortalDepth);
    EXPECT_NE(0u, simple.flags & Zem::Main::EntityFlags::Room);
}

TEST(RoomTest, WithoutCollisionModelTheRoomCollidesAgainstItsModelWithIdZero) {
    ZemTest::MeshFiles files;
    files.write("hall.testmesh", {{0, 0, 0, 1, 0, 0, 0, 1, 0},
                                  {0, 0, 1, 1, 0, 1, 0, 1, 1, 0, 0, 2, 1, 0, 2, 0, 1, 2}});
    Room room(xmlElement("<entity><model>hall.testmesh</model></entity>"));
    ASSERT_NE(nullptr, room.model);
    ASSERT_EQ(3u, room.occluders.size());
    for (const auto& occluder : room.occluders) {
        EXPECT_EQ(0, occluder->id);
        EXPECT_EQ(&room, occluder->owner);
    }
}

TEST(RoomTest, WithCollisionModelTheRoomAddsNoneOfItsOwn) {
    ZemTest::MeshFiles files;
    files.write("hall.testmesh", {{0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 0, 1, 1, 0, 1, 0, 1, 1}});
    files.write("walls.testmesh", {{0, 0, 5, 1, 0, 5, 0, 1, 5}});
    Room room(xmlElement("<entity><collisionmodel startid='100' step='10'>walls.testmesh"
                         "</collisionmodel><model>hall.testmesh</model></entity>"));
    ASSERT_EQ(1u, room.occluders.size());
    EXPECT_EQ(100, room.occluders[0]->id);
}

TEST(RoomTest, DestroyingARoomLeavesItsEntitiesAliveWithoutARoom) {
    auto room = std::make_unique<Room>(xmlElement("<entity/>"));
    auto first = entityAt(*room, "0 0 0", 1);
    auto second = entityAt(*room, "0 0 0", 1);
    ASSERT_EQ(2u, room->entities.size());
    room.reset();
    EXPECT_EQ(nullptr, first->room);
    EXPECT_EQ(nullptr, second->room);
    // Nothing points back at the dead room, so the entities die cleanly too.
    first.reset();
    second.reset();
}

TEST(RoomTest, RemoveFromRoomTakesTheFirstOccurrenceAndClearsTheRoom) {
    Room room(xmlElement("<entity/>"));
    auto a = entityAt(room, "0 0 0", 1);
    auto b = entityAt(room, "0 0 0", 1);
    room.entities.push_back(a.get());
    Zem::Main::removeFromRoom(&room, a.get());
    EXPECT_EQ(nullptr, a->room);
    ASSERT_EQ(2u, room.entities.size());
    EXPECT_EQ(b.get(), room.entities[0]);
    EXPECT_EQ(a.get(), room.entities[1]);
    room.entities.pop_back();
}

TEST(GatherVisibleTest, RootViewKeepsSpheresReachingInFrontOfTheEye) {
    Room room(xmlElement("<entity/>"));
    auto wide = entityAt(room, "0 0 0.5", 1.0f);
    auto narrow = entityAt(room, "0 0 0.5", 0.4f);
    auto ahead = entityAt(room, "0 0 -30", 0.0f);
    View view;
    view.visible.push_back(wide.get()); // stale content from an earlier frame
    room.gatherVisible(view.visible, view);
    ASSERT_EQ(2u, view.visible.size());
    EXPECT_EQ(wide.get(), view.visible[0]);
    EXPECT_EQ(ahead.get(), view.visible[1]);
}

TEST(GatherVisibleTest, RootViewUsesTheEyeMatrix) {
    Room room(xmlElement("<entity/>"));
    auto entity = entityAt(room, "0 0 -5", 1.0f);
    View view;
    // Eye turned around: the entity is now behind it.
    view.eyeMatrix = Zem::Graphics::Matrix4::rotation(180, 0, 1, 0);
    room.gatherVisible(view.visible, view);
    EXPECT_TRUE(view.visible.empty());
}

class ConeTest : public ::testing::Test {
protected:
    ConeTest() {
        child.parent = &root;
        child.portal = door.get();
        // The partner stands where the door does, so the child's eye matrix is the root's.
    }

    Room near{xmlElement("<entity/>")};
    Room far{xmlElement("<entity/>")};
    std::unique_ptr<Portal> door = portalAt("0 0 -10", 1.0f);
    View root;
    View child;
};

TEST_F(ConeTest, ThroughAPortalOnlyEntitiesInItsConeAreGathered) {
    auto inCone = entityAt(far, "0 0 -20", 1.0f);
    auto outside = entityAt(far, "15 0 -20", 1.0f);
    auto grazing = entityAt(far, "3 0 -20", 1.0f);
    far.gatherVisible(child.visible, child);
    EXPECT_TRUE(contains(child.visible, inCone.get()));
    // In front of the eye, but the door's sphere does not show it.
    EXPECT_FALSE(contains(child.visible, outside.get()));
    // alpha + beta = 0.1002 + 0.0493 > gamma = 0.1489.
    EXPECT_TRUE(contains(child.visible, grazing.get()));
}

TEST_F(ConeTest, EntityAroundTheEyeIsAlwaysGathered) {
    auto around = entityAt(far, "0 0 20", 25.0f);
    far.gatherVisible(child.visible, child);
    EXPECT_TRUE(contains(child.visible, around.get()));
}

TEST_F(ConeTest, EyeInsideThePortalsSphereFallsBackOnThePlainTest) {
    door->radius = 12.0f;
    auto outside = entityAt(far, "15 0 -20", 1.0f);
    auto behind = entityAt(far, "0 0 5", 1.0f);
    far.gatherVisible(child.visible, child);
    EXPECT_TRUE(contains(child.visible, outside.get()));
    EXPECT_FALSE(contains(child.visible, behind.get()));
}

TEST_F(ConeTest, EveryPortalOnTheWayBackToTheRootMustShowTheEntity) {
    auto window = portalAt("5 0 -30", 10.0f);
    View grandchild;
    grandchild.parent = &child;
    grandchild.portal = window.get();
    // Seen through the wide window alone it would pass; the door in front of it hides it.
    auto hidden = entityAt(far, "6 0 -40", 1.0f);
    auto shown = entityAt(far, "0 0 -40", 1.0f);
    far.gatherVisible(grandchild.visible, grandchild);
    EXPECT_FALSE(contains(grandchild.visible, hidden.get()));
    EXPECT_TRUE(contains(grandchild.visible, shown.get()));

    // The same entity seen through the window alone, as a child of the root.
    grandchild.parent = &root;
    far.gatherVisible(grandchild.visible, grandchild);
    EXPECT_TRUE(contains(grandchild.visible, hidden.get()));
}
