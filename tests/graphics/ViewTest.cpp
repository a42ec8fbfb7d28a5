#include "graphics/View.h"
#include "graphics/Portal.h"
#include "graphics/ShaderRegistry.h"
#include "main/Camera.h"
#include "main/Room.h"
#include "support/FakePasses.h"
#include "support/GLContext.h"
#include "support/SceneFixtures.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

using Zem::Graphics::Matrix4;
using Zem::Graphics::Portal;
using Zem::Graphics::ShaderRegistry;
using Zem::Graphics::View;
using ZemTest::FakePassFactory;
using ZemTest::xmlElement;

namespace {

// Rooms joined by portals, the eye at the origin looking along -z.
class TraversalTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        ASSERT_TRUE(registry.reset());
        registry.registerFactory(std::make_unique<FakePassFactory>(250, 1000, log));
        registry.registerFactory(std::make_unique<FakePassFactory>(360, 2000, log));
        registry.defaultGeometryPass = 250;
    }
    void TearDown() override {
        root.reset();
        EXPECT_TRUE(registry.reset());
    }
    Portal& portalAt(Zem::Main::Room& room, const std::string& position) {
        portals.push_back(std::make_unique<Portal>(xmlElement(
            "<entity><position>" + position + "</position><radius>1</radius></entity>")));
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

    ShaderRegistry& registry = ShaderRegistry::instance();
    ZemTest::PassLog log;
    Zem::Main::Room hall{xmlElement("<entity/>")};
    Zem::Main::Room yard{xmlElement("<entity/>")};
    std::vector<std::unique_ptr<Portal>> portals;
    View root;
};

TEST_F(TraversalTest, MovedChildRecordsKeepTheirSetsAndGiveThemBackOnce) {
    for (int i = 0; i < 10; ++i) {
        View& child = root.allocateChild();
        child.passes = registry.acquire();
        child.allocateChild().parent = &child;
    }
    const int resets = log.resets;
    root.allocateChild();
    ASSERT_EQ(20u, root.children.size());
    EXPECT_EQ(resets, log.resets) << "moving a record gave its set back";
    EXPECT_EQ(10u, registry.setsInUse());
    EXPECT_EQ(&root.children[9], root.children[9].children[0].parent);
    root.reset();
    EXPECT_EQ(0u, registry.setsInUse());
    EXPECT_EQ(resets + 2 * 10, log.resets);
}

TEST_F(TraversalTest, PortalOpensAChildOnlyFromItsFrontSideAndWithAPartnerInARoom) {
    Portal& door = doorway("0 0 -5");
    traverse();
    ASSERT_EQ(1, root.childCount);
    const View& child = root.children[0];
    EXPECT_EQ(&hall, root.submitted[0]);
    EXPECT_EQ(&yard, child.submitted[0]);
    EXPECT_EQ(&door, child.portal);
    EXPECT_EQ(1, child.depth);
    // W_portal * inverse(W_partner) carries the yard 100 units to the left.
    EXPECT_EQ(Matrix4::translation(-100, 0, 0), child.localMatrix);

    door.rotation.y = 180;
    door.matrixDirty = true;
    traverse();
    EXPECT_EQ(0, root.childCount) << "seen from its back";
    door.rotation.y = 0;
    door.matrixDirty = true;
    door.partner->setRoom(nullptr);
    traverse();
    EXPECT_EQ(0, root.childCount) << "partner in no room";
    door.partner = nullptr;
    traverse();
    EXPECT_EQ(0, root.childCount) << "unbound";

    // Two portals facing each other.
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

TEST_F(TraversalTest, ElevenPortalsGrowTheStorageTwiceAndSetsAreMadeOnlyForNewViews) {
    for (int i = 0; i < 11; ++i) {
        doorway(std::to_string(i - 5) + " 0 -5");
    }
    for (int frame = 0; frame < 2; ++frame) {
        traverse();
        EXPECT_EQ(11, root.childCount);
        EXPECT_EQ(20u, root.children.size());
        EXPECT_EQ(portals[20].get(), root.children[10].portal);
        root.reset();
        EXPECT_EQ(12 * 2, log.creates) << "frame " << frame;
    }
}

TEST_F(TraversalTest, RenderFrameRunsEveryPassOverTheTreeParentFirstFromTheCamerasEye) {
    doorway("0 0 -5");
    ZemTest::SceneGame game; // owns the camera only
    auto* camera = new Zem::Main::Camera(xmlElement("<entity><position>0 0 2</position></entity>"));
    camera->setRoom(&hall);
    Zem::Graphics::renderFrame(game);
    EXPECT_TRUE(log.events.empty()) << "no current camera";
    game.makeCameraCurrent(camera);
    Zem::Graphics::renderFrame(game);
    // The hall shows itself, the door and the camera; the yard itself and the exit.
    const std::vector<std::string> expected = {
        "begin 250", "draw 250 depth 0 queue 3", "draw 250 depth 1 queue 2", "end 250",
        "begin 360", "draw 360 depth 0 queue 0", "draw 360 depth 1 queue 0", "end 360"};
    EXPECT_EQ(expected, log.events);
    EXPECT_EQ(Matrix4::translation(0, 0, -2), log.modelviews[0]);
    EXPECT_EQ(Matrix4::translation(-100, 0, -2), log.modelviews[1]) << "the yard through the door";
    EXPECT_EQ(0u, registry.setsInUse());
}

} // namespace
