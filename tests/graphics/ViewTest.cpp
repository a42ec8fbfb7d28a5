#include "graphics/View.h"
#include "graphics/Portal.h"
#include "graphics/ShaderRegistry.h"
#include "main/Camera.h"
#include "main/Room.h"
#include "support/FakePasses.h"
#include "support/GLContext.h"
#include "support/ImageCapture.h"
#include "support/SceneFixtures.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

using Zem::Graphics::Matrix4;
using Zem::Graphics::PassSet;
using Zem::Graphics::Portal;
using Zem::Graphics::ShaderRegistry;
using Zem::Graphics::Vector3;
using Zem::Graphics::View;
using Zem::Main::Entity;
using Zem::Main::Room;
using ZemTest::FakePassFactory;
using ZemTest::PassLog;
using ZemTest::xmlElement;

// Counts every allocation of this program while `counting` is set, so a test can check that a
// repeated frame allocates nothing. GCC cannot see that the replaced operator new pairs with
// free, and warns wherever a delete is inlined.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
} // namespace

void* operator new(std::size_t size) {
    if (counting) {
        ++allocations;
    }
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace {

std::string entityXml(const std::string& position, const std::string& rotation, float radius) {
    return "<entity><position>" + position + "</position><rotation>" + rotation +
           "</rotation><radius>" + std::to_string(radius) + "</radius></entity>";
}

// Rooms joined by portals, with the eye at the origin looking along -z.
class TraversalTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(registry.reset());
        registry.registerFactory(std::make_unique<FakePassFactory>(250, 1000, log));
        registry.registerFactory(std::make_unique<FakePassFactory>(360, 2000, log, false));
        registry.defaultGeometryPass = 250;
    }
    void TearDown() override {
        root.reset();
        EXPECT_TRUE(registry.reset());
    }

    // A portal in `from` at `position`, bound to a new partner in `to`.
    Portal& doorway(Room& from, const std::string& position, Room& to,
                    const std::string& partnerPosition, const std::string& rotation = "0 0 0") {
        portals.push_back(std::make_unique<Portal>(xmlElement(entityXml(position, rotation, 1))));
        Portal& portal = *portals.back();
        portal.setRoom(&from);
        portals.push_back(
            std::make_unique<Portal>(xmlElement(entityXml(partnerPosition, "0 0 0", 1))));
        Portal& partner = *portals.back();
        partner.setRoom(&to);
        portal.partner = &partner;
        return portal;
    }

    void traverse(Room& room) {
        root.reset();
        root.depth = 0;
        room.traverse(root);
    }

    static int countViews(const View& view) {
        int count = 1;
        for (int32_t i = 0; i < view.childCount; ++i) {
            count += countViews(view.children[static_cast<std::size_t>(i)]);
        }
        return count;
    }

    ShaderRegistry& registry = ShaderRegistry::instance();
    PassLog log;
    Room hall{xmlElement("<entity name='hall'/>")};
    Room yard{xmlElement("<entity name='yard'/>")};
    std::vector<std::unique_ptr<Portal>> portals;
    View root;
};

} // namespace

TEST(ViewStorageTest, ChildStorageGrowsTenRecordsAtATime) {
    View view;
    std::vector<std::size_t> sizes;
    for (int i = 0; i < 11; ++i) {
        View& child = view.allocateChild();
        child.depth = i;
        sizes.push_back(view.children.size());
    }
    EXPECT_EQ(10u, sizes[0]);
    EXPECT_EQ(10u, sizes[9]);
    EXPECT_EQ(20u, sizes[10]);
    EXPECT_EQ(11, view.childCount);
    // The records that moved kept what they held.
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(i, view.children[static_cast<std::size_t>(i)].depth);
    }
    view.reset();
    EXPECT_EQ(0, view.childCount);
    EXPECT_EQ(20u, view.children.size());
    EXPECT_EQ(&view.children[0], &view.allocateChild());
}

