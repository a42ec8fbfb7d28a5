#include "physics/TriangleOccluder.h"
#include "main/Entity.h"
#include "support/SceneFixtures.h"

#include <gtest/gtest.h>

using Zem::Graphics::Vector3;
using Zem::Main::Entity;
using Zem::Physics::TriangleOccluder;

namespace {

const Vector3 down(0.0f, 0.0f, -1.0f);

// e1 = (2, 0, 0) and e2 = (0, 4, 0) at z = 3: corners and edges land exactly on u and v.
class TriangleOccluderTest : public ::testing::Test {
protected:
    float hitFrom(const Vector3& origin) const { return triangle.intersect(origin, down, nullptr); }
    // Occluders built from three groups, the third with an index past the vertices and two
    // indices short of a triangle.
    void buildThreeGroups() {
        auto mesh = ZemTest::makeMesh({{0, 0, 0, 1, 0, 0, 0, 1, 0},
                                       {0, 0, 1, 1, 0, 1, 0, 1, 1, 0, 0, 2, 1, 0, 2, 0, 1, 2},
                                       {0, 0, 3, 1, 0, 3, 0, 1, 3}});
        mesh->groups[2]->indices = {0, 1, 2, 0, 1, 7, 2, 1};
        Zem::Physics::buildOccluders(mesh.get(), &owner, 100, 10);
    }

    TriangleOccluder triangle{nullptr, 0, {1, 2, 3}, {3, 2, 3}, {1, 6, 3}};
    Entity owner{ZemTest::xmlElement("<entity/>")};
};

TEST_F(TriangleOccluderTest, ARayHitsACorner) {
    EXPECT_FLOAT_EQ(2.0f, hitFrom({1, 2, 5}));
}

TEST_F(TriangleOccluderTest, ARayHitsTheMidpointOfTheLongEdge) {
    EXPECT_FLOAT_EQ(2.0f, hitFrom({2, 4, 5}));
}

TEST_F(TriangleOccluderTest, TheHitIsInUnitsOfTheDirectionsLength) {
    EXPECT_FLOAT_EQ(1.0f, triangle.intersect({2, 4, 5}, {0, 0, -2}, nullptr));
}

TEST_F(TriangleOccluderTest, ARayJustOutsideAnEdgeMisses) {
    for (const Vector3& origin :
         {Vector3(2.01f, 4.01f, 5), Vector3(0.99f, 3, 5), Vector3(2, 1.99f, 5)}) {
        EXPECT_EQ(-1.0f, hitFrom(origin)) << origin.x << " " << origin.y;
    }
}

TEST_F(TriangleOccluderTest, ARayParallelToThePlaneMisses) {
    EXPECT_EQ(-1.0f, triangle.intersect({1.5f, 3, 3}, {1, 0, 0}, nullptr));
}

TEST_F(TriangleOccluderTest, ADegenerateTriangleIsNeverHit) {
    TriangleOccluder line(nullptr, 0, {1, 2, 3}, {2, 4, 6}, {3, 6, 9});
    EXPECT_EQ(-1.0f, line.intersect({2, 4, 6}, down, nullptr));
}

TEST_F(TriangleOccluderTest, BuildOccludersGivesEachGroupTheFirstIdPlusTheStepTimesItsNumber) {
    buildThreeGroups();
    std::vector<int> ids;
    for (const auto& occluder : owner.occluders) {
        ids.push_back(occluder->id);
    }
    EXPECT_EQ((std::vector<int>{100, 110, 110, 120}), ids);
}

TEST_F(TriangleOccluderTest, BuildOccludersSkipsTrianglesWithAnIndexPastTheVerticesOrCutShort) {
    buildThreeGroups();
    EXPECT_EQ(4u, owner.occluders.size());
}

// The third occluder is the second group's second triangle, at z = 2.
TEST_F(TriangleOccluderTest, BuildOccludersKeepsTheOrderOfTheIndexList) {
    buildThreeGroups();
    ASSERT_EQ(4u, owner.occluders.size());
    EXPECT_FLOAT_EQ(3.0f, owner.occluders[2]->intersect({0.1f, 0.1f, 5}, down, nullptr));
}

} // namespace
