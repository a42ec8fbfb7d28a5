#include "resource/ObjParser.h"
#include "resource/Mesh.h"
#include "resource/OBJLoader.h"
#include "resource/VertexUnifier.h"
#include "resource/computeTangentFrame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace Zem::Resource;

// A unit square in the XY plane, one "vt" and "vn" per corner.
const std::string square = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                           "vn 0 0 1\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\n";

std::unique_ptr<Mesh> build(const std::string& text) {
    std::string error;
    std::unique_ptr<Mesh> mesh = OBJLoader::buildGeometry(text, error);
    EXPECT_EQ(mesh == nullptr, !error.empty()) << error;
    return mesh;
}

// Why the text is refused, or "" when it loads.
std::string refusal(const std::string& text) {
    std::string error;
    return OBJLoader::buildGeometry(text, error) ? std::string() : error;
}

TEST(ObjParserTest, QuadBecomesTwoTrianglesWithTangentsAlongU) {
    const auto mesh = build(square + "g quad\nf 1/1/1 2/2/2 3/3/3 4/4/4\n");
    ASSERT_TRUE(mesh);
    const MeshGroup& group = *mesh->groups[0];
    EXPECT_EQ(group.indices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
    EXPECT_EQ(group.texCoords, (std::vector<float>{0, 0, 1, 0, 1, 1, 0, 1}));
    ASSERT_EQ(group.tangents.size(), 12u);
    EXPECT_FLOAT_EQ(group.tangents[9], 1.0f);
    EXPECT_FLOAT_EQ(group.binormals[10], 1.0f) << "normal x tangent";
}

TEST(ObjParserTest, CornersAreSharedOnlyWhenEveryValueIsEqual) {
    // Same position with two normals; corner 1/1/1 again in the third face.
    const auto mesh = build("v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\nvn 0 0 -1\n"
                            "g a\nf 1/1/1 2/1/1 3/1/1\nf 1/1/2 3/1/2 2/1/2\nf 1/1/1 3/1/1 2/1/2\n");
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->groups[0]->indices, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 0, 2, 5}));
    EXPECT_EQ(mesh->groups[0]->positions.size(), 18u);
}

TEST(ObjParserTest, HashedNumberingMatchesALinearSearch) {
    // Few positions with many normals each, so some positions hold long chains of vertices.
    std::mt19937 random(7);
    ObjDocument document;
    for (int i = 0; i < 60; ++i) {
        document.positions.insert(document.positions.end(),
                                  {float(random() % 3), float(random() % 3), 0});
        document.texCoords.insert(document.texCoords.end(), {0, 0});
        document.normals.insert(document.normals.end(), {0, float(random() % 40), 1});
    }
    document.groups.emplace_back();
    for (int i = 0; i < 6000; ++i) {
        document.groups[0].corners.push_back({int32_t(random() % 60), 0, int32_t(random() % 60)});
    }
    GroupGeometry geometry;
    ASSERT_TRUE(VertexUnifier(document).finishGroup(document.groups[0].corners, geometry));

    std::vector<std::vector<float>> unique;
    GroupGeometry reference;
    for (const ObjCorner& c : document.groups[0].corners) {
        const float* p = &document.positions[3 * c.position];
        const float* n = &document.normals[3 * c.normal];
        const std::vector<float> v = {p[0], p[1], p[2], n[0], n[1], n[2]};
        const auto found = std::find(unique.begin(), unique.end(), v) - unique.begin();
        if (found == std::ptrdiff_t(unique.size())) {
            unique.push_back(v);
            reference.positions.insert(reference.positions.end(), p, p + 3);
        }
        reference.indices.push_back(uint32_t(found));
    }
    VertexUnifier::removeDegenerateTriangles(reference);
    EXPECT_GT(unique.size(), 9u * 17u) << "some position must hold more than 16 vertices";
    EXPECT_EQ(geometry.positions.size(), unique.size() * 3);
    EXPECT_EQ(geometry.indices, reference.indices);
}

TEST(ObjParserTest, DegenerateTrianglesAreDroppedButTheirVerticesStay) {
    const auto mesh = build("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 5 5 5\nvt 0 0\nvn 0 0 1\nvn 1 0 0\n"
                            "g a\nf 1/1/1 1/1/2 4/1/1\nf 1/1/1 2/1/1 3/1/1\n");
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->groups[0]->indices, (std::vector<uint32_t>{0, 3, 4}));
    EXPECT_EQ(mesh->groups[0]->positions.size(), 15u);
}

TEST(ObjParserTest, CornerFormsAndTheOmittedTextureIndex) {
    const struct {
        const char* word;
        int32_t p, t, n;
    } cases[] = {{"3", 2, 0, 0},     {"3/4", 2, 3, 0},  {"3//5", 2, 0, 4},
                 {"3/4/5", 2, 3, 4}, {"x/4/", 0, 3, 0}, {"-2/0/7", -3, -1, 6}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        const ObjCorner corner = ObjParser::parseCorner(c.word);
        EXPECT_EQ(corner.position, c.p);
        EXPECT_EQ(corner.texCoord, c.t);
        EXPECT_EQ(corner.normal, c.n);
    }
    const auto mesh = build("v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.25 0.75\nvt 1 1\n"
                            "vn 0 0 1\nvn 0 1 0\nvn 1 0 0\ng a\nf 1//1 2//2 3//3\n");
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->groups[0]->texCoords, (std::vector<float>{.25f, .75f, .25f, .75f, .25f, .75f}));
}

