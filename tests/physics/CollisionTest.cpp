#include "physics/Collision.h"
#include "graphics/Portal.h"
#include "main/Entity.h"
#include "main/Room.h"
#include "physics/TriangleOccluder.h"
#include "support/SceneFixtures.h"

#include <gtest/gtest.h>

#include <memory>

using Zem::Graphics::Matrix4;
using Zem::Graphics::Portal;
using Zem::Graphics::Vector3;
using Zem::Main::Entity;
using Zem::Main::Room;
using Zem::Main::TraceHit;
using Zem::Physics::buildOccluders;
using Zem::Physics::castRay;
using Zem::Physics::raySphere;
using Zem::Physics::TriangleOccluder;
using ZemTest::makeMesh;
using ZemTest::xmlElement;

namespace {

const Vector3 down(0.0f, 0.0f, -1.0f);

void expectVector(const Vector3& expected, const Vector3& actual) {
    EXPECT_NEAR(expected.x, actual.x, 1e-5f);
    EXPECT_NEAR(expected.y, actual.y, 1e-5f);
    EXPECT_NEAR(expected.z, actual.z, 1e-5f);
}

// A large triangle facing +z at height z, covering the square |x|, |y| <= 50.
std::unique_ptr<TriangleOccluder> floorAt(Entity* owner, int id, float z) {
    return std::make_unique<TriangleOccluder>(owner, id, Vector3(-50, -50, z), Vector3(150, -50, z),
                                              Vector3(-50, 150, z));
}

} // namespace

// e1 = (2, 0, 0) and e2 = (0, 4, 0): the frame is an exact scaling, so corners and edges land
// on u and v exactly.
TEST(TriangleOccluderTest, HitsCornerAndEdgeMidpointAndMissesJustOutside) {
    TriangleOccluder triangle(nullptr, 0, {1, 2, 3}, {3, 2, 3}, {1, 6, 3});
    EXPECT_FLOAT_EQ(2.0f, triangle.intersect({1, 2, 5}, down, nullptr));
    EXPECT_FLOAT_EQ(2.0f, triangle.intersect({2, 4, 5}, down, nullptr));
    EXPECT_EQ(-1.0f, triangle.intersect({2.01f, 4.01f, 5}, down, nullptr));
    EXPECT_EQ(-1.0f, triangle.intersect({0.99f, 3, 5}, down, nullptr));
    EXPECT_EQ(-1.0f, triangle.intersect({2, 1.99f, 5}, down, nullptr));
}

