#include "resource/ObjParser.h"
#include "resource/Mesh.h"
#include "resource/OBJLoader.h"
#include "resource/VertexUnifier.h"
#include "resource/computeTangentFrame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace Zem::Resource;

// Four corners of a unit square in the XY plane, one "vt" and "vn" per corner.
const char* const squareData = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                               "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                               "vn 0 0 1\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\n";

std::unique_ptr<Mesh> build(const std::string& text) {
    std::string error;
    std::unique_ptr<Mesh> mesh = OBJLoader::buildGeometry(text, error);
    EXPECT_EQ(mesh == nullptr, !error.empty()) << error;
    return mesh;
}

std::string refusal(const std::string& text) {
    ObjParser parser;
    ObjDocument document;
    if (parser.parse(text, document)) {
        std::string error;
        return OBJLoader::buildGeometry(text, error) ? std::string() : error;
    }
    return parser.error();
}

TEST(ObjParserTest, QuadBecomesTwoTrianglesSharingTheFirstDiagonal) {
    const auto mesh = build(std::string(squareData) + "g quad\nf 1/1/1 2/2/2 3/3/3 4/4/4\n");
    ASSERT_TRUE(mesh);
    ASSERT_EQ(mesh->groups.size(), 1u);
    const MeshGroup& group = *mesh->groups[0];
    EXPECT_EQ(group.indices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
    EXPECT_EQ(group.positions, (std::vector<float>{0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}));
    EXPECT_EQ(group.texCoords, (std::vector<float>{0, 0, 1, 0, 1, 1, 0, 1}));
    EXPECT_EQ(group.normals.size(), 12u);
    EXPECT_EQ(group.primitive, 4);
}

TEST(ObjParserTest, CornersAreSharedOnlyWhenEveryValueIsEqual) {
    // Same position twice with different normals; corner 1/1/1 repeated in a second face.
    const auto mesh = build("v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\nvn 0 0 -1\n"
                            "g a\nf 1/1/1 2/1/1 3/1/1\nf 1/1/2 3/1/2 2/1/2\nf 1/1/1 3/1/1 2/1/2\n");
    ASSERT_TRUE(mesh);
    const MeshGroup& group = *mesh->groups[0];
    EXPECT_EQ(group.positions.size(), 3u * 6u);
    EXPECT_EQ(group.indices, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 0, 2, 5}));
    EXPECT_EQ(group.normals[2], 1.0f);
    EXPECT_EQ(group.normals[3 * 3 + 2], -1.0f);
}

TEST(ObjParserTest, DistinctEntriesWithEqualValuesMakeOneVertex) {
    // "v" 1 and 4 hold the same value, as do -0 and +0 in "vn" 1 and 2.
    const auto mesh = build("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 0\nvt 0 0\nvn -0 0 1\nvn 0 0 1\n"
                            "g a\nf 1/1/1 2/1/1 3/1/1\nf 4/1/2 3/1/2 2/1/2\n");
    ASSERT_TRUE(mesh);
    const MeshGroup& group = *mesh->groups[0];
    EXPECT_EQ(group.indices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 1}));
    // The vertex keeps the values of the corner that first named it.
    EXPECT_TRUE(std::signbit(group.normals[0]));
}

TEST(ObjParserTest, VerticesAreNotSharedBetweenGroups) {
    const auto mesh = build(std::string(squareData) +
                            "g first\nf 1/1/1 2/2/2 3/3/3\ng second\nf 1/1/1 3/3/3 4/4/4\n");
    ASSERT_TRUE(mesh);
    ASSERT_EQ(mesh->groups.size(), 2u);
    EXPECT_EQ(mesh->groups[1]->indices, (std::vector<uint32_t>{0, 1, 2}));
    EXPECT_EQ(mesh->groups[1]->positions, (std::vector<float>{0, 0, 0, 1, 1, 0, 0, 1, 0}));
}

