#include "graphics/Portal.h"
#include "graphics/View.h"
#include "main/Game.h"
#include "main/Room.h"
#include "resource/Mesh.h"
#include "support/GLContext.h"
#include "support/ImageCapture.h"
#include "support/SceneFixtures.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>

using Zem::Graphics::Matrix4;
using Zem::Graphics::Portal;
using Zem::Graphics::Vector3;
using Zem::Main::Entity;
using Zem::Main::Room;
using ZemTest::xmlElement;

namespace {

void expectVector(const Vector3& expected, const Vector3& actual, float eps = 1e-4f) {
    EXPECT_NEAR(expected.x, actual.x, eps);
    EXPECT_NEAR(expected.y, actual.y, eps);
    EXPECT_NEAR(expected.z, actual.z, eps);
}

bool listed(const std::vector<Entity*>& list, const Entity* entity) {
    return std::find(list.begin(), list.end(), entity) != list.end();
}

// A game that only holds entities, as a world file would create them.
class BindingTest : public ::testing::Test {
protected:
    ~BindingTest() override {
        game.reset();
        Zem::Main::currentGame = nullptr;
    }

    template <class T> T* create(const std::string& xml) { return new T(xmlElement(xml)); }

    std::unique_ptr<ZemTest::SceneGame> game = std::make_unique<ZemTest::SceneGame>();
};

} // namespace

TEST_F(BindingTest, OfTwoPortalsNamingEachOtherOnlyTheLaterIsBound) {
    Room* hall = create<Room>("<entity name='hall'/>");
    Room* yard = create<Room>("<entity name='yard'/>");
    Portal* a = create<Portal>("<entity name='A'><parent>hall</parent>"
                               "<camera><bind>B</bind></camera></entity>");
    Portal* b = create<Portal>("<entity name='B'><parent>yard</parent>"
                               "<camera><bind>A</bind></camera></entity>");
    EXPECT_EQ(nullptr, a->partner);
    EXPECT_EQ(b->flags & Zem::Main::EntityFlags::Portal, Zem::Main::EntityFlags::Portal);
    EXPECT_EQ(a, b->partner);
    EXPECT_FALSE(b->ownsPartner);
    EXPECT_EQ(hall, a->room);
    EXPECT_EQ(yard, b->room);
}

TEST_F(BindingTest, BindNamingNobodyWithoutParentLeavesThePortalUnboundAndIdle) {
    Room* hall = create<Room>("<entity name='hall'/>");
    Portal* portal = create<Portal>("<entity><parent>hall</parent><radius>1</radius>"
                                    "<camera><bind>nobody</bind></camera></entity>");
    Entity* walker = create<Entity>("<entity><parent>hall</parent><radius>1</radius>"
                                    "<position>0.5 0.5 0.5</position></entity>");
    EXPECT_EQ(nullptr, portal->partner);
    portal->update(0.1f);
    EXPECT_TRUE(portal->crossing.empty());
    EXPECT_EQ(nullptr, walker->currentPortal);
    EXPECT_EQ(hall, walker->room);
}

TEST_F(BindingTest, ParentRoomGivesAnOwnedViewpointOutsideTheGamesList) {
    Room* yard = create<Room>("<entity name='yard'/>");
    Portal* portal = create<Portal>("<entity><camera><bind>nobody</bind><parent>yard</parent>"
                                    "<position>1 2 3</position><rotation>0 90 0</rotation>"
                                    "</camera></entity>");
    ASSERT_NE(nullptr, portal->partner);
    EXPECT_TRUE(portal->ownsPartner);
    Entity* viewpoint = portal->partner;
    EXPECT_NE(nullptr, dynamic_cast<Portal::Camera*>(viewpoint));
    expectVector(Vector3(1, 2, 3), viewpoint->position);
    expectVector(Vector3(0, 90, 0), viewpoint->rotation);
    EXPECT_NE(0u, viewpoint->flags & Zem::Main::EntityFlags::NoPortalTransfer);
    EXPECT_EQ(yard, viewpoint->room);
    EXPECT_TRUE(listed(yard->entities, viewpoint));
    EXPECT_FALSE(listed(game->entities, viewpoint));

    // The viewpoint dies with its portal.
    delete portal;
    EXPECT_FALSE(listed(yard->entities, viewpoint));
    EXPECT_TRUE(yard->entities.empty());
}

