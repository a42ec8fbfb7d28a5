#include "physics/Collision.h"
#include "graphics/Portal.h"
#include "main/Entity.h"
#include "main/Room.h"
#include "main/TestGame.h"
#include "physics/TriangleOccluder.h"
#include "support/SceneFixtures.h"

#include <gtest/gtest.h>

#include <memory>

using Zem::Graphics::Portal;
using Zem::Graphics::Vector3;
using Zem::Main::Entity;
using Zem::Main::Room;
using Zem::Main::TraceHit;
using Zem::Physics::castRay;
using Zem::Physics::TriangleOccluder;
using ZemTest::xmlElement;

namespace {

const Vector3 down(0.0f, 0.0f, -1.0f);

// A large triangle facing +z at height z, covering the square |x|, |y| <= 50.
std::unique_ptr<TriangleOccluder> floorAt(Entity* owner, int id, float z) {
    return std::make_unique<TriangleOccluder>(owner, id, Vector3(-50, -50, z), Vector3(150, -50, z),
                                              Vector3(-50, 150, z));
}

// Rays cast down from the origin of a room.
class CollisionTest : public ::testing::Test {
protected:
    TraceHit castDown(float maxDistance, int mode = 0) {
        return castRay(&room, {0, 0, 0}, down, mode, maxDistance);
    }
    // Floors 3 (id 2), 6 (id 4) and 10 (id 0) below the origin and one 4 above it (id 3).
    void addFloors() {
        for (const auto& [id, z] : {std::pair{0, -10.0f}, {2, -3.0f}, {3, 4.0f}, {4, -6.0f}}) {
            room.occluders.push_back(floorAt(&room, id, z));
        }
    }
    // A box in the room 2 below the origin; its local plane y = 0 facing +y, turned 90 degrees
    // about x, faces world +z.
    void addBox() {
        box.occluders.push_back(std::make_unique<TriangleOccluder>(
            &box, 42, Vector3(-10, 0, 10), Vector3(30, 0, 10), Vector3(-10, 0, -30)));
        box.setRoom(&room);
    }
    // A door 5 below the origin whose opening leads to a partner in the room beyond, where a
    // floor (id 9) lies 3 below the partner.
    void addDoor() {
        door.setRoom(&room);
        partner.setRoom(&beyond);
        beyond.occluders.push_back(floorAt(&beyond, 9, -3));
        for (Portal* portal : {&door, &partner}) {
            portal->occluders.push_back(std::make_unique<TriangleOccluder>(
                portal, 0, Vector3(-1, -1, 0), Vector3(3, -1, 0), Vector3(-1, 3, 0)));
        }
        door.partner = &partner;
        partner.partner = &door;
    }

    Room room{xmlElement("<entity/>")};
    Room beyond{xmlElement("<entity/>")};
    Entity box{xmlElement("<entity><position>0 0 -2</position><rotation>90 0 0</rotation>"
                          "<radius>5</radius></entity>")};
    Portal door{xmlElement("<entity><position>0 0 -5</position><radius>2</radius></entity>")};
    Portal partner{xmlElement("<entity><position>20 0 0</position><radius>2</radius></entity>")};
};

TEST_F(CollisionTest, AnOccluderAtExactlyTheRaysLengthIsNotHit) {
    room.occluders.push_back(floorAt(&room, 0, -10));
    EXPECT_EQ(-1.0f, castDown(10.0f).distance);
}

TEST_F(CollisionTest, TheNearestHitAheadWinsWhateverTheOrderOfTheOccluders) {
    addFloors();
    const TraceHit hit = castDown(10.0f);
    EXPECT_EQ(2, hit.id);
    EXPECT_FLOAT_EQ(3.0f, hit.distance);
}

TEST_F(CollisionTest, ReportNormalGivesTheNormalOfTheTriangleHit) {
    addFloors();
    EXPECT_EQ(Vector3(0, 0, 1), castDown(10.0f, Zem::Physics::ReportNormal).normal);
}

TEST_F(CollisionTest, AnEntitysOccludersAreHitInTheEntitysOwnSpace) {
    addFloors();
    addBox();
    const TraceHit hit = castRay(&room, {3, 3, 0}, down, 0, 100.0f);
    EXPECT_EQ(42, hit.id);
    EXPECT_EQ(&box, hit.entity);
    EXPECT_NEAR(2.0f, hit.distance, 1e-4f);
}

// Its triangle (x -10..30 at local y = 0) a tenth of its size ends before world x = 3; its radius
// is in world units, ten times as long in its own.
TEST_F(CollisionTest, AScaledEntityCollidesAtItsDrawnSize) {
    addBox();
    box.scale = Vector3(0.1f, 0.1f, 0.1f);
    box.radius = 5;
    box.matrixDirty = true;
    const TraceHit hit = castRay(&room, {1.5f, 0, 0}, down, 0, 100);
    EXPECT_EQ(hit.id, 42);
    EXPECT_FLOAT_EQ(hit.distance, 2.0f);
    EXPECT_EQ(castRay(&room, {2.9f, 0, 0}, down, 0, 100).id, -1);
}

// Rooms collide in the world's own frame, where they are drawn.
TEST_F(CollisionTest, AMovedAndScaledRoomCollidesWhereItIsDrawn) {
    ZemTest::TestGame game;
    ZemTest::MeshFiles files;
    files.write("floor.testmesh", {{-1, -1, 0, 3, -1, 0, -1, 3, 0}});
    Room scaled(xmlElement("<entity><model>floor.testmesh</model><position>0 0 -4</position>"
                           "<scale>10</scale></entity>"));
    const TraceHit hit = castRay(&scaled, {15, 0, 0}, down, 0, 100);
    EXPECT_EQ(hit.entity, &scaled);
    EXPECT_FLOAT_EQ(hit.distance, 4.0f);
}

TEST_F(CollisionTest, AnEntityWhoseSphereTheRayMissesIsPassedBy) {
    addFloors();
    addBox();
    box.radius = 0.5f;
    EXPECT_EQ(2, castRay(&room, {3, 3, 0}, down, 0, 100.0f).id);
}

// The continued ray starts on the partner's opening; testing it would bounce forever.
TEST_F(CollisionTest, ARayThroughAPortalsOpeningGoesOnBeyondItsPartner) {
    addDoor();
    const TraceHit hit = castDown(50.0f);
    EXPECT_EQ(&beyond, hit.entity);
    EXPECT_EQ(9, hit.id);
    EXPECT_FLOAT_EQ(8.0f, hit.distance);
}

// 5 + 3 > 7: beyond the partner the ray has only 2 left and hits nothing.
TEST_F(CollisionTest, BeyondAPortalARayHasOnlyWhatIsLeftOfItsLength) {
    addDoor();
    const TraceHit hit = castDown(7.0f);
    EXPECT_EQ(-1.0f, hit.distance);
    EXPECT_EQ(nullptr, hit.entity);
}

TEST_F(CollisionTest, StopAtPortalsEndsTheRayAtTheOpening) {
    addDoor();
    EXPECT_EQ(&door, castDown(50.0f, Zem::Physics::StopAtPortals).entity);
}

TEST_F(CollisionTest, ASolidPartOfAPortalStopsTheRay) {
    addDoor();
    door.occluders[0]->id = 3;
    EXPECT_EQ(&door, castDown(50.0f).entity);
}

TEST_F(CollisionTest, AnUnboundPortalStopsTheRay) {
    addDoor();
    door.partner = nullptr;
    EXPECT_EQ(&door, castDown(50.0f).entity);
}

} // namespace
