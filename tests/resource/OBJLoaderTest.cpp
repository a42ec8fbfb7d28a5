#include "resource/OBJLoader.h"
#include "resource/BMPLoader.h"
#include "resource/Material.h"
#include "resource/Mesh.h"
#include "resource/MtlParser.h"
#include "resource/ResourceManager.h"
#include "resource/Texture.h"
#include "resource/VertexUnifier.h"

#include "support/GLContext.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <fstream>
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

TEST(ObjParserTest, CornersAreSharedOnlyWhenEveryValueIsEqual) {
    // Same position with two normals; corner 1/1/1 again in the third face.
    const auto shared = firstGroup(triangle + "vt 0 0\nvn 0 0 1\nvn 0 0 -1\ng a\n"
                                              "f 1/1/1 2/1/1 3/1/1\nf 1/1/2 3/1/2 2/1/2\n"
                                              "f 1/1/1 3/1/1 2/1/2\n");
    EXPECT_EQ(shared->indices, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 0, 2, 5}));
    EXPECT_EQ(shared->positions.size(), 18u);
}

TEST(ObjParserTest, TrianglesWithAnyTwoPositionsEqualAreDroppedTheirVerticesKept) {
    // Positions 2 and 2, then 1 and 1, each pair told apart by its texture coordinate.
    const auto group = firstGroup(square + "g a\nf 1/1/1 2/2/2 2/3/2\nf 1/1/1 2/2/2 1/3/3\n"
                                           "f 1/1/1 2/2/2 3/3/3\n");
    EXPECT_EQ(group->indices, (std::vector<uint32_t>{0, 1, 4}));
    EXPECT_EQ(group->positions.size(), 15u);
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

TEST(ObjParserTest, LateVerticesAndTheOmittedTextureIndex) {
    const std::string faces = "g a\nf 1/1/1 2/2/2 3/3/3 4/4/4\n";
    EXPECT_EQ(firstGroup(faces + square)->positions, firstGroup(square + faces)->positions);
    // "1//1" takes the first texture coordinate.
    const auto group =
        firstGroup(triangle + "vt 0.25 0.75\nvt 1 1\nvn 0 0 1\ng a\nf 1//1 2//1 3//1\n");
    EXPECT_EQ(group->texCoords, (std::vector<float>{.25f, .75f, .25f, .75f, .25f, .75f}));
}

TEST(ObjParserTest, FilesTheLoaderCannotTrustAreRefused) {
    const std::string comment = "# " + std::string(1021, 'x') + "\n";
    const std::string tooLong = square + "x" + comment + "g a\nf 1/1/1 2/2/2 3/3/3\n";
    const std::string face = "g a\nf 1/1/1 2/2/2 3/3/3\n";
    const std::pair<std::string, bool> cases[] = {
        {square + "g a\nf 1/1/1 1/1/1 2/2/2\n", true}, // a repeated word ends the face
        {square + "g a\nf 1/1/1 2/2/2 3/3/3 4/4/4 4/4/4\n", false},
        {square + "g a\nf 1/1/1 2/2/2 3/3/3  \t\r\n", false},
        {square + "f 1/1/1 2/2/2 3/3/3\n", true},
        {square + "usemtl wood\n" + face, true},
        {square + "g a\nf 0/1/1 2/2/2 3/3/3\n", true},
        {square + "g a\nf -1/1/1 2/2/2 3/3/3\n", true},
        {square + "g a\nf 1/1/1 2/2/2 5/3/3\n", true},
        {square + "g a\nf 1/1/1 2/2/2 3/3/99999999999\n", true},
        {triangle + "vn 0 0 1\ng a\nf 1//1 2//1 3//1\n", true},
        {triangle + "vt 0 0\ng a\nf 1/1 2/1 3/1\n", true},
        {square + "g empty\n" + face, true},
        {square + "g a\nf 1/1/1 1/1/2 2/2/2\n", true}, // only a degenerate triangle
        {square + "v 1 2\n" + face, true},
        {square + "vn 1 2 z\n" + face, true},
        {square + "vt 1 2abc\n" + face, true},
        {square + "g a\nf 1/1/1 2/2/2\n", true},
        {square + comment + face, false}, // 1023 characters
        {tooLong, true}};
    for (const auto& [text, refused] : cases) {
        EXPECT_EQ(!refusal(text).empty(), refused) << text.substr(text.size() - 40);
    }
    EXPECT_NE(refusal(tooLong).find("line 13"), std::string::npos) << refusal(tooLong);
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
    void SetUp() override {
        ZemTest::GLTest::SetUp();
        manager.reset();
        manager.addSearchPath(dir.path() + "/");
        manager.registerLoader(&loader);
        manager.registerLoader(&bmpLoader);
    }
    void TearDown() override { manager.reset(); }

    void write(const std::string& name, const std::string& text) const {
        std::ofstream(dir.file(name), std::ios::binary) << text;
    }

    ResourceManager& manager = ResourceManager::instance();
    ZemTest::TempDir dir;
    OBJLoader loader;
    BMPLoader bmpLoader;
};

TEST_F(OBJLoaderTest, LastMaterialOfANameWinsTexturesAndBuffersLiveWithTheMesh) {
    ASSERT_TRUE(GLEW_ARB_vertex_buffer_object);
    const std::string corners = triangle + "vt 0 0\nvn 0 0 1\n";
    write("lib.mtl", "newmtl red\nKd 1 0 0\nnewmtl wood\r\nmap_Kd textures\\wood.bmp\r\n"
                     "newmtl red\nKd 0 1 0\n");
    write("model.obj", "mtllib lib.mtl\n" + corners + "g one\nusemtl red\nf 1 2 3\n" +
                           "g two\nusemtl blue\nf 1 2 3\ng three\nusemtl wood\nf 1 2 3\n");
    // 1 x 1, 24 bits, pixels at 54.
    const char header[] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  40,
                           0,   0,   0,  1, 0, 0, 0, 1, 0, 0, 0,  1, 0, 24, 0};
    write("wood.bmp", std::string(header, sizeof header) + std::string(28, '\0'));
    Mesh* mesh = manager.get<Mesh>("model.obj");
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->materials.size(), 3u);
    EXPECT_EQ(mesh->groups[0]->material, mesh->materials[2].get());
    EXPECT_EQ(mesh->groups[1]->material, nullptr) << "no material of that name";
    EXPECT_FALSE(manager.isCached("lib.mtl")) << "held only during the load";
    const MeshGroup& group = *mesh->groups[2];
    ASSERT_TRUE(group.material && group.material->diffuseTexture);
    const GLuint texture = group.material->diffuseTexture->texture;
    EXPECT_TRUE(glIsTexture(texture));
    EXPECT_TRUE(glIsBufferARB(group.positionBuffer));
    const GLuint buffer = group.positionBuffer;
    manager.release(mesh);
    EXPECT_FALSE(manager.isCached("wood.bmp"));
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_FALSE(glIsBufferARB(buffer));

    // A missing library is no error; a refused file is reported by name.
    write("nolib.obj", "mtllib missing.mtl\n" + corners + "g a\nusemtl red\nf 1 2 3\n");
    write("bad.obj", corners + "g a\nf 1 2 7\n");
    EXPECT_NE(manager.get("nolib.obj"), nullptr);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(manager.get("bad.obj"), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Unable to load bad.obj\n");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("bad.obj: line 7"), std::string::npos) << err;
}

} // namespace