TEST_F(TraversalTest, MovedRecordsGiveTheirSetBackExactlyOnce) {
    View parent;
    for (int i = 0; i < 10; ++i) {
        View& child = parent.allocateChild();
        child.passes = registry.acquire();
        child.parent = &parent;
        child.allocateChild().parent = &child;
    }
    const int resetsBefore = log.resets;
    // The eleventh child moves the other ten into new storage.
    parent.allocateChild();
    EXPECT_EQ(10u, registry.setsInUse());
    EXPECT_EQ(resetsBefore, log.resets);
    for (int i = 0; i < 10; ++i) {
        const View& moved = parent.children[static_cast<std::size_t>(i)];
        EXPECT_NE(nullptr, moved.passes);
        EXPECT_EQ(&parent, moved.parent);
        // Grandchildren follow their parent's record to its new place.
        EXPECT_EQ(&moved, moved.children[0].parent);
    }
    parent.reset();
    EXPECT_EQ(0u, registry.setsInUse());
    // Two passes per set, each reset once on release.
    EXPECT_EQ(resetsBefore + 20, log.resets);

    View source;
    source.passes = registry.acquire();
    View target(std::move(source));
    EXPECT_EQ(nullptr, source.passes);
    source.reset();
    EXPECT_EQ(1u, registry.setsInUse());
    target.reset();
    EXPECT_EQ(0u, registry.setsInUse());
}

TEST_F(TraversalTest, RoomWithoutPortalsGivesOneViewWithTheRoomSubmittedFirst) {
    auto chair = std::make_unique<Entity>(xmlElement(entityXml("0 0 -3", "0 0 0", 1)));
    chair->setRoom(&hall);
    traverse(hall);
    EXPECT_EQ(&hall, root.room);
    EXPECT_EQ(0, root.childCount);
    ASSERT_EQ(2u, root.submitted.size());
    EXPECT_EQ(&hall, root.submitted[0]);
    EXPECT_EQ(chair.get(), root.submitted[1]);
    ASSERT_NE(nullptr, root.passes);
    EXPECT_EQ(2u, ShaderRegistry::findPass(root.passes, 250)->queue.size());
    EXPECT_TRUE(ShaderRegistry::findPass(root.passes, 360)->queue.empty());
}

TEST_F(TraversalTest, PortalOpensAChildOnlyFromItsFrontSide) {
    Portal& front = doorway(hall, "0 0 -5", yard, "100 0 -5");
    traverse(hall);
    ASSERT_EQ(1, root.childCount);
    const View& child = root.children[0];
    EXPECT_EQ(1, child.depth);
    EXPECT_EQ(&front, child.portal);
    EXPECT_EQ(&yard, child.room);
    EXPECT_EQ(&root, child.parent);
    // W_portal * inverse(W_partner) carries the yard 100 units to the left.
    EXPECT_EQ(Vector3(-100, 0, 0), child.localMatrix.getTranslation());
    EXPECT_EQ(Vector3(-100, 0, 0), child.eyeMatrix.getTranslation());
    EXPECT_EQ(&yard, child.submitted[0]);

    // Turned around, the eye sees its back.
    front.rotation = Vector3(0, 180, 0);
    front.matrixDirty = true;
    traverse(hall);
    EXPECT_EQ(0, root.childCount);
}

TEST_F(TraversalTest, PortalWithoutBoundPartnerOrPartnerRoomOpensNothing) {
    Portal& unbound = doorway(hall, "0 0 -5", yard, "100 0 -5");
    Entity* partner = unbound.partner;
    unbound.partner = nullptr;
    traverse(hall);
    EXPECT_EQ(0, root.childCount);

    unbound.partner = partner;
    partner->setRoom(nullptr);
    traverse(hall);
    EXPECT_EQ(0, root.childCount);
}

TEST_F(TraversalTest, PortalsThatKeepSeeingEachOtherStopAtDepthTen) {
    Portal& there = doorway(hall, "0 0 -5", yard, "100 0 -5");
    Portal& back = *static_cast<Portal*>(there.partner);
    back.partner = &there;
    traverse(hall);
    const View* view = &root;
    int views = 1;
    while (view->childCount > 0) {
        ASSERT_EQ(1, view->childCount);
        view = &view->children[0];
        ++views;
    }
    EXPECT_EQ(11, views);
    EXPECT_EQ(10, view->depth);
    EXPECT_EQ(&hall, view->room);
    // The deepest view still shows what it sees, its portal included.
    EXPECT_EQ(2u, view->submitted.size());
}

