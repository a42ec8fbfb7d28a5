#include "resource/VertexUnifier.h"
#include "resource/ObjParser.h"

#include "ResourceTestSupport.h"

namespace {

using namespace Zem::Resource;
using Indices = std::vector<uint32_t>;

// The shared vertices of the first group of OBJ text that must parse.
GroupGeometry unified(const std::string& text) {
    ObjParser parser;
    ObjDocument document;
    GroupGeometry geometry;
    EXPECT_TRUE(parser.parse(text, document)) << parser.error();
    EXPECT_TRUE(!document.groups.empty() &&
                VertexUnifier(document).finishGroup(document.groups[0].corners, geometry));
    return geometry;
}

// One position with two normals; corner 1/1/1 again in the third face.
TEST(VertexUnifierTest, CornersAreSharedOnlyWhenPositionTextureAndNormalAllAgree) {
    const GroupGeometry geometry =
        unified(ResourceTest::triangle + "vt 0 0\nvn 0 0 1\nvn 0 0 -1\ng a\nf 1/1/1 2/1/1 3/1/1\n"
                                         "f 1/1/2 3/1/2 2/1/2\nf 1/1/1 3/1/1 2/1/2\n");
    EXPECT_EQ(geometry.indices, (Indices{0, 1, 2, 3, 4, 5, 0, 2, 5}));
    EXPECT_EQ(geometry.positions.size(), 18u);
}

// Positions 2 and 2, then 1 and 1, each pair told apart by its texture coordinate.
TEST(VertexUnifierTest, ATriangleWithTwoEqualPositionsIsDroppedButItsVerticesStay) {
    const GroupGeometry geometry =
        unified(ResourceTest::square + "g a\nf 1/1/1 2/2/2 2/3/2\nf 1/1/1 2/2/2 1/3/3\n"
                                       "f 1/1/1 2/2/2 3/3/3\n");
    EXPECT_EQ(geometry.indices, (Indices{0, 1, 4}));
    EXPECT_EQ(geometry.positions.size(), 15u);
}

// Forty vertices at each position, more than a position's own list holds, looked up again in
// reverse order.
TEST(VertexUnifierTest, CrowdedPositionsKeepTheNumberingOfFirstAppearance) {
    ObjDocument document;
    document.positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    document.texCoords = {0, 0};
    document.groups.emplace_back();
    Indices expected;
    for (int k = 0; k < 80; ++k) {
        const int normal = k < 40 ? k : 79 - k;
        if (k < 40) {
            document.normals.insert(document.normals.end(), {0, float(k), 1});
        }
        for (int corner = 0; corner < 3; ++corner) {
            document.groups[0].corners.push_back({corner, 0, normal});
            expected.push_back(uint32_t(3 * normal + corner));
        }
    }
    GroupGeometry geometry;
    ASSERT_TRUE(VertexUnifier(document).finishGroup(document.groups[0].corners, geometry));
    EXPECT_EQ(geometry.indices, expected);
    EXPECT_EQ(geometry.positions.size(), 3u * 120);
}

} // namespace
