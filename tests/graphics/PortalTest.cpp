#include "graphics/Portal.h"
#include "main/Game.h"
#include "main/Room.h"
#include "resource/Mesh.h"
#include "support/DeferredScene.h"
#include "support/ImageCapture.h"
#include "support/SceneFixtures.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>

using Zem::Graphics::Portal;
using Zem::Graphics::Vector3;
using Zem::Main::Entity;
using Zem::Main::Room;
using ZemTest::xmlElement;

namespace {

void expectNear(const Vector3& expected, const Vector3& actual) {
    EXPECT_LT((expected - actual).length(), 1e-4f)
        << actual.x << " " << actual.y << " " << actual.z;
}

bool listed(const std::vector<Entity*>& list, const Entity* entity) {
    return std::find(list.begin(), list.end(), entity) != list.end();
}

TEST(PortalBindingTest, CameraBindsAnEarlierPortalOrOwnsAViewpointInARoom) {
    ZemTest::SceneGame game;
    auto create = [](const std::string& xml) { return new Portal(xmlElement(xml)); };
    Portal* a = create("<entity name='A'><camera><bind>B</bind></camera></entity>");
    Portal* b = create("<entity name='B'><camera><bind>A</bind></camera></entity>");
    EXPECT_EQ(nullptr, a->partner);
    EXPECT_EQ(a, b->partner);

    auto* yard = new Room(xmlElement("<entity name='yard'/>"));
    Portal* window = create("<entity><camera><bind>nobody</bind><parent>yard</parent>"
                            "<rotation>0 90 0</rotation></camera></entity>");
    Entity* viewpoint = window->partner;
    ASSERT_NE(nullptr, dynamic_cast<Portal::Camera*>(viewpoint));
    EXPECT_TRUE(window->ownsPartner);
    expectNear(Vector3(0, 90, 0), viewpoint->rotation);
    EXPECT_TRUE(listed(yard->entities, viewpoint));
    EXPECT_FALSE(listed(game.entities, viewpoint));
    delete window;
    EXPECT_TRUE(yard->entities.empty()) << "the viewpoint dies with its portal";

    new Room(xmlElement("<entity/>")); // what a lookup of the empty name would find
    auto* statue = new Entity(xmlElement("<entity name='statue'/>"));
    const std::pair<const char*, Entity*> cases[] = {
        {"<bind>statue</bind>", statue}, {"<parent>statue</parent>", nullptr}, {"", nullptr}};
    for (const auto& [camera, partner] : cases) {
        Portal* other = create(std::string("<entity><camera>") + camera + "</camera></entity>");
        EXPECT_EQ(partner, other->partner) << camera;
        EXPECT_FALSE(other->ownsPartner) << camera;
    }
}

TEST(PortalSettingsTest, TriggerPlaneAndPortalMeshInRange) {
    Portal framed(xmlElement("<entity><triggerplane><v>-1 -1 0</v><v>1 -1 0</v><v>-1 3 0</v>"
                             "</triggerplane></entity>"));
    Entity probe(xmlElement("<entity><position>0 1 0.5</position></entity>"));
    // Halfway along both edges, 0.5 along the normal.
    expectNear(Vector3(0.5f, 0.5f, 0.5f), framed.triggerCoordinates(probe));

    ZemTest::MeshFiles files;
    files.write("door.testmesh", {{0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 0, 1, 1, 0, 1, 0, 1, 1}});
    for (const auto& [setting, group] :
         {std::pair{"", 0}, std::pair{"1", 1}, std::pair{"2", -1}, std::pair{"-1", -1}}) {
        Portal portal(xmlElement(std::string("<entity><model>door.testmesh</model><portalmesh>") +
                                 setting + "</portalmesh></entity>"));
        ASSERT_NE(nullptr, portal.model);
        EXPECT_EQ(group < 0 ? nullptr : portal.model->groups[group].get(), portal.maskGroup)
            << setting;
    }
}

// A doorway from the hall, turned 30 degrees, to the yard, turned 210 degrees.
class TriggerTest : public ::testing::Test {
protected:
    TriggerTest() {
        door.setRoom(&hall);
        exit.setRoom(&yard);
        door.partner = &exit;
    }
    // `local` in the door's frame, taken to world space.
    Vector3 nearDoor(const Vector3& local) { return door.getWorldMatrix().transformPoint(local); }
    std::unique_ptr<Entity> walkerAt(const Vector3& local) {
        auto walker = std::make_unique<Entity>(
            xmlElement("<entity><radius>1</radius><rotation>10 5 20</rotation></entity>"));
        walker->position = nearDoor(local);
        walker->setRoom(&hall);
        return walker;
    }
    void step(Entity& entity, const Vector3& local) {
        entity.position = nearDoor(local);
        entity.matrixDirty = true;
        door.update(0.1f);
    }

