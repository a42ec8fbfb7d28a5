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

// Two fake passes; a hall whose door leads to a yard 100 units to the right, the eye 2 units
// behind the origin of the hall looking along -z.
class ViewTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        ASSERT_TRUE(registry.reset());
        registry.registerFactory(std::make_unique<FakePassFactory>(250, 1000, log));
        registry.registerFactory(std::make_unique<FakePassFactory>(360, 2000, log));
        registry.defaultGeometryPass = 250;
        door.setRoom(&hall);
        exit.setRoom(&yard);
        door.partner = &exit;
        camera->setRoom(&hall);
    }
    void TearDown() override {
        root.reset();
        EXPECT_TRUE(registry.reset());
    }
    // Ten child records, each holding a set and a child of its own.
    void allocateTenChildren() {
        for (int i = 0; i < 10; ++i) {
            View& child = root.allocateChild();
            child.passes = registry.acquire();
            child.allocateChild().parent = &child;
        }
    }

    ShaderRegistry& registry = ShaderRegistry::instance();
    ZemTest::PassLog log;
    View root;
    ZemTest::SceneGame game; // owns the camera only
    Zem::Main::Room hall{xmlElement("<entity/>")};
    Zem::Main::Room yard{xmlElement("<entity/>")};
    Portal door{xmlElement("<entity><position>0 0 -5</position><radius>1</radius></entity>")};
    Portal exit{xmlElement("<entity><position>100 0 -5</position><radius>1</radius></entity>")};
    Zem::Main::Camera* camera =
        new Zem::Main::Camera(xmlElement("<entity><position>0 0 2</position></entity>"));
};

TEST_F(ViewTest, MovedChildRecordsKeepTheirChildrenPointingAtThem) {
    allocateTenChildren();
    root.allocateChild();
    EXPECT_EQ(&root.children[9], root.children[9].children[0].parent);
}

TEST_F(ViewTest, MovedChildRecordsKeepTheirSets) {
    allocateTenChildren();
    const int resets = log.resets;
    root.allocateChild();
    EXPECT_EQ(resets, log.resets);
    EXPECT_EQ(10u, registry.setsInUse());
}

TEST_F(ViewTest, ResetGivesEverySetOfTheSubtreeBackOnce) {
    allocateTenChildren();
    const int resets = log.resets;
    root.reset();
    EXPECT_EQ(0u, registry.setsInUse());
    EXPECT_EQ(resets + 2 * 10, log.resets);
}

TEST_F(ViewTest, RenderFrameWithoutACurrentCameraDrawsNothing) {
    Zem::Graphics::renderFrame(game);
    EXPECT_TRUE(log.events.empty());
}

// The hall shows itself, the door and the camera; the yard itself and the exit.
TEST_F(ViewTest, RenderFrameRunsEveryPassOverTheViewTreeParentFirst) {
    game.makeCameraCurrent(camera);
    Zem::Graphics::renderFrame(game);
    const std::vector<std::string> expected = {
        "begin 250", "draw 250 depth 0 queue 3", "draw 250 depth 1 queue 2", "end 250",
        "begin 360", "draw 360 depth 0 queue 0", "draw 360 depth 1 queue 0", "end 360"};
    EXPECT_EQ(expected, log.events);
}

TEST_F(ViewTest, RenderFrameDrawsEachViewFromTheCamerasEye) {
    game.makeCameraCurrent(camera);
    Zem::Graphics::renderFrame(game);
    ASSERT_EQ(4u, log.modelviews.size());
    EXPECT_EQ(Matrix4::translation(0, 0, -2), log.modelviews[0]);
    EXPECT_EQ(Matrix4::translation(-100, 0, -2), log.modelviews[1]) << "the yard through the door";
}

TEST_F(ViewTest, RenderFrameGivesEverySetBack) {
    game.makeCameraCurrent(camera);
    Zem::Graphics::renderFrame(game);
    EXPECT_EQ(0u, registry.setsInUse());
}

} // namespace
