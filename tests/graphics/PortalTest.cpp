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
#include <ostream>
#include <string>

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

// Portals built in a game, so cameras can bind to what was built before them.
class PortalTest : public ::testing::Test {
protected:
    static Portal* create(const std::string& xml) { return new Portal(xmlElement(xml)); }
    // A portal whose camera names no entity but has the yard as its parent.
    Portal* windowOnTheYard() {
        return create("<entity><camera><bind>nobody</bind><parent>yard</parent>"
                      "<rotation>0 90 0</rotation></camera></entity>");
    }

    ZemTest::SceneGame game;
    Room* yard = new Room(xmlElement("<entity name='yard'/>"));
};

TEST_F(PortalTest, ACameraBindingAnEarlierPortalIsBoundToIt) {
    Portal* a = create("<entity name='A'/>");
    Portal* b = create("<entity name='B'><camera><bind>A</bind></camera></entity>");
    EXPECT_EQ(a, b->partner);
    EXPECT_FALSE(b->ownsPartner);
}

TEST_F(PortalTest, ACameraBindingALaterPortalLeavesItUnbound) {
    Portal* a = create("<entity name='A'><camera><bind>B</bind></camera></entity>");
    create("<entity name='B'/>");
    EXPECT_EQ(nullptr, a->partner);
}

TEST_F(PortalTest, ACameraMayBindAnyEarlierEntity) {
    auto* statue = new Entity(xmlElement("<entity name='statue'/>"));
    EXPECT_EQ(statue, create("<entity><camera><bind>statue</bind></camera></entity>")->partner);
}

// The empty name would find the unnamed room.
TEST_F(PortalTest, ACameraWithoutABindOrARoomAsParentLeavesItUnbound) {
    new Room(xmlElement("<entity/>"));
    new Entity(xmlElement("<entity name='statue'/>"));
    for (const char* camera : {"<parent>statue</parent>", ""}) {
        Portal* portal = create(std::string("<entity><camera>") + camera + "</camera></entity>");
        EXPECT_EQ(nullptr, portal->partner) << camera;
    }
}

TEST_F(PortalTest, ACameraBindingNoEntityGetsAViewpointOfItsOwnInItsParentRoom) {
    Portal* window = windowOnTheYard();
    ASSERT_NE(nullptr, dynamic_cast<Portal::Camera*>(window->partner));
    EXPECT_TRUE(window->ownsPartner);
    EXPECT_EQ(std::vector<Entity*>{window->partner}, yard->entities);
}

TEST_F(PortalTest, TheViewpointTakesTheCamerasRotation) {
    expectNear(Vector3(0, 90, 0), windowOnTheYard()->partner->rotation);
}

TEST_F(PortalTest, TheViewpointIsNotListedInTheGame) {
    EXPECT_FALSE(listed(game.entities, windowOnTheYard()->partner));
}

TEST_F(PortalTest, TheViewpointDiesWithItsPortal) {
    delete windowOnTheYard();
    EXPECT_TRUE(yard->entities.empty());
}

// Halfway along both edges, 0.5 along the normal.
// The view behind is laid onto the portal's frame, which a scale would stretch.
TEST_F(PortalTest, AScaleSettingHasNoEffect) {
    EXPECT_EQ(create("<entity><scale>2</scale></entity>")->scale, Vector3(1.0f, 1.0f, 1.0f));
}

TEST_F(PortalTest, TriggerCoordinatesRunAlongTheTriggerPlanesEdgesAndNormal) {
    Portal framed(xmlElement("<entity><triggerplane><v>-1 -1 0</v><v>1 -1 0</v><v>-1 3 0</v>"
                             "</triggerplane></entity>"));
    Entity probe(xmlElement("<entity><position>0 1 0.5</position></entity>"));
    expectNear(Vector3(0.5f, 0.5f, 0.5f), framed.triggerCoordinates(probe));
}

// A "portalmesh" setting and the group of the two-group model it chooses, -1 for none.
struct PortalMesh {
    const char* name;
    const char* setting;
    int group;
};

const PortalMesh portalMeshes[] = {
    {"WhenUnsetTheFirst", "", 0},
    {"OfIndexOneTheSecond", "1", 1},
    {"NoneForAnIndexPastTheLast", "2", -1},
    {"NoneForANegativeIndex", "-1", -1},
};

void PrintTo(const PortalMesh& portalMesh, std::ostream* out) {
    *out << portalMesh.name;
}

class PortalMeshTest : public PortalTest, public ::testing::WithParamInterface<PortalMesh> {};

TEST_P(PortalMeshTest, ChoosesTheGroupOfTheModelThatMasksTheOpening) {
    ZemTest::MeshFiles files;
    files.write("door.testmesh", {{0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 0, 1, 1, 0, 1, 0, 1, 1}});
    const int group = GetParam().group;
    Portal portal(xmlElement(std::string("<entity><model>door.testmesh</model><portalmesh>") +
                             GetParam().setting + "</portalmesh></entity>"));
    ASSERT_NE(nullptr, portal.model);
    EXPECT_EQ(group < 0 ? nullptr : portal.model->groups[group].get(), portal.maskGroup);
}