TEST(ObjParserTest, HashedNumberingMatchesALinearSearch) {
    // Few distinct positions with many normals each, so some positions hold far more
    // vertices than a short chain.
    std::mt19937 random(7);
    std::uniform_int_distribution<int> small(0, 2);
    std::uniform_int_distribution<int> wide(0, 39);
    std::string text;
    const int entries = 60;
    for (int i = 0; i < entries; ++i) {
        text += "v " + std::to_string(small(random)) + " " + std::to_string(small(random)) + " 0\n";
        text += "vt " + std::to_string(small(random)) + " 0\n";
        text += "vn 0 " + std::to_string(wide(random)) + " 1\n";
    }
    text += "g a\n";
    std::uniform_int_distribution<int> entry(1, entries);
    for (int face = 0; face < 2000; ++face) {
        text += "f";
        for (int corner = 0; corner < 3; ++corner) {
            const int p = entry(random);
            text += " " + std::to_string(p) + "/" + std::to_string(entry(random)) + "/" +
                    std::to_string(entry(random));
        }
        text += "\n";
    }

    ObjParser parser;
    ObjDocument document;
    ASSERT_TRUE(parser.parse(text, document)) << parser.error();
    GroupGeometry geometry;
    ASSERT_TRUE(VertexUnifier(document).finishGroup(document.groups[0].corners, geometry));

    // The plain definition: search every vertex made so far, in order.
    std::vector<std::vector<float>> unique;
    std::vector<uint32_t> expected;
    for (const ObjCorner& c : document.groups[0].corners) {
        const std::vector<float> v = {
            document.positions[3 * c.position],     document.positions[3 * c.position + 1],
            document.positions[3 * c.position + 2], document.texCoords[2 * c.texCoord],
            document.texCoords[2 * c.texCoord + 1], document.normals[3 * c.normal],
            document.normals[3 * c.normal + 1],     document.normals[3 * c.normal + 2]};
        std::size_t found = 0;
        while (found < unique.size() && unique[found] != v) {
            ++found;
        }
        if (found == unique.size()) {
            unique.push_back(v);
        }
        expected.push_back(static_cast<uint32_t>(found));
    }
    GroupGeometry reference;
    reference.indices = expected;
    for (const auto& v : unique) {
        reference.positions.insert(reference.positions.end(), v.begin(), v.begin() + 3);
    }
    VertexUnifier::removeDegenerateTriangles(reference);

    EXPECT_GT(unique.size(), 9u * 17u) << "some position must hold more than 16 vertices";
    EXPECT_EQ(geometry.positions.size(), unique.size() * 3);
    EXPECT_EQ(geometry.indices, reference.indices);
}

TEST(ObjParserTest, StreamAndMemoryReadTheSame) {
    // Long enough to cross the stream reader's blocks.
    std::string text = squareData;
    text += "g a\n";
    for (int i = 0; i < 60000; ++i) {
        text += i % 2 ? "f 1/1/1 2/2/2 3/3/3 4/4/4\r\n" : "f 1/1/1 3/3/3 4/4/4\n";
    }
    text += "g b\nf 1/1/1 2/2/2 3/3/3";
    std::istringstream stream(text);
    ObjParser parser;
    ObjDocument fromStream;
    ObjDocument fromMemory;
    ASSERT_TRUE(parser.parse(stream, fromStream)) << parser.error();
    ASSERT_TRUE(parser.parse(text, fromMemory)) << parser.error();
    ASSERT_EQ(fromStream.groups.size(), 2u);
    EXPECT_EQ(fromStream.groups[0].corners.size(), 30000u * 9u);
    EXPECT_EQ(fromStream.groups[1].corners.size(), 3u);
    EXPECT_EQ(fromStream.positions, fromMemory.positions);
    EXPECT_EQ(fromStream.groups[0].corners.size(), fromMemory.groups[0].corners.size());
}

TEST(ObjParserTest, DegenerateTrianglesAreDroppedButTheirVerticesStay) {
    // The first face has one position twice (with two normals): three vertices, no area.
    const auto mesh = build("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 5 5 5\nvt 0 0\nvn 0 0 1\nvn 1 0 0\n"
                            "g a\nf 1/1/1 1/1/2 4/1/1\nf 1/1/1 2/1/1 3/1/1\n");
    ASSERT_TRUE(mesh);
    const MeshGroup& group = *mesh->groups[0];
    EXPECT_EQ(group.indices, (std::vector<uint32_t>{0, 3, 4}));
    EXPECT_EQ(group.positions.size(), 15u);
    EXPECT_EQ(group.positions[6], 5.0f);
}