TEST_F(BindingTest, FoundPartnerWinsOverViewpointAndParentMustBeARoom) {
    // The first entity without a name: what a lookup of the empty name would find.
    create<Room>("<entity/>");
    create<Room>("<entity name='yard'/>");
    Entity* statue = create<Entity>("<entity name='statue'/>");
    Portal* bound = create<Portal>("<entity><camera><bind>statue</bind><parent>yard</parent>"
                                   "</camera></entity>");
    EXPECT_EQ(statue, bound->partner);
    EXPECT_FALSE(bound->ownsPartner);

    Portal* notRoom = create<Portal>("<entity><camera><parent>statue</parent></camera></entity>");
    EXPECT_EQ(nullptr, notRoom->partner);
    // Without a "parent" element no name is looked up, not even the empty one.
    Portal* noParent = create<Portal>("<entity><camera/></entity>");
    EXPECT_EQ(nullptr, noParent->partner);
}

TEST(PortalSettingsTest, ThresholdTriggerPlaneAndDefaults) {
    Portal plain(xmlElement("<entity/>"));
    EXPECT_EQ(0.0f, plain.threshold);
    EXPECT_EQ(Matrix4::identity(), plain.triggerFrame);
    EXPECT_EQ(nullptr, plain.maskGroup);
    EXPECT_EQ(nullptr, plain.partner);

    Portal framed(xmlElement("<entity><threshold>0.25</threshold><triggerplane>"
                             "<v>-1 -1 0</v><v>1 -1 0</v><v>-1 3 0</v></triggerplane></entity>"));
    EXPECT_EQ(0.25f, framed.threshold);
    Entity probe(xmlElement("<entity><position>0 1 0.5</position></entity>"));
    // Halfway along both edges, 0.5 along the normal.
    expectVector(Vector3(0.5f, 0.5f, 0.5f), framed.triggerCoordinates(probe));
}

TEST(PortalSettingsTest, PortalMeshChoosesTheMaskGroupWhenInRange) {
    ZemTest::MeshFiles files;
    files.write(
        "door.testmesh",
        {{0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 0, 1, 1, 0, 1, 0, 1, 1}, {0, 0, 2, 1, 0, 2, 0, 1, 2}});
    Portal first(xmlElement("<entity><model>door.testmesh</model></entity>"));
    ASSERT_NE(nullptr, first.model);
    EXPECT_EQ(first.model->groups[0].get(), first.maskGroup);
    Portal third(xmlElement("<entity><model>door.testmesh</model><portalmesh>2</portalmesh>"
                            "</entity>"));
    EXPECT_EQ(third.model->groups[2].get(), third.maskGroup);
    Portal beyond(xmlElement("<entity><model>door.testmesh</model><portalmesh>5</portalmesh>"
                             "</entity>"));
    EXPECT_EQ(nullptr, beyond.maskGroup);
    Portal negative(xmlElement("<entity><model>door.testmesh</model><portalmesh>-1</portalmesh>"
                               "</entity>"));
    EXPECT_EQ(nullptr, negative.maskGroup);
}

namespace {

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

    void moveTo(Entity& entity, const Vector3& local) {
        entity.position = nearDoor(local);
        entity.matrixDirty = true;
    }

    Room hall{xmlElement("<entity/>")};
    Room yard{xmlElement("<entity/>")};
    Portal door{
        xmlElement("<entity><position>3 0 4</position><rotation>0 30 0</rotation></entity>")};
    Portal exit{xmlElement("<entity><position>-20 1 7</position><rotation>0 210 0</rotation>"
                           "</entity>")};
};

} // namespace