INSTANTIATE_TEST_SUITE_P(PortalTest, PortalMeshTest, ::testing::ValuesIn(portalMeshes),
                         [](const ::testing::TestParamInfo<PortalMesh>& info) {
                             return std::string(info.param.name);
                         });

// A doorway from the hall, turned 30 degrees, to the yard, turned 210 degrees.
class PortalTriggerTest : public ::testing::Test {
protected:
    PortalTriggerTest() {
        door.setRoom(&hall);
        exit.setRoom(&yard);
        door.partner = &exit;
    }
    // `local` in the door's frame, taken to world space.
    Vector3 nearDoor(const Vector3& local) { return door.getWorldMatrix().transformPoint(local); }
    Vector3 nearExit(const Vector3& local) { return exit.getWorldMatrix().transformPoint(local); }
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
    void step(Entity& entity, const Vector3& local) {
        moveTo(entity, local);
        door.update(0.1f);
    }
    // A walker that stepped into the zone and then through the opening, carrying a point.
    std::unique_ptr<Entity> walkThrough() {
        auto walker = walkerAt(inZone);
        door.update(0.1f);
        walker->attachedPoints.push_back(&aim);
        step(*walker, throughOpening);
        return walker;
    }
    // Whether a walker stepping from `from` to `to` in one frame was carried to the yard.
    bool carried(const Vector3& from, const Vector3& to) {
        auto walker = walkerAt(from);
        door.update(0.1f);
        moveTo(*walker, to);
        door.settleCrossings();
        EXPECT_TRUE(door.crossing.empty());
        if (walker->room == &yard) {
            expectNear(nearExit(to), walker->position);
        }
        return walker->room == &yard;
    }

    Room hall{xmlElement("<entity/>")};
    Room yard{xmlElement("<entity/>")};
    Portal door{
        xmlElement("<entity><position>3 0 4</position><rotation>0 30 0</rotation></entity>")};
    Portal exit{xmlElement("<entity><position>-20 1 7</position><rotation>0 210 0</rotation>"
                           "</entity>")};
    const Vector3 inZone{0.5f, 0.5f, 0.5f};
    const Vector3 throughOpening{0.25f, 0.5f, -0.1f};
    Vector3 aim = nearDoor(Vector3(0.5f, 0.5f, -3));
};

TEST_F(PortalTriggerTest, AnEntityWithinItsRadiusInFrontOfTheOpeningEntersTheZone) {
    auto walker = walkerAt(inZone);
    door.update(0.1f);
    EXPECT_EQ(&door, walker->currentPortal);
    EXPECT_EQ(std::vector<Entity*>{walker.get()}, door.crossing);
}

TEST_F(PortalTriggerTest, AnEntityPassingThroughMovesToThePartnersRoom) {
    auto walker = walkThrough();
    EXPECT_FALSE(listed(hall.entities, walker.get()));
    EXPECT_TRUE(listed(yard.entities, walker.get()));
    EXPECT_EQ(nullptr, walker->currentPortal);
}

TEST_F(PortalTriggerTest, AnEntityPassingThroughComesOutWhereThePartnerPutsIt) {
    expectNear(nearExit(throughOpening), walkThrough()->position);
}

TEST_F(PortalTriggerTest, AnEntityPassingThroughIsTurnedAsThePartnerIsTurned) {
    expectNear(Vector3(10, 185, 20), walkThrough()->rotation);
}

TEST_F(PortalTriggerTest, TheAttachedPointsOfAnEntityPassingThroughGoWithIt) {
    walkThrough();
    expectNear(nearExit(Vector3(0.5f, 0.5f, -3)), aim);
}

TEST_F(PortalTriggerTest, AnEntityThatMayNotBeCarriedNeverEntersTheZone) {
    auto lamp = walkerAt(inZone);
    lamp->flags |= Zem::Main::EntityFlags::NoPortalTransfer;
    door.update(0.1f);
    EXPECT_TRUE(door.crossing.empty());
}

TEST_F(PortalTriggerTest, AnEntityBehindThePlaneNeverEntersTheZone) {
    auto behind = walkerAt(Vector3(0.5f, 0.5f, -0.5f));
    door.update(0.1f);
    EXPECT_TRUE(door.crossing.empty());
    EXPECT_EQ(&hall, behind->room);
}

TEST_F(PortalTriggerTest, AnEntityBackingOutOnItsOwnSideLeavesTheZone) {
    auto walker = walkerAt(inZone);
    door.update(0.1f);
    step(*walker, Vector3(0.9f, 0.1f, 0.2f));
    step(*walker, Vector3(0.5f, 0.5f, 1.5f));
    EXPECT_TRUE(door.crossing.empty());
    EXPECT_EQ(nullptr, walker->currentPortal);
}