TEST(ObjParserTest, CornerForms) {
    auto same = [](const ObjCorner& c, int32_t p, int32_t t, int32_t n) {
        return c.position == p && c.texCoord == t && c.normal == n;
    };
    EXPECT_TRUE(same(ObjParser::parseCorner("3"), 2, 0, 0));
    EXPECT_TRUE(same(ObjParser::parseCorner("3/4"), 2, 3, 0));
    EXPECT_TRUE(same(ObjParser::parseCorner("3//5"), 2, 0, 4));
    EXPECT_TRUE(same(ObjParser::parseCorner("3/4/5"), 2, 3, 4));
    EXPECT_TRUE(same(ObjParser::parseCorner("x/4/"), 0, 3, 0));
    EXPECT_TRUE(same(ObjParser::parseCorner("-2/0/7"), -3, -1, 6));
}

TEST(ObjParserTest, OmittedTextureIndexUsesTheFirstTextureCoordinate) {
    const auto mesh = build("v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.25 0.75\nvt 1 1\n"
                            "vn 0 0 1\nvn 0 1 0\nvn 1 0 0\ng a\nf 1//1 2//2 3//3\n");
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->groups[0]->texCoords,
              (std::vector<float>{0.25f, 0.75f, 0.25f, 0.75f, 0.25f, 0.75f}));
}

TEST(ObjParserTest, RepeatedWordEndsTheFaceAndFailsTheLoad) {
    EXPECT_NE(refusal(std::string(squareData) + "g a\nf 1/1/1 1/1/1 2/2/2\n"), "");
    // Trailing blanks and a carriage return end the line without a fourth corner.
    EXPECT_EQ(refusal(std::string(squareData) + "g a\nf 1/1/1 2/2/2 3/3/3  \t\r\n"), "");
    // A repeat after the fourth corner only ends the face.
    EXPECT_EQ(refusal(std::string(squareData) + "g a\nf 1/1/1 2/2/2 3/3/3 4/4/4 4/4/4\n"), "");
}

TEST(ObjParserTest, StatementsAndGroups) {
    ObjParser parser;
    ObjDocument document;
    ASSERT_TRUE(parser.parse(std::string("# comment\nmtllib first.mtl\n") + squareData +
                                 "v 1 2 3 4\nvt 0.5 0.5 9\nVT 7\nmtllib second.mtl extra\n"
                                 "g\nusemtl wood\nf 1/1/1 2/2/2 3/3/3\ng top part\nf 1 2 3\n",
                             document))
        << parser.error();
    EXPECT_EQ(document.positions.size(), 15u);
    EXPECT_EQ(document.texCoords.size(), 10u);
    EXPECT_EQ(document.materialLibrary, "second.mtl");
    ASSERT_EQ(document.groups.size(), 2u);
    EXPECT_EQ(document.groups[0].name, "");
    EXPECT_EQ(document.groups[0].materialName, "wood");
    EXPECT_EQ(document.groups[1].name, "top");
    EXPECT_EQ(document.groups[1].materialName, "");
}

TEST(ObjParserTest, VerticesAfterFacesLoadTheSame) {
    const std::string faces = "g a\nf 1/1/1 2/2/2 3/3/3 4/4/4\n";
    const auto before = build(std::string(squareData) + faces);
    const auto after = build(faces + squareData);
    ASSERT_TRUE(before && after);
    EXPECT_EQ(before->groups[0]->positions, after->groups[0]->positions);
    EXPECT_EQ(before->groups[0]->indices, after->groups[0]->indices);
}

