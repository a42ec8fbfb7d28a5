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
using ZemTest::element;

namespace {

const Vector3 down(0.0f, 0.0f, -1.0f);

// A large triangle facing +z at height z, covering the square |x|, |y| <= 50.
std::unique_ptr<TriangleOccluder> floorAt(Entity* owner, int id, float z) {
    return std::make_unique<TriangleOccluder>(owner, id, Vector3(-50, -50, z), Vector3(150, -50, z),
                                              Vector3(-50, 150, z));
}

// e1 = (2, 0, 0) and e2 = (0, 4, 0): corners and edges land exactly on u and v.
TEST(TriangleOccluderTest, HitsCornerAndEdgeMidpointAndMissesOutsideParallelAndDegenerate) {
    TriangleOccluder triangle(nullptr, 0, {1, 2, 3}, {3, 2, 3}, {1, 6, 3});
    EXPECT_FLOAT_EQ(2.0f, triangle.intersect({1, 2, 5}, down, nullptr));
    EXPECT_FLOAT_EQ(2.0f, triangle.intersect({2, 4, 5}, down, nullptr));
    EXPECT_FLOAT_EQ(1.0f, triangle.intersect({2, 4, 5}, {0, 0, -2}, nullptr)); // in direction units
    EXPECT_EQ(-1.0f, triangle.intersect({2.01f, 4.01f, 5}, down, nullptr));
    EXPECT_EQ(-1.0f, triangle.intersect({0.99f, 3, 5}, down, nullptr));
    EXPECT_EQ(-1.0f, triangle.intersect({2, 1.99f, 5}, down, nullptr));
    EXPECT_EQ(-1.0f, triangle.intersect({1.5f, 3, 3}, {1, 0, 0}, nullptr));
    TriangleOccluder line(nullptr, 0, {1, 2, 3}, {2, 4, 6}, {3, 6, 9});
    EXPECT_EQ(-1.0f, line.intersect({2, 4, 6}, down, nullptr));
}

TEST(BuildOccludersTest, OneOccluderPerWholeTriangleWithItsGroupsId) {
    auto mesh = ZemTest::makeMesh({{0, 0, 0, 1, 0, 0, 0, 1, 0},
                                   {0, 0, 1, 1, 0, 1, 0, 1, 1, 0, 0, 2, 1, 0, 2, 0, 1, 2},
                                   {0, 0, 3, 1, 0, 3, 0, 1, 3}});
    // Index 7 points past the vertices and "2, 1" is no whole triangle: both are skipped.
    mesh->groups[2]->indices = {0, 1, 2, 0, 1, 7, 2, 1};
    Entity owner(element("<entity/>"));
    Zem::Physics::buildOccluders(mesh.get(), &owner, 100, 10);
    std::vector<int> ids;
    for (const auto& occluder : owner.occluders) {
        ids.push_back(occluder->id);
    }
    ASSERT_EQ((std::vector<int>{100, 110, 110, 120}), ids);
    // Triangles keep index-list order: the third lies at z = 2.
    EXPECT_FLOAT_EQ(3.0f, owner.occluders[2]->intersect({0.1f, 0.1f, 5}, down, nullptr));
}

TEST(CastRayTest, NearestHitUnderMaxDistanceWinsInTheOccludersOwnersSpace) {
    Room room(element("<entity/>"));
    room.occluders.push_back(floorAt(&room, 0, -10));
    EXPECT_EQ(-1.0f, castRay(&room, {0, 0, 0}, down, 0, 10.0f).distance); // at the limit: none
    room.occluders.push_back(floorAt(&room, 2, -3));
    room.occluders.push_back(floorAt(&room, 3, 4));
    room.occluders.push_back(floorAt(&room, 4, -6)); // farther, listed after the nearest
    const TraceHit hit = castRay(&room, {0, 0, 0}, down, Zem::Physics::ReportNormal, 10.0f);
    EXPECT_EQ(2, hit.id);
    EXPECT_FLOAT_EQ(3.0f, hit.distance);
    EXPECT_EQ(&room, hit.entity);
    EXPECT_EQ(Vector3(0, 0, 1), hit.normal);

    SCOPED_TRACE("an entity's occluders, behind its sphere");
    Entity box(element("<entity><position>0 0 -2</position><rotation>90 0 0</rotation>"
                       "<radius>5</radius></entity>"));
    // Local plane y = 0 facing +y; turned 90 degrees about x it faces world +z.
    box.occluders.push_back(std::make_unique<TriangleOccluder>(
        &box, 42, Vector3(-10, 0, 10), Vector3(30, 0, 10), Vector3(-10, 0, -30)));
    box.setRoom(&room);
    const TraceHit boxHit = castRay(&room, {3, 3, 0}, down, 0, 100.0f);
    EXPECT_EQ(42, boxHit.id);
    EXPECT_EQ(&box, boxHit.entity);
    EXPECT_NEAR(2.0f, boxHit.distance, 1e-4f);
    box.radius = 0.5f;
    EXPECT_EQ(2, castRay(&room, {3, 3, 0}, down, 0, 100.0f).id);
}

TEST(CastRayTest, PortalOpeningsContinueBeyondThePartnerOtherPartsStopTheRay) {
    Room room(element("<entity/>"));
    Portal door(element("<entity><position>0 0 -5</position><radius>2</radius></entity>"));
    Portal partner(element("<entity><position>20 0 0</position><radius>2</radius></entity>"));
    Room beyond(element("<entity/>"));
    door.setRoom(&room);
    partner.setRoom(&beyond);
    beyond.occluders.push_back(floorAt(&beyond, 9, -3));
    for (Portal* portal : {&door, &partner}) {
        portal->occluders.push_back(std::make_unique<TriangleOccluder>(
            portal, 0, Vector3(-1, -1, 0), Vector3(3, -1, 0), Vector3(-1, 3, 0)));
    }
    door.partner = &partner;
    partner.partner = &door;

    // The continued ray starts on the partner's opening; testing it would bounce forever.
    const TraceHit hit = castRay(&room, {0, 0, 0}, down, 0, 50.0f);
    EXPECT_EQ(&beyond, hit.entity);
    EXPECT_EQ(9, hit.id);
    EXPECT_FLOAT_EQ(8.0f, hit.distance);
    // 5 + 3 > 7: beyond the partner the ray has only 2 left and hits nothing.
    const TraceHit tooShort = castRay(&room, {0, 0, 0}, down, 0, 7.0f);
    EXPECT_EQ(-1.0f, tooShort.distance);
    EXPECT_EQ(nullptr, tooShort.entity);

    EXPECT_EQ(&door, castRay(&room, {0, 0, 0}, down, Zem::Physics::StopAtPortals, 50.0f).entity);
    door.occluders[0]->id = 3; // a solid part of the portal
    EXPECT_EQ(&door, castRay(&room, {0, 0, 0}, down, 0, 50.0f).entity);
    door.occluders[0]->id = 0;
    door.partner = nullptr;
    EXPECT_EQ(&door, castRay(&room, {0, 0, 0}, down, 0, 50.0f).entity);
}

} // namespace