// From inside the zone straight to behind the plane, crossing it beside the opening.
TEST_F(PortalTriggerTest, AnEntityCrossingThePlaneBesideTheOpeningStaysAsItWas) {
    auto walker = walkerAt(inZone);
    door.update(0.1f);
    step(*walker, Vector3(2.5f, 0.5f, -0.5f));
    EXPECT_TRUE(door.crossing.empty());
    EXPECT_EQ(nullptr, walker->currentPortal);
    EXPECT_EQ(&hall, walker->room);
    expectNear(Vector3(10, 5, 20), walker->rotation);
}

TEST_F(PortalTriggerTest, AnEntityDeletedInTheZoneLeavesIt) {
    auto doomed = walkerAt(inZone);
    door.update(0.1f);
    ASSERT_EQ(std::vector<Entity*>{doomed.get()}, door.crossing);
    doomed.reset();
    EXPECT_TRUE(door.crossing.empty());
}

TEST_F(PortalTriggerTest, AnUnboundPortalWatchesNoZone) {
    door.partner = nullptr;
    auto walker = walkerAt(inZone);
    door.update(0.1f);
    EXPECT_TRUE(door.crossing.empty());
}

TEST_F(PortalTriggerTest, AStepThroughTheOpeningFromBeyondReachCarries) {
    EXPECT_TRUE(carried({0.5f, 0.5f, 3.0f}, {0.5f, 0.5f, -2.0f}));
}

TEST_F(PortalTriggerTest, ALongSlantingStepThroughTheOpeningCarries) {
    EXPECT_TRUE(carried({-2.0f, 0.5f, 4.0f}, {3.0f, 0.5f, -6.0f}));
}

TEST_F(PortalTriggerTest, AStepThroughThePlanePastTheSideOfTheOpeningDoesNotCarry) {
    EXPECT_FALSE(carried({2.5f, 0.5f, 1.0f}, {1.5f, 0.5f, -1.0f}));
}

TEST_F(PortalTriggerTest, AStepBehindThePlaneAllAlongDoesNotCarry) {
    EXPECT_FALSE(carried({0.5f, 0.5f, -1.0f}, {0.5f, 0.5f, -3.0f}));
}

TEST_F(PortalTriggerTest, AStepFromBehindThePlaneToTheFrontDoesNotCarry) {
    EXPECT_FALSE(carried({0.5f, 0.5f, -2.0f}, {0.5f, 0.5f, 2.0f}));
}

// Eye at the origin looking along -z; the opening is a square of half-width 0.5 at z = -5.
// Through it, a far red wall and a green one 2 units in front of it, the portal's plane.
class PortalMaskTest : public ZemTest::GLTest {
protected:
    using Colour = std::array<std::uint8_t, 3>;

    void SetUp() override {
        GLTest::SetUp();
        glViewport(0, 0, size, size);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1, 1, -1, 1, 1, 20);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glEnable(GL_DEPTH_TEST);
        portal.maskGroup = mesh->groups[0].get();
        portal.getWorldMatrix();
    }
    void TearDown() override {
        EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
        ZemTest::DeferredTest::restoreDefaultState();
    }
    static void fillSquare(float z, float half) {
        glPushMatrix();
        glTranslatef(0, 0, z);
        glRectf(-half, -half, half, half);
        glPopMatrix();
    }
    // The frame through the opening, as a view behind the portal draws it.
    ZemTest::ImageCapture drawThrough(float threshold) {
        portal.threshold = threshold;
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
        return ZemTest::ImageCapture::readFramebuffer(0, 0, size, size);
    }

    const int size = gl().width();
    const std::unique_ptr<Zem::Resource::Mesh> mesh =
        ZemTest::makeMesh({{-0.5f, -0.5f, 0, 0.5f, -0.5f, 0, 0.5f, 0.5f, 0, -0.5f, -0.5f, 0, 0.5f,
                            0.5f, 0, -0.5f, 0.5f, 0}});
    Portal portal{xmlElement("<entity><position>0 0 -5</position></entity>")};
};

TEST_F(PortalMaskTest, WhatLiesBeforeThePortalsPlaneIsClippedAway) {
    EXPECT_EQ((Colour{255, 0, 0}), drawThrough(0.0f).pixel(size / 2, size / 2));
}

TEST_F(PortalMaskTest, TheThresholdMovesTheClipPlaneAlongThePortalsZ) {
    EXPECT_EQ((Colour{0, 255, 0}), drawThrough(3.0f).pixel(size / 2, size / 2));
}

TEST_F(PortalMaskTest, NothingBehindIsDrawnOutsideTheOpening) {
    EXPECT_EQ((Colour{0, 0, 255}), drawThrough(0.0f).pixel(size - 3, size / 2));
}

TEST_F(PortalMaskTest, PortalEndTurnsTheStencilTestAndTheClipPlaneOff) {
    drawThrough(0.0f);
    EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
    EXPECT_FALSE(glIsEnabled(GL_CLIP_PLANE0));
}

TEST_F(PortalMaskTest, PortalEndClearsItsStencilBit) {
    drawThrough(0.0f);
    GLubyte stencil = 1;
    glReadPixels(size / 2, size / 2, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &stencil);
    EXPECT_EQ(0, stencil);
}

} // namespace