TEST(ObjParserTest, UnguardedCasesAreRefused) {
    const std::string data = squareData;
    EXPECT_NE(refusal(data + "f 1/1/1 2/2/2 3/3/3\n"), "") << "face before any group";
    EXPECT_NE(refusal(data + "usemtl wood\ng a\nf 1/1/1 2/2/2 3/3/3\n"), "");
    EXPECT_NE(refusal(data + "g a\nf 0/1/1 2/2/2 3/3/3\n"), "") << "index 0";
    EXPECT_NE(refusal(data + "g a\nf -1/1/1 2/2/2 3/3/3\n"), "") << "relative index";
    EXPECT_NE(refusal(data + "g a\nf 1/1/1 2/2/2 5/3/3\n"), "") << "beyond the positions";
    EXPECT_NE(refusal(data + "g a\nf 1/1/1 2/5/2 3/3/3\n"), "") << "beyond the texture list";
    EXPECT_NE(refusal(data + "g a\nf 1/1/1 2/2/2 3/3/99999999999\n"), "") << "huge index";
    EXPECT_NE(refusal("v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\ng a\nf 1//1 2//1 3//1\n"), "")
        << "first texture coordinate of a file without vt";
    EXPECT_NE(refusal("v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\ng a\nf 1/1 2/1 3/1\n"), "")
        << "first normal of a file without vn";
    EXPECT_NE(refusal(data + "g empty\ng a\nf 1/1/1 2/2/2 3/3/3\n"), "") << "group without faces";
    EXPECT_NE(refusal(data + "g a\nf 1/1/1 1/1/2 2/2/2\n"), "") << "group with only a degenerate";
    EXPECT_NE(refusal(data + "v 1 2\ng a\nf 1/1/1 2/2/2 3/3/3\n"), "") << "missing number";
    EXPECT_NE(refusal(data + "vn 1 2 z\ng a\nf 1/1/1 2/2/2 3/3/3\n"), "") << "malformed number";
    EXPECT_NE(refusal(data + "vt 1 2abc\ng a\nf 1/1/1 2/2/2 3/3/3\n"), "") << "trailing junk";
    EXPECT_NE(refusal(data + "v 1 nan 0\ng a\nf 1/1/1 2/2/2 3/3/3\n"), "") << "not finite";
    EXPECT_NE(refusal(data + "g a\nf\n"), "") << "no corner";
    EXPECT_NE(refusal(data + "g a\nf 1/1/1 2/2/2\n"), "") << "two corners";
    EXPECT_NE(refusal(data + "g a\nf 1 2 3 4 1\n"), "") << "five corners";
}

TEST(ObjParserTest, LinesLongerThan1023CharactersAreRefused) {
    const std::string faces = "g a\nf 1/1/1 2/2/2 3/3/3\n";
    const std::string comment = "# ";
    EXPECT_EQ(refusal(std::string(squareData) + comment + std::string(1021, 'x') + "\n" + faces),
              "");
    const std::string error =
        refusal(std::string(squareData) + comment + std::string(1022, 'x') + "\n" + faces);
    EXPECT_NE(error.find("line 13"), std::string::npos) << error;
}

TEST(ObjParserTest, TangentFrameFollowsTheTextureU) {
    const auto mesh = build(std::string(squareData) + "g quad\nf 1/1/1 2/2/2 3/3/3 4/4/4\n");
    ASSERT_TRUE(mesh);
    const MeshGroup& group = *mesh->groups[0];
    EXPECT_NE(group.flags & MeshGroup::Tangents, 0);
    ASSERT_EQ(group.tangents.size(), group.positions.size());
    for (std::size_t v = 0; v < 4; ++v) {
        EXPECT_FLOAT_EQ(group.tangents[3 * v], 1.0f);
        EXPECT_FLOAT_EQ(group.tangents[3 * v + 1], 0.0f);
        EXPECT_FLOAT_EQ(group.binormals[3 * v + 1], 1.0f) << "normal x tangent";
    }
}

TEST(ObjParserTest, TangentFallbacks) {
    const std::vector<float> positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const std::vector<uint32_t> triangle = {0, 1, 2};
    std::vector<float> tangents;
    std::vector<float> binormals;

    // Collinear texture coordinates add nothing: the tangent falls back to (0, 1, 0).
    const std::vector<float> flatUv = {0, 0, 1, 1, 2, 2};
    const std::vector<float> up = {0, 0, 1, 0, 0, 1, 0, 0, 1};
    computeTangentFrame(positions, flatUv, up, triangle, tangents, binormals);
    EXPECT_EQ(tangents, (std::vector<float>{0, 1, 0, 0, 1, 0, 0, 1, 0}));
    EXPECT_EQ(binormals, (std::vector<float>{-1, 0, 0, -1, 0, 0, -1, 0, 0}));

    // A summed tangent parallel to the normal also falls back.
    const std::vector<float> uv = {0, 0, 1, 0, 0, 1};
    const std::vector<float> alongX = {1, 0, 0, 1, 0, 0, 1, 0, 0};
    computeTangentFrame(positions, uv, alongX, triangle, tangents, binormals);
    EXPECT_EQ(tangents, (std::vector<float>{0, 1, 0, 0, 1, 0, 0, 1, 0}));
    EXPECT_EQ(binormals, (std::vector<float>{0, 0, 1, 0, 0, 1, 0, 0, 1}));
}

} // namespace
