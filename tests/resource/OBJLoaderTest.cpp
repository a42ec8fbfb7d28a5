#include "resource/OBJLoader.h"
#include "resource/BMPLoader.h"
#include "resource/Material.h"
#include "resource/Mesh.h"
#include "resource/MtlParser.h"
#include "resource/ObjParser.h"
#include "resource/ResourceManager.h"
#include "resource/Texture.h"
#include "resource/VertexUnifier.h"
#include "resource/WordReader.h"

#include "support/GLContext.h"
#include "support/ResourceScope.h"
#include "support/ReportRecorder.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace Zem::Resource;

// A unit square in the XY plane, one "vt" and "vn" per corner.
const std::string square = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                           "vn 0 0 1\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\n";
const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";

// Why the text is refused, or "" when it loads.
std::string refusal(const std::string& text) {
    std::string error;
    return OBJLoader::buildGeometry(text, error) ? std::string() : error;
}

// `values` `count` times over.
std::vector<float> repeat(int count, const std::vector<float>& values) {
    std::vector<float> all;
    for (int i = 0; i < count; ++i) {
        all.insert(all.end(), values.begin(), values.end());
    }
    return all;
}

// The first group of a mesh that must load; an empty group when it does not.
std::unique_ptr<MeshGroup> firstGroup(const std::string& text) {
    std::string error;
    const auto mesh = OBJLoader::buildGeometry(text, error);
    EXPECT_TRUE(mesh) << error;
    return mesh ? std::move(mesh->groups[0]) : std::make_unique<MeshGroup>();
}

TEST(ObjParserTest, QuadBecomesTwoTrianglesWithTangentsAlongU) {
    // The second texture runs the other way along x: a negative determinant.
    const std::string texture = "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1";
    std::string mirrored = square;
    mirrored.replace(mirrored.find(texture), texture.size(), "vt 1 0\nvt 0 0\nvt 0 1\nvt 1 1");
    for (const auto& [text, u] : {std::pair{square, 1.0f}, std::pair{mirrored, -1.0f}}) {
        const auto group = firstGroup(text + "g quad\nf 1/1/1 2/2/2 3/3/3 4/4/4\n");
        EXPECT_EQ(group->indices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
        ASSERT_EQ(group->tangents.size(), 12u);
        EXPECT_FLOAT_EQ(group->tangents[9], u);
        EXPECT_FLOAT_EQ(group->binormals[10], u) << "normal x tangent";
    }
}

TEST(ObjParserTest, CornersSharedOnlyWhenEqualFlatTrianglesDroppedLateVerticesFound) {
    // Same position with two normals; corner 1/1/1 again in the third face.
    auto group = firstGroup(triangle + "vt 0 0\nvn 0 0 1\nvn 0 0 -1\ng a\nf 1/1/1 2/1/1 3/1/1\n"
                                       "f 1/1/2 3/1/2 2/1/2\nf 1/1/1 3/1/1 2/1/2\n");
    EXPECT_EQ(group->indices, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 0, 2, 5}));
    EXPECT_EQ(group->positions.size(), 18u);
    // Positions 2 and 2, then 1 and 1, each pair told apart by its texture coordinate: those
    // triangles are dropped, their vertices kept.
    group =
        firstGroup(square + "g a\nf 1/1/1 2/2/2 2/3/2\nf 1/1/1 2/2/2 1/3/3\nf 1/1/1 2/2/2 3/3/3\n");
    EXPECT_EQ(group->indices, (std::vector<uint32_t>{0, 1, 4}));
    EXPECT_EQ(group->positions.size(), 15u);
    const std::string faces = "g a\nf 1/1/1 2/2/2 3/3/3 4/4/4\n";
    EXPECT_EQ(firstGroup(faces + square)->positions, firstGroup(square + faces)->positions);
}