TEST_F(TraversalTest, ElevenVisiblePortalsGrowTheChildStorageTwice) {
    for (int i = 0; i < 11; ++i) {
        doorway(hall, std::to_string(i - 5) + " 0 -5", yard, "100 0 -5");
    }
    traverse(hall);
    EXPECT_EQ(11, root.childCount);
    EXPECT_EQ(20u, root.children.size());
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(portals[static_cast<std::size_t>(2 * i)].get(),
                  root.children[static_cast<std::size_t>(i)].portal);
        EXPECT_EQ(&root, root.children[static_cast<std::size_t>(i)].parent);
    }
}

TEST_F(TraversalTest, PassSetsAreCreatedOnlyForViewsNoEarlierFrameHad) {
    doorway(hall, "0 0 -5", yard, "100 0 -5");
    traverse(hall);
    root.reset();
    EXPECT_EQ(2 * 2, log.creates);
    traverse(hall);
    root.reset();
    EXPECT_EQ(2 * 2, log.creates);

    doorway(hall, "2 0 -5", yard, "100 0 -5");
    traverse(hall);
    EXPECT_EQ(3, countViews(root));
    root.reset();
    EXPECT_EQ(3 * 2, log.creates);
    EXPECT_EQ(0u, registry.setsInUse());
}

TEST_F(TraversalTest, RepeatedFrameAllocatesNothing) {
    for (int i = 0; i < 12; ++i) {
        doorway(hall, std::to_string(i - 6) + " 0 -5", yard, "100 0 -5");
    }
    auto chair = std::make_unique<Entity>(xmlElement(entityXml("0 0 -3", "0 0 0", 1)));
    chair->setRoom(&yard);
    for (int frame = 0; frame < 2; ++frame) {
        traverse(hall);
        root.reset();
    }
    allocations = 0;
    counting = true;
    traverse(hall);
    const int views = countViews(root);
    root.reset();
    counting = false;
    EXPECT_EQ(13, views);
    EXPECT_EQ(0, allocations.load());
}

namespace {

class DrawTreeTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        ASSERT_TRUE(registry.reset());
        registry.registerFactory(std::make_unique<FakePassFactory>(2, 2000, log, false));
        registry.registerFactory(std::make_unique<FakePassFactory>(1, 1000, log, true));
    }
    void TearDown() override { EXPECT_TRUE(registry.reset()); }

    ShaderRegistry& registry = ShaderRegistry::instance();
    PassLog log;
};

} // namespace

TEST_F(DrawTreeTest, EveryPassRunsBeginViewsParentFirstThenEnd) {
    Portal door(xmlElement("<entity/>"));
    View root;
    root.passes = registry.acquire();
    View& first = root.allocateChild();
    first.depth = 1;
    first.portal = &door;
    first.passes = registry.acquire();
    View& deeper = first.allocateChild();
    deeper.depth = 2;
    deeper.portal = &door;
    deeper.passes = registry.acquire();
    View& second = root.allocateChild();
    second.depth = 1;
    second.portal = &door;
    second.passes = registry.acquire();

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    root.localMatrix = Matrix4::translation(1, 2, 3);
    Zem::Graphics::drawTree(root);
    const std::vector<std::string> expected = {"begin 1",
                                               "draw 1 depth 0 queue 0",
                                               "draw 1 depth 1 queue 0",
                                               "draw 1 depth 2 queue 0",
                                               "draw 1 depth 1 queue 0",
                                               "end 1",
                                               "begin 2",
                                               "draw 2 depth 0 queue 0",
                                               "draw 2 depth 1 queue 0",
                                               "draw 2 depth 2 queue 0",
                                               "draw 2 depth 1 queue 0",
                                               "end 2"};
    EXPECT_EQ(expected, log.events);

    // The walk leaves the modelview as it found it.
    Matrix4 modelview;
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview.m);
    EXPECT_EQ(Matrix4::identity(), modelview);
    EXPECT_EQ(GL_NO_ERROR, glGetError());
}