TEST_F(TriggerTest, EntityPassingThroughComesOutOfThePartnerTurnedWithIt) {
    auto walker = walkerAt(Vector3(0.5f, 0.5f, 0.5f));
    Vector3 aim = nearDoor(Vector3(0.5f, 0.5f, -3));
    Vector3 heading = door.getWorldMatrix().transformDirection(Vector3(0, 0, -1));
    walker->attachedPoints.push_back(&aim);
    walker->attachedDirections.push_back(&heading);

    door.update(0.1f);
    ASSERT_EQ(1u, door.crossing.size());
    EXPECT_EQ(&door, walker->currentPortal);

    moveTo(*walker, Vector3(0.25f, 0.5f, -0.1f));
    door.update(0.1f);
    EXPECT_TRUE(door.crossing.empty());
    EXPECT_EQ(nullptr, walker->currentPortal);
    EXPECT_EQ(&yard, walker->room);
    EXPECT_FALSE(listed(hall.entities, walker.get()));
    EXPECT_TRUE(listed(yard.entities, walker.get()));
    const Matrix4& out = exit.getWorldMatrix();
    expectVector(out.transformPoint(Vector3(0.25f, 0.5f, -0.1f)), walker->position);
    expectVector(Vector3(10, 185, 20), walker->rotation);
    EXPECT_TRUE(walker->matrixDirty);
    expectVector(out.transformPoint(Vector3(0.5f, 0.5f, -3)), aim);
    expectVector(out.transformDirection(Vector3(0, 0, -1)), heading);
}

TEST_F(TriggerTest, EntityLeavingOnItsOwnSideOrSidewaysStaysPut) {
    auto walker = walkerAt(Vector3(0.5f, 0.5f, 0.5f));
    door.update(0.1f);
    ASSERT_EQ(1u, door.crossing.size());
    moveTo(*walker, Vector3(0.5f, 0.5f, 1.5f));
    const Vector3 before = walker->position;
    door.update(0.1f);
    EXPECT_TRUE(door.crossing.empty());
    EXPECT_EQ(nullptr, walker->currentPortal);
    EXPECT_EQ(&hall, walker->room);
    EXPECT_EQ(before, walker->position);
    expectVector(Vector3(10, 5, 20), walker->rotation);

    moveTo(*walker, Vector3(0.5f, 0.5f, 0.5f));
    door.update(0.1f);
    ASSERT_EQ(1u, door.crossing.size());
    // Out past the side, then behind the plane: it does not count as having passed.
    moveTo(*walker, Vector3(1.5f, 0.5f, 0.5f));
    door.update(0.1f);
    EXPECT_TRUE(door.crossing.empty());
    moveTo(*walker, Vector3(1.5f, 0.5f, -0.5f));
    door.update(0.1f);
    EXPECT_EQ(&hall, walker->room);
}

TEST_F(TriggerTest, NoPortalTransferAndEntitiesOfAnotherPortalNeverEnter) {
    auto lamp = walkerAt(Vector3(0.5f, 0.5f, 0.5f));
    lamp->flags |= Zem::Main::EntityFlags::NoPortalTransfer;
    auto busy = walkerAt(Vector3(0.5f, 0.5f, 0.5f));
    busy->currentPortal = &exit;
    auto far = walkerAt(Vector3(0.5f, 0.5f, 3));
    door.update(0.1f);
    EXPECT_TRUE(door.crossing.empty());
    moveTo(*lamp, Vector3(0.5f, 0.5f, -0.5f));
    door.update(0.1f);
    EXPECT_EQ(&hall, lamp->room);
}

TEST_F(TriggerTest, EntityStillInTheZoneStaysListed) {
    auto walker = walkerAt(Vector3(0.5f, 0.5f, 0.5f));
    door.update(0.1f);
    moveTo(*walker, Vector3(0.9f, 0.1f, 0.2f));
    door.update(0.1f);
    ASSERT_EQ(1u, door.crossing.size());
    EXPECT_EQ(&hall, walker->room);
}

namespace {

// Draws through the portal mask in a real GL context, eye at the origin looking along -z with
// an orthographic projection over [-1, 1].
class PortalMaskTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        // The opening: a square of half-width 0.5 in the portal's local xy plane.
        mesh = ZemTest::makeMesh({{-0.5f, -0.5f, 0, 0.5f, -0.5f, 0, 0.5f, 0.5f, 0, -0.5f, -0.5f, 0,
                                   0.5f, 0.5f, 0, -0.5f, 0.5f, 0}});
        portal.maskGroup = mesh->groups[0].get();
        portal.getWorldMatrix();