// Forty vertices at each position, more than a position's own list holds, looked up again
// in reverse order.
TEST(ObjParserTest, CrowdedPositionsKeepTheNumberingOfFirstAppearance) {
    ObjDocument document;
    document.positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    document.texCoords = {0, 0};
    document.groups.emplace_back();
    std::vector<uint32_t> expected;
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

// Each file with the reason it is refused, or "" when it loads.
TEST(ObjParserTest, FilesTheLoaderCannotTrustAreRefused) {
    const std::string face = "g a\nf 1/1/1 2/2/2 3/3/3\n";
    const std::pair<std::string, std::string> cases[] = {
        {square + "g a\nf 1/1/1 1/1/1 2/2/2\n", "line 14: face with 1 corners"},
        {square + "g a\nf 1/1/1 2/2/2 3/3/3 4/4/4 4/4/4\n", ""}, // a repeated word ends the face
        {square + "g a\nf 1/1/1 2/2/2 3/3/3  \t\r\n", ""},
        {square + "g a\nf 1/1/1 2/2/2\n", "line 14: face with 2 corners"},
        {square + "g a\nf 1 2 3 4 1/1\n", "line 14: face with 5 corners: only triangles and quads"},
        {square + "g a\nf 1 2 3 4 1/1 2/2 9\n", "line 14: face with 7 corners"}, // only counted
        {square + "g a\nf 1 2 9 4 1/1\n", "corner \"9\" names a missing"},
        {square + "g a\nf\n", "line 14: face with 0 corners"},
        {square + "g a\nf 0/1/1 2/2/2 3/3/3\n", "corner \"0/1/1\" names a missing"},
        {square + "g a\nf -1/1/1 2/2/2 3/3/3\n", "corner \"-1/1/1\" names a missing"},
        {square + "g a\nf 1/1/1 2/2/2 5/3/3\n", "corner \"5/3/3\" names a missing"},
        {square + "g a\nf 1/1/1 2/2/2 3/3/99999999999\n", "names a missing"},
        // An index that is written must exist, also in a file without "vt" or "vn".
        {triangle + "vn 0 0 1\ng a\nf 1/1/1 2/1/1 3/1/1\n", "corner \"1/1/1\" names a missing"},
        {triangle + "vt 0 0\ng a\nf 1/1/1 2/1/1 3/1/1\n", "corner \"1/1/1\" names a missing"},
        {triangle + "g a\nf 1/1 2/1 3/1\n", "corner \"1/1\" names a missing"},
        {square + "g empty\n" + face, "group \"empty\" has no triangle"},
        // As if the file began with a bare "g": that group gets no face.
        {square + "usemtl wood\n" + face, "group \"\" has no triangle"},
        {square + "g a\nf 1/1/1 1/1/2 2/2/2\n", "group \"a\" has no triangle"},
        {square + "v 1 2\n" + face, "line 13: \"v\" needs three numbers"},
        {square + "vn 1 2 z\n" + face, "line 13: \"vn\" needs three numbers"},
        {square + "vt 1 .\n" + face, "line 13: \"vt\" needs two numbers"},
    };
    for (const auto& [text, reason] : cases) {
        const std::string why = refusal(text);
        EXPECT_TRUE(reason.empty() ? why.empty() : why.find(reason) != std::string::npos)
            << text << "\nrefused with: " << why;
    }
}

// Faces and "usemtl" before the first "g" go into a group with an empty name.
TEST(ObjParserTest, StatementsBeforeTheFirstGroupOpenANamelessOne) {
    // Each group as "name:material".
    const std::string f = "f 1/1/1 2/2/2 3/3/3\n";
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {square + f, {":"}},
        {square + "usemtl wood\n" + f, {":wood"}},
        {square + f + "usemtl wood\n", {":wood"}},
        {square + "o Cube\n" + f + "g lid\nusemtl tin\n" + f, {":", "lid:tin"}},
        {square + "g\n" + f + "g b\n" + f, {":", "b:"}},
    };
    for (const auto& [text, groups] : cases) {
        std::string error;
        const auto mesh = OBJLoader::buildGeometry(text, error);
        ASSERT_TRUE(mesh) << text << error;
        std::vector<std::string> got;
        for (const auto& group : mesh->groups) {
            got.push_back(group->name + ":" + group->materialName);
            EXPECT_EQ(group->indices, (std::vector<uint32_t>{0, 1, 2})) << text;
        }
        EXPECT_EQ(got, groups) << text;
    }
}

