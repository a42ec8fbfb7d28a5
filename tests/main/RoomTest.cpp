#include "main/Room.h"
#include "graphics/Portal.h"
#include "graphics/View.h"
#include "main/Entity.h"
#include "physics/Occluder.h"
#include "support/SceneFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using Zem::Graphics::Portal;
using Zem::Graphics::View;
using Zem::Main::Entity;
using Zem::Main::Room;
using ZemTest::xmlElement;

namespace {

std::string placed(const std::string& position, float radius) {
    return "<entity><position>" + position + "</position><radius>" + std::to_string(radius) +
           "</radius></entity>";
}

std::unique_ptr<Entity> entityAt(Room& room, const std::string& position, float radius) {
    auto entity = std::make_unique<Entity>(xmlElement(placed(position, radius)));
    entity->setRoom(&room);
    return entity;
}

bool contains(const std::vector<Entity*>& list, const std::unique_ptr<Entity>& entity) {
    return std::find(list.begin(), list.end(), entity.get()) != list.end();
}

TEST(RoomTest, CollidesAgainstItsModelWithIdZeroUnlessGivenACollisionModel) {
    ZemTest::MeshFiles files;
    files.write("hall.testmesh", {{0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 0, 1, 1, 0, 1, 0, 1, 1}});
    files.write("walls.testmesh", {{0, 0, 5, 1, 0, 5, 0, 1, 5}});
    Room plain(xmlElement("<entity><model>hall.testmesh</model></entity>"));
    Room walled(xmlElement("<entity><collisionmodel startid='100'>walls.testmesh"
                           "</collisionmodel><model>hall.testmesh</model></entity>"));
    ASSERT_EQ(2u, plain.occluders.size());
    EXPECT_EQ(0, plain.occluders[1]->id);
    EXPECT_EQ(&plain, plain.occluders[1]->owner);
    ASSERT_EQ(1u, walled.occluders.size());
    EXPECT_EQ(100, walled.occluders[0]->id);
}

TEST(RoomTest, DestroyingARoomLeavesItsEntitiesAliveWithoutARoom) {
    auto room = std::make_unique<Room>(xmlElement("<entity/>"));
    auto entity = entityAt(*room, "0 0 0", 1);
    room.reset();
    EXPECT_EQ(nullptr, entity->room);
}

TEST(GatherVisibleTest, RootViewKeepsSpheresReachingInFrontOfTheEye) {
    Room room(xmlElement("<entity/>"));
    auto wide = entityAt(room, "0 0 0.5", 1.0f);
    auto narrow = entityAt(room, "0 0 0.5", 0.4f);
    auto ahead = entityAt(room, "0 0 -30", 0.0f);
    View view;
    view.visible.push_back(narrow.get()); // stale content from an earlier frame
    room.gatherVisible(view.visible, view);
    EXPECT_EQ((std::vector<Entity*>{wide.get(), ahead.get()}), view.visible);

    // Eye turned around: the far one is behind it now.
    view.eyeMatrix = Zem::Graphics::Matrix4::rotation(180, 0, 1, 0);
    room.gatherVisible(view.visible, view);
    EXPECT_EQ((std::vector<Entity*>{wide.get(), narrow.get()}), view.visible);
}

// The door stands where its (unset) partner would put the eye, so the child's eye is the root's.
class ConeTest : public ::testing::Test {
protected:
    ConeTest() {
        child.parent = &root;
        child.portal = &door;
    }

    Room far{xmlElement("<entity/>")};
    Portal door{xmlElement(placed("0 0 -10", 1.0f))};
    View root;
    View child;
};

TEST_F(ConeTest, ThroughAPortalOnlyEntitiesInItsConeAreGathered) {
    auto inCone = entityAt(far, "0 0 -20", 1.0f);
    auto outside = entityAt(far, "15 0 -20", 1.0f);
    auto around = entityAt(far, "0 0 20", 25.0f);
    far.gatherVisible(child.visible, child);
    EXPECT_TRUE(contains(child.visible, inCone));
    EXPECT_FALSE(contains(child.visible, outside));
    EXPECT_TRUE(contains(child.visible, around));

    // With the eye inside the portal's sphere the plain test decides.
    door.radius = 12.0f;
    far.gatherVisible(child.visible, child);
    EXPECT_TRUE(contains(child.visible, outside));
}

TEST_F(ConeTest, EveryPortalOnTheWayBackToTheRootMustShowTheEntity) {
    Portal window(xmlElement(placed("5 0 -30", 10.0f)));
    View grandchild;
    grandchild.parent = &child;
    grandchild.portal = &window;
    auto hidden = entityAt(far, "6 0 -40", 1.0f);
    auto shown = entityAt(far, "0 0 -40", 1.0f);
    far.gatherVisible(grandchild.visible, grandchild);
    EXPECT_FALSE(contains(grandchild.visible, hidden));
    EXPECT_TRUE(contains(grandchild.visible, shown));

    // Through the window alone it would be seen.
    grandchild.parent = &root;
    far.gatherVisible(grandchild.visible, grandchild);
    EXPECT_TRUE(contains(grandchild.visible, hidden));
}

} // namespace