TEST(TriangleOccluderTest, DistanceIsInUnitsOfTheDirectionAndSignIsNotChecked) {
    TriangleOccluder triangle(nullptr, 0, {0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    EXPECT_FLOAT_EQ(2.5f, triangle.intersect({0.25f, 0.25f, 5}, {0, 0, -2}, nullptr));
    // The plane lies behind this ray: the caller decides what a negative t means.
    EXPECT_FLOAT_EQ(-5.0f, triangle.intersect({0.25f, 0.25f, 5}, {0, 0, 1}, nullptr));
}

TEST(TriangleOccluderTest, SlantedTriangleGivesItsUnitNormal) {
    TriangleOccluder triangle(nullptr, 0, {0, 0, 0}, {1, 0, 1}, {0, 1, 0});
    expectVector(Vector3(-0.70710677f, 0, 0.70710677f), triangle.normal);
    // The plane is z = x; a ray down through (0.2, 0.3) meets it at z = 0.2.
    EXPECT_NEAR(4.8f, triangle.intersect({0.2f, 0.3f, 5}, down, nullptr), 1e-5f);
}

TEST(TriangleOccluderTest, ParallelRayMissesAndNormalIsWrittenAnyway) {
    TriangleOccluder triangle(nullptr, 0, {0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    Vector3 normal(9, 9, 9);
    EXPECT_EQ(-1.0f, triangle.intersect({0.2f, 0.2f, 0}, {1, 0, 0}, &normal));
    expectVector(Vector3(0, 0, 1), normal);
    normal = Vector3(9, 9, 9);
    EXPECT_EQ(-1.0f, triangle.intersect({5, 5, 1}, down, &normal));
    expectVector(Vector3(0, 0, 1), normal);
}

TEST(TriangleOccluderTest, DegenerateTriangleHasUpNormalZeroFrameAndIsNeverHit) {
    TriangleOccluder triangle(nullptr, 0, {1, 2, 3}, {2, 4, 6}, {3, 6, 9});
    EXPECT_EQ(Vector3(0, 1, 0), triangle.normal);
    EXPECT_EQ(Matrix4::zero(), triangle.frame);
    EXPECT_EQ(-1.0f, triangle.intersect({1, 5, 3}, {0, -1, 0}, nullptr));
    EXPECT_EQ(-1.0f, triangle.intersect({2, 4, 6}, down, nullptr));
}

TEST(BuildOccludersTest, OneOccluderPerTriangleWithItsGroupsId) {
    Entity owner(xmlElement("<entity/>"));
    auto mesh = makeMesh({{0, 0, 0, 1, 0, 0, 0, 1, 0},
                          {0, 0, 1, 1, 0, 1, 0, 1, 1, 0, 0, 2, 1, 0, 2, 0, 1, 2},
                          {0, 0, 3, 1, 0, 3, 0, 1, 3}});
    buildOccluders(mesh.get(), &owner, 100, 10);
    ASSERT_EQ(4u, owner.occluders.size());
    EXPECT_EQ(100, owner.occluders[0]->id);
    EXPECT_EQ(110, owner.occluders[1]->id);
    EXPECT_EQ(110, owner.occluders[2]->id);
    EXPECT_EQ(120, owner.occluders[3]->id);
    for (const auto& occluder : owner.occluders) {
        EXPECT_EQ(&owner, occluder->owner);
    }
    // Triangles keep index-list order: the third lies at z = 2.
    EXPECT_FLOAT_EQ(3.0f, owner.occluders[2]->intersect({0.1f, 0.1f, 5}, down, nullptr));
}

TEST(BuildOccludersTest, NullMeshFallsBackOnTheOwnersModel) {
    auto mesh = makeMesh({{0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 0, 1, 1, 0, 1, 0, 1, 1}});
    Entity owner(xmlElement("<entity/>"));
    buildOccluders(nullptr, &owner, 0, 0);
    EXPECT_TRUE(owner.occluders.empty());
    owner.model = mesh.get();
    buildOccluders(nullptr, &owner, 0, 0);
    ASSERT_EQ(2u, owner.occluders.size());
    EXPECT_EQ(0, owner.occluders[0]->id);
    EXPECT_EQ(0, owner.occluders[1]->id);
    owner.model = nullptr;
}

TEST(BuildOccludersTest, SkipsTrianglesPointingPastTheVerticesAndPartialTriples) {
    auto mesh = makeMesh({{0, 0, 0, 1, 0, 0, 0, 1, 0}});
    mesh->groups[0]->indices = {0, 1, 2, 0, 1, 7, 2, 1};
    Entity owner(xmlElement("<entity/>"));
    buildOccluders(mesh.get(), &owner, 0, 0);
    EXPECT_EQ(1u, owner.occluders.size());
}

TEST(RaySphereTest, EntryDistanceInsideAndMisses) {
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

TEST_F(CastRayTest, HitAtExactlyMaxDistanceCountsAsNoHit) {
    room.occluders.push_back(floorAt(&room, 0, -10));
    const TraceHit atLimit = castRay(&room, {0, 0, 0}, down, 0, 10.0f);
    EXPECT_EQ(-1.0f, atLimit.distance);
    EXPECT_EQ(-1, atLimit.id);
    EXPECT_EQ(nullptr, atLimit.entity);

    room.occluders.clear();
    room.occluders.push_back(floorAt(&room, 7, -9.9f));
    const TraceHit inside = castRay(&room, {0, 0, 0}, down, 0, 10.0f);
    EXPECT_FLOAT_EQ(9.9f, inside.distance);
    EXPECT_EQ(7, inside.id);
    EXPECT_EQ(&room, inside.entity);
}

TEST_F(CastRayTest, NearestHitWinsAndNormalOnlyWhenAsked) {
    room.occluders.push_back(floorAt(&room, 1, -8));
    room.occluders.push_back(floorAt(&room, 2, -3));
    room.occluders.push_back(floorAt(&room, 3, 4));
    const TraceHit plain = castRay(&room, {0, 0, 0}, down, 0, 100.0f);
    EXPECT_EQ(2, plain.id);
    EXPECT_FLOAT_EQ(3.0f, plain.distance);
    EXPECT_EQ(Vector3(0, 0, 0), plain.normal);

    const TraceHit withNormal = castRay(&room, {0, 0, 0}, down, Zem::Physics::ReportNormal, 100.0f);
    EXPECT_EQ(2, withNormal.id);
    expectVector(Vector3(0, 0, 1), withNormal.normal);
}

TEST_F(CastRayTest, EntityOccludersAreTestedInTheEntitysSpace) {
    Entity box(xmlElement("<entity><position>0 0 -20</position><rotation>90 0 0</rotation>"
                          "<radius>5</radius></entity>"));
    // Local plane y = 0 facing +y; turned 90 degrees about x it faces world +z.
    box.occluders.push_back(std::make_unique<TriangleOccluder>(
        &box, 42, Vector3(-10, 0, 10), Vector3(30, 0, 10), Vector3(-10, 0, -30)));
    box.setRoom(&room);
    const TraceHit hit = castRay(&room, {0, 0, 0}, down, Zem::Physics::ReportNormal, 100.0f);
    EXPECT_EQ(42, hit.id);
    EXPECT_EQ(&box, hit.entity);
    EXPECT_NEAR(20.0f, hit.distance, 1e-4f);
    // Occluders stay in model space: the normal is the local one.
    expectVector(Vector3(0, 1, 0), hit.normal);

    // The bounding sphere comes first: a ray that misses it never reaches the triangles.
    box.radius = 0.5f;
    EXPECT_EQ(-1.0f, castRay(&room, {3, 3, 0}, down, 0, 100.0f).distance);
    box.radius = 5.0f;
    EXPECT_NEAR(20.0f, castRay(&room, {3, 3, 0}, down, 0, 100.0f).distance, 1e-4f);
}

class PortalRayTest : public CastRayTest {
protected:
    PortalRayTest() {
        portal.radius = 2.0f;
        portal.setRoom(&room);
        partner.setRoom(&beyond);
        // In the room beyond, a wall 3 below the partner.
        beyond.occluders.push_back(floorAt(&beyond, 9, -3));
    }

    void openingWithId(int id) {
        portal.occluders.push_back(std::make_unique<TriangleOccluder>(
            &portal, id, Vector3(-1, -1, 0), Vector3(3, -1, 0), Vector3(-1, 3, 0)));
    }

    Portal portal{xmlElement("<entity name='door'><position>0 0 -5</position></entity>")};
    Room beyond{xmlElement("<entity name='beyond'/>")};
    Portal partner{xmlElement("<entity name='exit'><position>20 0 0</position></entity>")};
};

TEST_F(PortalRayTest, SolidPartOfAPortalStopsTheRay) {
    portal.partner = &partner;
    openingWithId(3);
    const TraceHit hit = castRay(&room, {0, 0, 0}, down, 0, 50.0f);
    EXPECT_EQ(&portal, hit.entity);
    EXPECT_EQ(-1, hit.id);
    EXPECT_FLOAT_EQ(5.0f, hit.distance);
}

TEST_F(PortalRayTest, OpeningContinuesInThePartnersRoomWithTheRemainingDistance) {
    portal.partner = &partner;
    openingWithId(0);
    const TraceHit hit = castRay(&room, {0, 0, 0}, down, 0, 50.0f);
    EXPECT_EQ(&beyond, hit.entity);
    EXPECT_EQ(9, hit.id);
    EXPECT_FLOAT_EQ(8.0f, hit.distance);
    // 5 to the portal and 3 beyond are more than 7.
    EXPECT_EQ(-1.0f, castRay(&room, {0, 0, 0}, down, 0, 7.0f).distance);
}

TEST_F(PortalRayTest, StopAtPortalsModeAndUnboundPortalsStopOnTheOpening) {
    openingWithId(0);
    const TraceHit unbound = castRay(&room, {0, 0, 0}, down, 0, 50.0f);
    EXPECT_EQ(&portal, unbound.entity);
    EXPECT_FLOAT_EQ(5.0f, unbound.distance);

    portal.partner = &partner;
    const TraceHit stopped = castRay(&room, {0, 0, 0}, down, Zem::Physics::StopAtPortals, 50.0f);
    EXPECT_EQ(&portal, stopped.entity);
    EXPECT_EQ(0, stopped.id);
    EXPECT_FLOAT_EQ(5.0f, stopped.distance);
}

// The continued ray starts on the partner's own opening. Were it tested, it would be hit at
// distance 0 and, with portals bound both ways, the ray would bounce between them forever.
TEST_F(PortalRayTest, ContinuedRayPassesThePartnersOwnOpening) {
    portal.partner = &partner;
    partner.partner = &portal;
    partner.radius = 2.0f;
    openingWithId(0);
    partner.occluders.push_back(std::make_unique<TriangleOccluder>(
        &partner, 0, Vector3(-1, -1, 0), Vector3(3, -1, 0), Vector3(-1, 3, 0)));
    const TraceHit hit = castRay(&room, {0, 0, 0}, down, 0, 50.0f);
    EXPECT_EQ(&beyond, hit.entity);
    EXPECT_FLOAT_EQ(8.0f, hit.distance);
}