    Room hall{xmlElement("<entity/>")};
    Room yard{xmlElement("<entity/>")};
    Portal door{
        xmlElement("<entity><position>3 0 4</position><rotation>0 30 0</rotation></entity>")};
    Portal exit{xmlElement("<entity><position>-20 1 7</position><rotation>0 210 0</rotation>"
                           "</entity>")};
};

TEST_F(TriggerTest, OnlyAnEntityPassingThroughComesOutOfThePartnerTurnedWithIt) {
    auto walker = walkerAt(Vector3(0.5f, 0.5f, 0.5f));
    door.update(0.1f);
    EXPECT_EQ(&door, walker->currentPortal);
    Vector3 aim = nearDoor(Vector3(0.5f, 0.5f, -3));
    walker->attachedPoints.push_back(&aim);
    step(*walker, Vector3(0.25f, 0.5f, -0.1f));
    EXPECT_EQ(nullptr, walker->currentPortal);
    EXPECT_FALSE(listed(hall.entities, walker.get()));
    EXPECT_TRUE(listed(yard.entities, walker.get()));
    expectNear(exit.getWorldMatrix().transformPoint(Vector3(0.25f, 0.5f, -0.1f)), walker->position);
    expectNear(Vector3(10, 185, 20), walker->rotation);
    expectNear(exit.getWorldMatrix().transformPoint(Vector3(0.5f, 0.5f, -3)), aim);

    // Entities that do not pass through stay put.
    walker = walkerAt(Vector3(0.5f, 0.5f, 0.5f));
    auto lamp = walkerAt(Vector3(0.5f, 0.5f, 0.5f));
    lamp->flags |= Zem::Main::EntityFlags::NoPortalTransfer;
    auto behind = walkerAt(Vector3(0.5f, 0.5f, -0.5f)); // never in front: never enters
    door.update(0.1f);
    step(*walker, Vector3(0.9f, 0.1f, 0.2f));
    EXPECT_EQ(std::vector<Entity*>{walker.get()}, door.crossing);
    EXPECT_EQ(&hall, behind->room);
    step(*walker, Vector3(0.5f, 0.5f, 1.5f));
    EXPECT_TRUE(door.crossing.empty()) << "left on its own side";
    // From inside the zone straight to behind the plane, crossing it beside the opening.
    step(*walker, Vector3(0.5f, 0.5f, 0.5f));
    step(*walker, Vector3(2.5f, 0.5f, -0.5f));
    EXPECT_TRUE(door.crossing.empty());
    EXPECT_EQ(nullptr, walker->currentPortal);
    EXPECT_EQ(&hall, walker->room);
    expectNear(Vector3(10, 5, 20), walker->rotation);

    // Deleted inside the zone, an entity leaves the portal's list with its room's.
    auto doomed = walkerAt(Vector3(0.5f, 0.5f, 0.5f));
    door.update(0.1f);
    ASSERT_EQ(std::vector<Entity*>{doomed.get()}, door.crossing);
    doomed.reset();
    EXPECT_TRUE(door.crossing.empty());

    door.partner = nullptr;
    step(*walker, Vector3(0.5f, 0.5f, 0.5f));
    EXPECT_TRUE(door.crossing.empty()) << "unbound";
}

TEST_F(TriggerTest, APathThroughTheOpeningCarriesHoweverLongTheStep) {
    struct Case {
        Vector3 from, to;
        bool carried;
    };
    const Case cases[] = {
        {Vector3(0.5f, 0.5f, 3.0f), Vector3(0.5f, 0.5f, -2.0f), true},   // never within reach
        {Vector3(-2.0f, 0.5f, 4.0f), Vector3(3.0f, 0.5f, -6.0f), true},  // slanting, through
        {Vector3(2.5f, 0.5f, 1.0f), Vector3(1.5f, 0.5f, -1.0f), false},  // past the side
        {Vector3(0.5f, 0.5f, -1.0f), Vector3(0.5f, 0.5f, -3.0f), false}, // behind all along
        {Vector3(0.5f, 0.5f, -2.0f), Vector3(0.5f, 0.5f, 2.0f), false},  // from behind
    };
    for (const Case& c : cases) {
        auto walker = walkerAt(c.from);
        door.update(0.1f);
        walker->position = nearDoor(c.to);
        walker->matrixDirty = true;
        door.settleCrossings();
        EXPECT_EQ(c.carried ? &yard : &hall, walker->room) << c.from.x << " " << c.from.z;
        if (c.carried) {
            expectNear(exit.getWorldMatrix().transformPoint(c.to), walker->position);
        }
        EXPECT_TRUE(door.crossing.empty());
    }
}

// Eye at the origin looking along -z; the opening is a square of half-width 0.5 at z = -5.
// Through it, a far red wall and a green one 2 units in front of it.
class PortalMaskTest : public ZemTest::GLTest {
protected:
    void TearDown() override { ZemTest::DeferredTest::restoreDefaultState(); }
    static void fillSquare(float z, float half) {
        glPushMatrix();
        glTranslatef(0, 0, z);
        glRectf(-half, -half, half, half);
        glPopMatrix();
    }
};

TEST_F(PortalMaskTest, RoomBehindIsDrawnOnlyInsideTheOpeningAndBehindItsClipPlane) {
    const auto mesh = ZemTest::makeMesh({{-0.5f, -0.5f, 0, 0.5f, -0.5f, 0, 0.5f, 0.5f, 0, -0.5f,
                                          -0.5f, 0, 0.5f, 0.5f, 0, -0.5f, 0.5f, 0}});
    using Colour = std::array<std::uint8_t, 3>;
    const int size = gl().width();
    glViewport(0, 0, size, size);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, 1, 20);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_DEPTH_TEST);
    for (const auto& [threshold, inside] :
         {std::pair{0.0f, Colour{255, 0, 0}}, std::pair{3.0f, Colour{0, 255, 0}}}) {
        Portal portal(xmlElement("<entity><position>0 0 -5</position></entity>"));
        portal.maskGroup = mesh->groups[0].get();
        portal.threshold = threshold;
        portal.getWorldMatrix();
        glStencilMask(0xFF);
        glClearColor(0, 0, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        glColor3f(1, 1, 1);
        fillSquare(-5, 0.5f); // the opening as the geometry pass leaves it
        Zem::Graphics::portalBegin(portal);
        glColor3f(1, 0, 0);
        fillSquare(-10, 2);
        glColor3f(0, 1, 0);
        fillSquare(-3, 2);
        Zem::Graphics::portalEnd(portal);

        EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
        EXPECT_FALSE(glIsEnabled(GL_CLIP_PLANE0));
        GLubyte stencil = 1;
        glReadPixels(size / 2, size / 2, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &stencil);
        EXPECT_EQ(0, stencil) << "portalEnd clears its bit";
        const auto image = ZemTest::ImageCapture::readFramebuffer(0, 0, size, size);
        EXPECT_EQ(inside, image.pixel(size / 2, size / 2)) << "threshold " << threshold;
        EXPECT_EQ((Colour{0, 0, 255}), image.pixel(size - 3, size / 2)) << "outside the opening";
        EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
    }
}

} // namespace