TEST(ObjParserTest, StatementsGroupsAndLateVertices) {
    ObjParser parser;
    ObjDocument document;
    ASSERT_TRUE(
        parser.parse("mtllib first.mtl\n" + square +
                         "mtllib second.mtl\ng\nusemtl wood\nf 1 2 3\ng top part\nf 1 2 3\n",
                     document))
        << parser.error();
    EXPECT_EQ(document.materialLibrary, "second.mtl");
    ASSERT_EQ(document.groups.size(), 2u);
    EXPECT_EQ(document.groups[0].name, "");
    EXPECT_EQ(document.groups[0].materialName, "wood");
    EXPECT_EQ(document.groups[1].name, "top");

    const std::string faces = "g a\nf 1/1/1 2/2/2 3/3/3 4/4/4\n";
    const auto before = build(square + faces);
    const auto after = build(faces + square);
    ASSERT_TRUE(before && after);
    EXPECT_EQ(before->groups[0]->positions, after->groups[0]->positions);
    EXPECT_EQ(before->groups[0]->indices, after->groups[0]->indices);
}

TEST(ObjParserTest, FilesTheLoaderCannotTrustAreRefused) {
    const std::string comment = "# " + std::string(1021, 'x') + "\n";
    const std::string tooLong = square + "x" + comment + "g a\nf 1/1/1 2/2/2 3/3/3\n";
    const struct {
        std::string text;
        bool refused;
    } cases[] = {
        {square + "g a\nf 1/1/1 1/1/1 2/2/2\n", true}, // a repeated word ends the face
        {square + "g a\nf 1/1/1 2/2/2 3/3/3 4/4/4 4/4/4\n", false},
        {square + "g a\nf 1/1/1 2/2/2 3/3/3  \t\r\n", false},
        {square + "f 1/1/1 2/2/2 3/3/3\n", true},
        {square + "usemtl wood\ng a\nf 1/1/1 2/2/2 3/3/3\n", true},
        {square + "g a\nf 0/1/1 2/2/2 3/3/3\n", true},
        {square + "g a\nf -1/1/1 2/2/2 3/3/3\n", true},
        {square + "g a\nf 1/1/1 2/2/2 5/3/3\n", true},
        {square + "g a\nf 1/1/1 2/2/2 3/3/99999999999\n", true},
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\ng a\nf 1//1 2//1 3//1\n", true},
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\ng a\nf 1/1 2/1 3/1\n", true},
        {square + "g empty\ng a\nf 1/1/1 2/2/2 3/3/3\n", true},
        {square + "g a\nf 1/1/1 1/1/2 2/2/2\n", true}, // only a degenerate triangle
        {square + "v 1 2\ng a\nf 1/1/1 2/2/2 3/3/3\n", true},
        {square + "vn 1 2 z\ng a\nf 1/1/1 2/2/2 3/3/3\n", true},
        {square + "vt 1 2abc\ng a\nf 1/1/1 2/2/2 3/3/3\n", true},
        {square + "v 1 nan 0\ng a\nf 1/1/1 2/2/2 3/3/3\n", true},
        {square + "g a\nf 1/1/1 2/2/2\n", true},
        {square + comment + "g a\nf 1/1/1 2/2/2 3/3/3\n", false}, // 1023 characters
        {tooLong, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(c.text.size() > 60 ? c.text.size() - 60 : 0));
        EXPECT_EQ(!refusal(c.text).empty(), c.refused);
    }
    EXPECT_NE(refusal(tooLong).find("line 13"), std::string::npos) << refusal(tooLong);
}

TEST(ObjParserTest, TangentFallbacks) {
    const std::vector<float> positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const std::vector<uint32_t> triangle = {0, 1, 2};
    std::vector<float> tangents;
    std::vector<float> binormals;
    const std::vector<float> fallback = {0, 1, 0, 0, 1, 0, 0, 1, 0};
    // Collinear texture coordinates add nothing.
    computeTangentFrame(positions, {0, 0, 1, 1, 2, 2}, {0, 0, 1, 0, 0, 1, 0, 0, 1}, triangle,
                        tangents, binormals);
    EXPECT_EQ(tangents, fallback);
    // A summed tangent parallel to the normal.
    computeTangentFrame(positions, {0, 0, 1, 0, 0, 1}, {1, 0, 0, 1, 0, 0, 1, 0, 0}, triangle,
                        tangents, binormals);
    EXPECT_EQ(tangents, fallback);
    EXPECT_EQ(binormals, (std::vector<float>{0, 0, 1, 0, 0, 1, 0, 0, 1}));
}

} // namespace