namespace {

// Keeps the modelview each view is drawn with.
class ModelviewPass : public Zem::Graphics::Shader {
public:
    void draw(View&) override {
        Matrix4 modelview;
        glGetFloatv(GL_MODELVIEW_MATRIX, modelview.m);
        seen->push_back(modelview);
    }
    std::vector<Matrix4>* seen = nullptr;
};

class ModelviewPassFactory : public Zem::Graphics::Shader::Factory {
public:
    explicit ModelviewPassFactory(std::vector<Matrix4>& seen) : Factory(9, 500), seen(seen) {}
    std::unique_ptr<Zem::Graphics::Shader> create() override {
        std::unique_ptr<Zem::Graphics::Shader> shader = make<ModelviewPass>();
        static_cast<ModelviewPass*>(shader.get())->seen = &seen;
        return shader;
    }

private:
    std::vector<Matrix4>& seen;
};

class RenderFrameTest : public DrawTreeTest {
protected:
    void SetUp() override {
        DrawTreeTest::SetUp();
        registry.registerFactory(std::make_unique<ModelviewPassFactory>(modelviews));
        registry.defaultGeometryPass = 1;
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        hall = new Room(xmlElement("<entity name='hall'/>"));
        yard = new Room(xmlElement("<entity name='yard'/>"));
        door = new Portal(xmlElement("<entity name='door'><parent>hall</parent>"
                                     "<position>0 0 -5</position><radius>1</radius></entity>"));
        auto* exit =
            new Portal(xmlElement("<entity name='exit'><parent>yard</parent>"
                                  "<position>100 0 -5</position><radius>1</radius></entity>"));
        door->partner = exit;
        camera = new Zem::Main::Camera(xmlElement("<entity name='camera'><parent>hall</parent>"
                                                  "<position>0 0 2</position></entity>"));
    }

    void TearDown() override {
        game.reset();
        Zem::Main::currentGame = nullptr;
        DrawTreeTest::TearDown();
    }

    std::unique_ptr<ZemTest::SceneGame> game = std::make_unique<ZemTest::SceneGame>();
    std::vector<Matrix4> modelviews;
    Room* hall = nullptr;
    Room* yard = nullptr;
    Portal* door = nullptr;
    Zem::Main::Camera* camera = nullptr;
};

} // namespace

TEST_F(RenderFrameTest, WithoutCurrentCameraOnlyTheScreenIsCleared) {
    glClearColor(1, 0, 0, 1);
    Zem::Graphics::renderFrame(*game);
    EXPECT_TRUE(log.events.empty());
    EXPECT_TRUE(modelviews.empty());
    const auto image = ZemTest::ImageCapture::readFramebuffer(0, 0, 4, 4);
    EXPECT_EQ((std::array<std::uint8_t, 3>{255, 0, 0}), image.pixel(1, 1));
}

TEST_F(RenderFrameTest, CameraInARoomDrawsEveryPassOverTheTreeFromItsEye) {
    game->makeCameraCurrent(camera);
    Zem::Graphics::renderFrame(*game);
    // The hall shows itself, the door and the camera; the yard itself and the exit.
    const std::vector<std::string> expected = {
        "begin 1", "draw 1 depth 0 queue 3", "draw 1 depth 1 queue 2", "end 1",
        "begin 2", "draw 2 depth 0 queue 0", "draw 2 depth 1 queue 0", "end 2"};
    EXPECT_EQ(expected, log.events);
    // The root is drawn from the camera's eye, the view behind the door through it as well.
    ASSERT_EQ(2u, modelviews.size());
    EXPECT_EQ(Matrix4::translation(0, 0, -2), modelviews[0]);
    EXPECT_EQ(Matrix4::translation(-100, 0, -2), modelviews[1]);
    EXPECT_EQ(0u, registry.setsInUse());
    Matrix4 modelview;
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview.m);
    EXPECT_EQ(Matrix4::identity(), modelview);
}

TEST_F(RenderFrameTest, CameraWithoutRoomDrawsNothing) {
    camera->setRoom(nullptr);
    game->makeCameraCurrent(camera);
    Zem::Graphics::renderFrame(*game);
    EXPECT_TRUE(log.events.empty());
    EXPECT_EQ(0u, registry.setsInUse());
}

TEST_F(RenderFrameTest, KeptRootReusesItsSetsFrameAfterFrame) {
    game->makeCameraCurrent(camera);
    View root;
    Zem::Graphics::renderFrame(*game, root);
    const int creates = log.creates;
    EXPECT_EQ(2 * 2, creates);
    Zem::Graphics::renderFrame(*game, root);
    EXPECT_EQ(creates, log.creates);
    EXPECT_EQ(0u, registry.setsInUse());
    EXPECT_EQ(10u, root.children.size());
}
