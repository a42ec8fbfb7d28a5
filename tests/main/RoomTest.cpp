#include "main/Room.h"
#include "graphics/Portal.h"
#include "graphics/View.h"
#include "main/TestGame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using Zem::Graphics::Portal;
using Zem::Graphics::View;
using Zem::Main::Entity;
using Zem::Main::Room;
using ZemTest::element;

namespace {

std::string placed(const std::string& position, float radius) {
    return "<entity><position>" + position + "</position><radius>" + std::to_string(radius) +
           "</radius></entity>";
}

std::unique_ptr<Entity> entityAt(Room& room, const std::string& position, float radius) {
    auto entity = std::make_unique<Entity>(element(placed(position, radius)));
    entity->setRoom(&room);
    return entity;
}

bool contains(const std::vector<Entity*>& list, const std::unique_ptr<Entity>& entity) {
    return std::find(list.begin(), list.end(), entity.get()) != list.end();
}

TEST(GatherVisibleTest, RootViewKeepsSpheresReachingInFrontOfTheEye) {
    Room room(element("<entity/>"));
    auto wide = entityAt(room, "0 0 0.5", 1.0f);
    auto narrow = entityAt(room, "0 0 0.5", 0.4f);
    auto ahead = entityAt(room, "0 0 -30", 0.0f);
    View view;
    view.visible.push_back(narrow.get()); // stale content from an earlier frame
    room.gatherVisible(view.visible, view);
    EXPECT_EQ((std::vector<Entity*>{wide.get(), ahead.get()}), view.visible);

    view.eyeMatrix = Zem::Graphics::Matrix4::rotation(180, 0, 1, 0);
    room.gatherVisible(view.visible, view);
    EXPECT_EQ((std::vector<Entity*>{wide.get(), narrow.get()}), view.visible);
}

// The door stands where its (unset) partner would put the eye, so the child's eye is the root's.
TEST(GatherVisibleTest, ThroughPortalsOnlyEntitiesInEveryConeBackToTheRootAreGathered) {
    Room far(element("<entity/>"));
    Portal door(element(placed("0 0 -10", 1.0f)));
    View root, child, grandchild;
    child.parent = &root;
    child.portal = &door;
    auto inCone = entityAt(far, "0 0 -20", 1.0f);
    auto outside = entityAt(far, "15 0 -20", 1.0f);
    auto around = entityAt(far, "0 0 20", 25.0f);
    far.gatherVisible(child.visible, child);
    EXPECT_TRUE(contains(child.visible, inCone));
    EXPECT_FALSE(contains(child.visible, outside));
    EXPECT_TRUE(contains(child.visible, around));

    SCOPED_TRACE("eye inside the portal's sphere: the plain test decides");
    door.radius = 12.0f;
    far.gatherVisible(child.visible, child);
    EXPECT_TRUE(contains(child.visible, outside));

    SCOPED_TRACE("a window seen through the door");
    door.radius = 1.0f;
    Portal window(element(placed("5 0 -30", 10.0f)));
    grandchild.parent = &child;
    grandchild.portal = &window;
    auto hidden = entityAt(far, "6 0 -40", 1.0f);
    auto shown = entityAt(far, "0 0 -40", 1.0f);
    far.gatherVisible(grandchild.visible, grandchild);
    EXPECT_FALSE(contains(grandchild.visible, hidden));
    EXPECT_TRUE(contains(grandchild.visible, shown));
    grandchild.parent = &root; // through the window alone it would be seen
    far.gatherVisible(grandchild.visible, grandchild);
    EXPECT_TRUE(contains(grandchild.visible, hidden));
}

} // namespace