// Without "vt" an omitted texture index is (0, 0); without "vn" an omitted normal is the face
// normal of the corner's own triangle. With them, the first "vt" / "vn" stands in.
TEST(ObjParserTest, OmittedTextureAndNormalIndices) {
    struct Case {
        std::string text;
        std::vector<float> texCoords;
        std::vector<float> normals;
        std::vector<uint32_t> indices;
    };
    // A unit square in the XY plane and, as vertex 5, a point above its far corner.
    const std::string quad = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 1 1 1\n";
    const std::vector<uint32_t> two = {0, 1, 2, 0, 2, 3};
    const float r = 1.0f / std::sqrt(2.0f);
    const Case cases[] = {
        {quad + "f 1 2 3 4\n", repeat(4, {0, 0}), repeat(4, {0, 0, 1}), two},
        {quad + "vn 0 1 0\nf 1//1 2//1 3//1 4//1\n", repeat(4, {0, 0}), repeat(4, {0, 1, 0}), two},
        {quad + "vt .5 .25\nf 1/1 2/1/ 3/1 4/1/\n", repeat(4, {.5f, .25f}), repeat(4, {0, 0, 1}),
         two},
        {quad + "f 1 4 3\n", repeat(3, {0, 0}), repeat(3, {0, 0, -1}), {0, 1, 2}},
        {"f 1 2 3\n" + quad, repeat(3, {0, 0}), repeat(3, {0, 0, 1}), {0, 1, 2}},
        // A folded quad: each half its own normal, so the diagonal's corners are not shared.
        {quad + "f 1 2 5 4\n",
         repeat(6, {0, 0}),
         {0, -r, r, 0, -r, r, 0, -r, r, -r, 0, r, -r, 0, r, -r, 0, r},
         {0, 1, 2, 3, 4, 5}},
        {quad + "vt .5 .5\nvt 1 1\nvn 1 0 0\nvn 0 1 0\nf 1 2/2 3//2\n",
         {.5f, .5f, 1, 1, .5f, .5f},
         {1, 0, 0, 1, 0, 0, 0, 1, 0},
         {0, 1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto group = firstGroup(c.text);
        EXPECT_EQ(group->texCoords, c.texCoords);
        ASSERT_EQ(group->normals.size(), c.normals.size());
        for (std::size_t i = 0; i < c.normals.size(); ++i) {
            EXPECT_NEAR(group->normals[i], c.normals[i], 1e-6f) << i;
        }
        EXPECT_EQ(group->indices, c.indices);
    }
}

// A mesh as modelling tools export it: an "o" line, no "g", no "vt", "v//vn" corners, smoothing
// and material statements, and numbers written with a trailing point.
TEST(ObjParserTest, ExportedMeshWithObjectLineAndNoTextureCoordinates) {
    const std::string exported = "# Exported mesh\r\nmtllib box.mtl\r\no Plane\r\n"
                                 "v -1.000000 0.000000 1.000000\r\nv 1.000000 0.000000 1.000000\r\n"
                                 "v -1.000000 0.000000 -1.000000\r\nv 1. 0. -1.\r\n"
                                 "vn -0.0000 1.0000 -0.0000\r\nusemtl Material.001\r\ns off\r\n"
                                 "f 2//1 4//1 3//1\r\nf 1//1 2//1 3//1\r\n";
    std::string error;
    std::string library;
    const auto mesh = OBJLoader::buildGeometry(exported, error, &library);
    ASSERT_TRUE(mesh) << error;
    EXPECT_EQ(library, "box.mtl");
    ASSERT_EQ(mesh->groups.size(), 1u);
    const MeshGroup& group = *mesh->groups[0];
    EXPECT_EQ(group.materialName, "Material.001");
    EXPECT_EQ(group.positions, (std::vector<float>{1, 0, 1, 1, 0, -1, -1, 0, -1, -1, 0, 1}));
    EXPECT_EQ(group.indices, (std::vector<uint32_t>{0, 1, 2, 3, 0, 2}));
    EXPECT_EQ(group.texCoords, std::vector<float>(8, 0.0f));
    EXPECT_EQ(group.normals,
              (std::vector<float>{-0.f, 1, -0.f, -0.f, 1, -0.f, -0.f, 1, -0.f, -0.f, 1, -0.f}));
    // All texture coordinates alike give no tangent direction: every vertex takes (0, 1, 0).
    EXPECT_EQ(group.tangents, (std::vector<float>{0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0}));
}

// Stored 0-based; an index that is absent or not a number stays at the first entry and is
// marked as not given.
TEST(ObjParserTest, CornerFormsAndWhichIndicesTheyGive) {
    // Position, texture coordinate and normal, with "t" and "n" when those two were given.
    const std::pair<const char*, const char*> cases[] = {{"7", "6 0 0"},
                                                         {"7/8", "6 7 0 t"},
                                                         {"7//9", "6 0 8 n"},
                                                         {"7/8/9", "6 7 8 t n"},
                                                         {"7/8/", "6 7 0 t"},
                                                         {"7/x/9", "6 0 8 n"},
                                                         {"/8/9", "0 7 8 t n"},
                                                         {"+7/-8/9", "6 -9 8 t n"},
                                                         {"7/8/9/10", "6 7 8 t n"},
                                                         {"7a/8b/9c", "6 7 8 t n"},
                                                         {"7/-/9", "6 0 8 n"},
                                                         {"0/0/0", "-1 -1 -1 t n"},
                                                         {"99999999999//2", "2147483647 0 1 n"}};
    for (const auto& [word, expected] : cases) {
        const ObjParser::WrittenCorner got = ObjParser::parseCorner(word);
        std::ostringstream text;
        text << got.corner.position << " " << got.corner.texCoord << " " << got.corner.normal
             << (got.hasTexCoord ? " t" : "") << (got.hasNormal ? " n" : "");
        EXPECT_EQ(text.str(), expected) << word;
    }
}

// A number is the longest one the word starts with, the rest of the word ignored, as stream
// extraction reads it; a word that starts with none is refused.
TEST(ObjParserTest, NumbersAreTheLongestPrefixOfTheirWord) {
    const std::pair<const char*, float> read[] = {
        {"2.", 2.0f},    {"3.1+e2", 3.1f}, {"-4e", -4.0f},   {"+.5x", 0.5f},
        {"1e-50", 0.0f}, {"1,5", 1.0f},    {"7/8", 7.0f},    {"0x1p3", 0.0f},
        {"-0", -0.0f},   {"1e3", 1000.0f}, {"-1e-60", -0.0f}};
    for (const auto& [word, value] : read) {
        float got = 99.0f;
        // The reader keeps a view of the line: the line must outlive it.
        const std::string line = std::string(" ") + word + " 5";
        WordReader words(line);
        ASSERT_TRUE(words.nextWordFloat(got)) << word;
        EXPECT_EQ(got, value) << word;
        EXPECT_EQ(std::signbit(got), std::signbit(value)) << word;
        float next = 0.0f;
        EXPECT_TRUE(words.nextWordFloat(next) && next == 5.0f) << "after " << word;
    }
    for (const char* word : {"", ".", "-", "+-1", "e5", "inf", "nan", "1e39", "-1e39", "x1"}) {
        float got = 99.0f;
        EXPECT_FALSE(WordReader(word).nextWordFloat(got)) << word;
        EXPECT_EQ(got, 99.0f) << word;
    }
}

// Lines longer than any block the stream is read in, from memory and from a stream.
TEST(ObjParserTest, LinesOfAnyLengthAreReadWhole) {
    const std::string name(200000, 'n');
    const std::string padded = "v 0 1 0" + std::string(100000, ' ') + "# far\n";
    const std::string text = "# " + std::string(70000, 'x') + "\nv 0 0 0\nv 1 0 0\n" + padded +
                             "g " + name + "\nf 1 2 3" + std::string(90000, '\t') + "\n";
    std::string error;
    const auto fromText = OBJLoader::buildGeometry(text, error);
    ASSERT_TRUE(fromText) << error;
    std::istringstream stream(text);
    const auto fromStream = OBJLoader::buildGeometry(stream, error);
    ASSERT_TRUE(fromStream) << error;
    for (const Mesh* mesh : {fromText.get(), fromStream.get()}) {
        ASSERT_EQ(mesh->groups.size(), 1u);
        EXPECT_EQ(mesh->groups[0]->name, name);
        EXPECT_EQ(mesh->groups[0]->positions, (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0}));
    }
    // The line number still counts long lines.
    std::istringstream refused(text + "f 1 2 4\n");
    EXPECT_FALSE(OBJLoader::buildGeometry(refused, error));
    EXPECT_NE(error.find("line 7:"), std::string::npos) << error;
}

TEST(MtlParserTest, MaterialsInFileOrderAndMapNames) {
    // A "Kd" before any "newmtl" is ignored; reading stops at the first number that does not read.
    const auto materials =
        MtlParser::parse("Kd 1 1 1\nnewmtl a\r\nKd 0.5 x 0.7\r\nmap_Kd my   wood.bmp \r\n"
                         "map_Bump textures\\bump.bmp\nmap_Normal c:/maps/normal map.bmp\n"
                         "newmtl b\nmap_Kd c:\\tex/wood.bmp\n");
    ASSERT_EQ(materials.size(), 2u);
    const Material& a = *materials[0];
    EXPECT_EQ(a.diffuse[0], 0.5f);
    EXPECT_EQ(a.diffuse[2], 0.0f);
    EXPECT_EQ(a.diffuseMap, "my wood.bmp");
    EXPECT_EQ(a.bumpMap, "bump.bmp");
    EXPECT_EQ(a.normalMap, "normal map.bmp");
    EXPECT_EQ(materials[1]->diffuseMap, "wood.bmp");
}

class OBJLoaderTest : public ZemTest::GLTest {
protected:
    OBJLoader loader;
    BMPLoader bmpLoader;
    ZemTest::ResourceScope files{&loader, &bmpLoader};
    ResourceManager& manager = files.manager;
};

TEST_F(OBJLoaderTest, LastMaterialOfANameWinsTexturesAndBuffersLiveWithTheMesh) {
    ASSERT_TRUE(GLEW_ARB_vertex_buffer_object);
    const std::string corners = triangle + "vt 0 0\nvn 0 0 1\n";
    files.write("lib.mtl", "newmtl red\nKd 1 0 0\nnewmtl wood\r\nmap_Kd textures\\wood.bmp\r\n"
                           "newmtl red\nKd 0 1 0\n");
    files.write("model.obj", "mtllib lib.mtl\n" + corners + "g one\nusemtl red\nf 1 2 3\n" +
                                 "g two\nusemtl blue\nf 1 2 3\ng three\nusemtl wood\nf 1 2 3\n");
    // 1 x 1, 24 bits, pixels at 54.
    const char header[] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  40,
                           0,   0,   0,  1, 0, 0, 0, 1, 0, 0, 0,  1, 0, 24, 0};
    files.write("wood.bmp", std::string(header, sizeof header) + std::string(28, '\0'));
    Mesh* mesh = manager.get<Mesh>("model.obj");
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->materials.size(), 3u);
    EXPECT_EQ(mesh->groups[0]->material, mesh->materials[2].get());
    EXPECT_EQ(mesh->groups[1]->material, nullptr) << "no material of that name";
    EXPECT_FALSE(manager.isCached("lib.mtl")) << "held only during the load";
    const MeshGroup& group = *mesh->groups[2];
    ASSERT_TRUE(group.material && group.material->diffuseTexture);
    const GLuint texture = group.material->diffuseTexture->texture, buffer = group.positionBuffer;
    EXPECT_TRUE(glIsTexture(texture) && glIsBufferARB(buffer));
    manager.release(mesh);
    EXPECT_FALSE(manager.isCached("wood.bmp"));
    EXPECT_FALSE(glIsTexture(texture) || glIsBufferARB(buffer));

    // A missing library is no error; a refused file is reported by name.
    files.write("nolib.obj", "mtllib missing.mtl\n" + corners + "g a\nusemtl red\nf 1 2 3\n");
    files.write("bad.obj", corners + "g a\nf 1 2 7\n");
    EXPECT_NE(manager.get("nolib.obj"), nullptr);
    ZemTest::captureReports();
    EXPECT_EQ(manager.get("bad.obj"), nullptr);
    const std::string reports = ZemTest::takeReports();
    // The reason first, then the name of what did not load.
    EXPECT_NE(reports.find("bad.obj: line 7"), std::string::npos) << reports;
    EXPECT_NE(reports.find("Unable to load bad.obj\n"), std::string::npos) << reports;
}

} // namespace
