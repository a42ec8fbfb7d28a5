#include "physics/Collision.h"
#include "graphics/Portal.h"
#include "main/Entity.h"
#include "main/Room.h"
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

// e1 = (2, 0, 0) and e2 = (0, 4, 0): corners and edges land exactly on u and v.
TEST(TriangleOccluderTest, HitsCornerAndEdgeMidpointAndMissesJustOutside) {
    TriangleOccluder triangle(nullptr, 0, {1, 2, 3}, {3, 2, 3}, {1, 6, 3});
    EXPECT_FLOAT_EQ(2.0f, triangle.intersect({1, 2, 5}, down, nullptr));
    EXPECT_FLOAT_EQ(2.0f, triangle.intersect({2, 4, 5}, down, nullptr));
    // Distances are in units of the direction.
    EXPECT_FLOAT_EQ(1.0f, triangle.intersect({2, 4, 5}, {0, 0, -2}, nullptr));
    EXPECT_EQ(-1.0f, triangle.intersect({2.01f, 4.01f, 5}, down, nullptr));
    EXPECT_EQ(-1.0f, triangle.intersect({0.99f, 3, 5}, down, nullptr));
    EXPECT_EQ(-1.0f, triangle.intersect({2, 1.99f, 5}, down, nullptr));
}

TEST(TriangleOccluderTest, ParallelRaysAndDegenerateTrianglesNeverHit) {
    TriangleOccluder flat(nullptr, 0, {0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    EXPECT_EQ(-1.0f, flat.intersect({0.2f, 0.2f, 0}, {1, 0, 0}, nullptr));
    TriangleOccluder line(nullptr, 0, {1, 2, 3}, {2, 4, 6}, {3, 6, 9});
    EXPECT_EQ(-1.0f, line.intersect({1, 5, 3}, {0, -1, 0}, nullptr));
    EXPECT_EQ(-1.0f, line.intersect({2, 4, 6}, down, nullptr));
}

TEST(BuildOccludersTest, OneOccluderPerWholeTriangleWithItsGroupsId) {
    auto mesh = ZemTest::makeMesh({{0, 0, 0, 1, 0, 0, 0, 1, 0},
                                   {0, 0, 1, 1, 0, 1, 0, 1, 1, 0, 0, 2, 1, 0, 2, 0, 1, 2},
                                   {0, 0, 3, 1, 0, 3, 0, 1, 3}});
    // Index 7 points past the vertices and "2, 1" is no whole triangle: both are skipped.
    mesh->groups[2]->indices = {0, 1, 2, 0, 1, 7, 2, 1};
    Entity owner(xmlElement("<entity/>"));
    Zem::Physics::buildOccluders(mesh.get(), &owner, 100, 10);
    std::vector<int> ids;
    for (const auto& occluder : owner.occluders) {
        ids.push_back(occluder->id);
        EXPECT_EQ(&owner, occluder->owner);
    }
    ASSERT_EQ((std::vector<int>{100, 110, 110, 120}), ids);
    // Triangles keep index-list order: the third lies at z = 2.
    EXPECT_FLOAT_EQ(3.0f, owner.occluders[2]->intersect({0.1f, 0.1f, 5}, down, nullptr));
}

TEST(RaySphereTest, EntryDistanceInsideAndMisses) {
    using Zem::Physics::raySphere;
    EXPECT_FLOAT_EQ(4.0f, raySphere({0, 0, 5}, down, 1.0f));
    EXPECT_FLOAT_EQ(2.0f, raySphere({0, 0, 5}, {0, 0, -2}, 1.0f));
    EXPECT_EQ(0.0f, raySphere({0, 0, 0.5f}, down, 1.0f));
    EXPECT_EQ(-1.0f, raySphere({0, 0, -5}, down, 1.0f));
    EXPECT_EQ(-1.0f, raySphere({3, 0, 5}, down, 1.0f));
}

class CastRayTest : public ::testing::Test {
protected:
    Room room{xmlElement("<entity name='room'/>")};
};

TEST_F(CastRayTest, NearestHitUnderMaxDistanceWinsAndHitAtTheLimitIsNone) {
    room.occluders.push_back(floorAt(&room, 0, -10));
    const TraceHit atLimit = castRay(&room, {0, 0, 0}, down, 0, 10.0f);
    EXPECT_EQ(-1.0f, atLimit.distance);
    EXPECT_EQ(-1, atLimit.id);
    EXPECT_EQ(nullptr, atLimit.entity);

    room.occluders.push_back(floorAt(&room, 2, -3));
    room.occluders.push_back(floorAt(&room, 3, 4));
    const TraceHit plain = castRay(&room, {0, 0, 0}, down, 0, 10.0f);
    EXPECT_EQ(2, plain.id);
    EXPECT_FLOAT_EQ(3.0f, plain.distance);
    EXPECT_EQ(&room, plain.entity);
    EXPECT_EQ(Vector3(0, 0, 0), plain.normal);
    EXPECT_EQ(Vector3(0, 0, 1),
              castRay(&room, {0, 0, 0}, down, Zem::Physics::ReportNormal, 10.0f).normal);
}

TEST_F(CastRayTest, EntityOccludersAreTestedInTheEntitysSpaceBehindItsSphere) {
    Entity box(xmlElement("<entity><position>0 0 -20</position><rotation>90 0 0</rotation>"
                          "<radius>5</radius></entity>"));
    // Local plane y = 0 facing +y; turned 90 degrees about x it faces world +z.
    box.occluders.push_back(std::make_unique<TriangleOccluder>(
        &box, 42, Vector3(-10, 0, 10), Vector3(30, 0, 10), Vector3(-10, 0, -30)));
    box.setRoom(&room);
    const TraceHit hit = castRay(&room, {3, 3, 0}, down, 0, 100.0f);
    EXPECT_EQ(42, hit.id);
    EXPECT_EQ(&box, hit.entity);
    EXPECT_NEAR(20.0f, hit.distance, 1e-4f);

    box.radius = 0.5f;
    EXPECT_EQ(-1.0f, castRay(&room, {3, 3, 0}, down, 0, 100.0f).distance);
}

// A door 5 below the origin; its partner's room has a wall 3 below the partner.
class PortalRayTest : public CastRayTest {
protected:
    PortalRayTest() {
        door.radius = partner.radius = 2.0f;
        door.setRoom(&room);
        partner.setRoom(&beyond);
        beyond.occluders.push_back(floorAt(&beyond, 9, -3));
    }
    static void addOpening(Portal& portal, int id) {
        portal.occluders.push_back(std::make_unique<TriangleOccluder>(
            &portal, id, Vector3(-1, -1, 0), Vector3(3, -1, 0), Vector3(-1, 3, 0)));
    }

    Portal door{xmlElement("<entity name='door'><position>0 0 -5</position></entity>")};
    Room beyond{xmlElement("<entity name='beyond'/>")};
    Portal partner{xmlElement("<entity name='exit'><position>20 0 0</position></entity>")};
};

TEST_F(PortalRayTest, SolidPartsUnboundPortalsAndStopModeEndTheRayOnThePortal) {
    addOpening(door, 3);
    door.partner = &partner;
    const TraceHit solid = castRay(&room, {0, 0, 0}, down, 0, 50.0f);
    EXPECT_EQ(&door, solid.entity);
    EXPECT_EQ(-1, solid.id);
    EXPECT_FLOAT_EQ(5.0f, solid.distance);

    door.occluders[0]->id = 0;
    EXPECT_EQ(&door, castRay(&room, {0, 0, 0}, down, Zem::Physics::StopAtPortals, 50.0f).entity);
    door.partner = nullptr;
    EXPECT_EQ(&door, castRay(&room, {0, 0, 0}, down, 0, 50.0f).entity);
}

// The continued ray starts on the partner's own opening; were that tested, portals bound both ways
// would bounce the ray between them forever.
TEST_F(PortalRayTest, OpeningContinuesBeyondThePartnersOwnOpeningWithTheDistanceLeft) {
    addOpening(door, 0);
    addOpening(partner, 0);
    door.partner = &partner;
    partner.partner = &door;
    const TraceHit hit = castRay(&room, {0, 0, 0}, down, 0, 50.0f);
    EXPECT_EQ(&beyond, hit.entity);
    EXPECT_EQ(9, hit.id);
    EXPECT_FLOAT_EQ(8.0f, hit.distance);
    // 5 to the door and 3 beyond are more than 7.
    EXPECT_EQ(-1.0f, castRay(&room, {0, 0, 0}, down, 0, 7.0f).distance);
}

} // namespace