        glViewport(0, 0, gl().width(), gl().height());
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1, 1, -1, 1, 1, 20);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_CLIP_PLANE0);
        glDisable(GL_STENCIL_TEST);
        glStencilMask(0xFF);
        glClearColor(0, 0, 1, 1);
        glClearStencil(0);
        glClearDepth(1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
    }

    void TearDown() override {
        glDisable(GL_DEPTH_TEST);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
    }

    // What the geometry pass leaves: the opening's own surface in the depth buffer.
    void drawOpening() {
        glColor3f(1, 1, 1);
        glPushMatrix();
        glMultMatrixf(portal.worldMatrix.m);
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, portal.maskGroup->positions.data());
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(portal.maskGroup->indices.size()),
                       GL_UNSIGNED_INT, portal.maskGroup->indices.data());
        glPopMatrix();
    }

    static void fillPlane(float z, float r, float g, float b) {
        glColor3f(r, g, b);
        glBegin(GL_QUADS);
        glVertex3f(-2, -2, z);
        glVertex3f(2, -2, z);
        glVertex3f(2, 2, z);
        glVertex3f(-2, 2, z);
        glEnd();
    }

    std::array<std::uint8_t, 3> pixel(int x, int y) const {
        return ZemTest::ImageCapture::readFramebuffer(0, 0, gl().width(), gl().height())
            .pixel(x, y);
    }

    int stencilAt(int x, int y) const {
        GLubyte value = 0;
        glReadPixels(x, gl().height() - 1 - y, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &value);
        return value;
    }

    std::unique_ptr<Zem::Resource::Mesh> mesh;
    Portal portal{xmlElement("<entity><position>0 0 -5</position></entity>")};
    using Colour = std::array<std::uint8_t, 3>;
    const Colour red{255, 0, 0};
    const Colour green{0, 255, 0};
    const Colour blue{0, 0, 255};
    const Colour white{255, 255, 255};
};

} // namespace

TEST_F(PortalMaskTest, RoomBehindIsDrawnOnlyInsideTheOpeningAndBehindItsPlane) {
    drawOpening();
    Zem::Graphics::portalBegin(portal);
    EXPECT_TRUE(glIsEnabled(GL_STENCIL_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CLIP_PLANE0));
    // The room behind: a far red wall, and a green one in front of the portal's plane.
    fillPlane(-10, 1, 0, 0);
    fillPlane(-3, 0, 1, 0);
    const int centre = gl().width() / 2;
    EXPECT_EQ(128, stencilAt(centre, centre));
    Zem::Graphics::portalEnd(portal);

    EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
    EXPECT_FALSE(glIsEnabled(GL_CLIP_PLANE0));
    EXPECT_EQ(0, stencilAt(centre, centre));
    EXPECT_EQ(red, pixel(centre, centre));
    // Outside the opening only the clear colour: no wall of the room behind.
    EXPECT_EQ(blue, pixel(2, 2));
    EXPECT_EQ(blue, pixel(gl().width() - 3, centre));
    EXPECT_EQ(GL_NO_ERROR, glGetError());
}

TEST_F(PortalMaskTest, ThresholdMovesTheClipPlaneAlongTheLocalZ) {
    portal.threshold = 3.0f;
    drawOpening();
    Zem::Graphics::portalBegin(portal);
    fillPlane(-10, 1, 0, 0);
    // Local z = 2 is now on the drawn side of the plane.
    fillPlane(-3, 0, 1, 0);
    Zem::Graphics::portalEnd(portal);
    const int centre = gl().width() / 2;
    EXPECT_EQ(green, pixel(centre, centre));
}

TEST_F(PortalMaskTest, OpeningHiddenBehindSomethingNearerShowsNothing) {
    drawOpening();
    // A wall between the eye and the left half of the opening.
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    glVertex3f(-2, -2, -2);
    glVertex3f(0, -2, -2);
    glVertex3f(0, 2, -2);
    glVertex3f(-2, 2, -2);
    glEnd();
    Zem::Graphics::portalBegin(portal);
    fillPlane(-10, 1, 0, 0);
    Zem::Graphics::portalEnd(portal);
    const int centre = gl().width() / 2;
    EXPECT_EQ(white, pixel(centre - 8, centre));
    EXPECT_EQ(red, pixel(centre + 8, centre));
}

TEST_F(PortalMaskTest, WithoutMaskGroupNothingIsMaskedOrClipped) {
    portal.maskGroup = nullptr;
    Zem::Graphics::portalBegin(portal);
    EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
    EXPECT_FALSE(glIsEnabled(GL_CLIP_PLANE0));
    fillPlane(-3, 0, 1, 0);
    Zem::Graphics::portalEnd(portal);
    EXPECT_EQ(green, pixel(2, 2));
}
