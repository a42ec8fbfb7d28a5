#include "resource/OBJLoader.h"
#include "resource/BMPLoader.h"
#include "resource/Material.h"
#include "resource/Mesh.h"
#include "resource/ResourceManager.h"
#include "resource/Texture.h"

#include "ResourceTestSupport.h"

namespace {

using namespace Zem::Resource;
using ResourceTest::mentions;
using ResourceTest::square;

// model.obj: groups "one", "two" and "three" using materials "red" (twice in its library),
// "blue" (in none) and "wood" (with a diffuse map), loaded and held.
class OBJLoaderTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        ZemTest::GLTest::SetUp();
        ASSERT_TRUE(GLEW_ARB_vertex_buffer_object);
        files.write("lib.mtl", "newmtl red\nKd 1 0 0\nnewmtl wood\r\nmap_Kd textures\\wood.bmp\r\n"
                               "newmtl red\nKd 0 1 0\n");
        files.write("model.obj",
                    "mtllib lib.mtl\n" + corners + "g one\nusemtl red\nf 1 2 3\n" +
                        "g two\nusemtl blue\nf 1 2 3\ng three\nusemtl wood\nf 1 2 3\n");
        files.write("wood.bmp", ResourceTest::bmpFile(1, 1));
        model = manager.get<Mesh>("model.obj");
        ASSERT_NE(model, nullptr);
        ASSERT_EQ(model->groups.size(), 3u);
    }
    // Why buildGeometry refuses the text, or "" when it builds a mesh.
    static std::string refusal(const std::string& text) {
        std::string error;
        return OBJLoader::buildGeometry(text, error) ? std::string() : error;
    }

    const std::string corners = ResourceTest::triangle + "vt 0 0\nvn 0 0 1\n";
    OBJLoader loader;
    BMPLoader bmpLoader;
    ZemTest::ResourceScope files{&loader, &bmpLoader};
    ResourceManager& manager = files.manager;
    Mesh* model = nullptr;
};

TEST_F(OBJLoaderTest, TheLastMaterialOfANameWins) {
    ASSERT_EQ(model->materials.size(), 3u);
    EXPECT_EQ(model->groups[0]->material, model->materials[2].get());
}

TEST_F(OBJLoaderTest, AGroupWhoseMaterialTheLibraryLacksHasNone) {
    EXPECT_EQ(model->groups[1]->material, nullptr);
}

TEST_F(OBJLoaderTest, TheLibraryIsCachedOnlyDuringTheLoad) {
    EXPECT_FALSE(manager.isCached("lib.mtl"));
}

// A reload's trial load of a file whose library line names a mesh in use must leave that mesh
// its materials: its groups point at them.
TEST_F(OBJLoaderTest, AMeshInUseNamedAsALibraryKeepsItsMaterials) {
    files.write("borrower.obj", "mtllib model.obj\n" + corners + "g one\nusemtl red\nf 1 2 3\n");
    ASSERT_NE(manager.loadUncached("borrower.obj"), nullptr);
    ASSERT_EQ(model->materials.size(), 3u);
    EXPECT_EQ(model->groups[0]->material, model->materials[2].get());
}

TEST_F(OBJLoaderTest, AMaterialsMapIsLoadedAsATexture) {
    const Material* wood = model->groups[2]->material;
    ASSERT_TRUE(wood != nullptr && wood->diffuseTexture != nullptr);
    EXPECT_TRUE(glIsTexture(wood->diffuseTexture->texture));
}

TEST_F(OBJLoaderTest, EachGroupGetsItsBufferObjects) {
    for (const auto& group : model->groups) {
        EXPECT_TRUE(glIsBufferARB(group->positionBuffer)) << group->name;
    }
}

TEST_F(OBJLoaderTest, ReleasingTheMeshGivesItsTexturesBack) {
    const Material* wood = model->groups[2]->material;
    ASSERT_TRUE(wood != nullptr && wood->diffuseTexture != nullptr);
    const GLuint texture = wood->diffuseTexture->texture;
    manager.release(model);
    EXPECT_FALSE(manager.isCached("wood.bmp"));
    EXPECT_FALSE(glIsTexture(texture));
}

TEST_F(OBJLoaderTest, AMissingLibraryIsNoError) {
    files.write("nolib.obj", "mtllib missing.mtl\n" + corners + "g a\nusemtl red\nf 1 2 3\n");
    EXPECT_NE(manager.get("nolib.obj"), nullptr);
}

// The reason first, then the name of what did not load.
TEST_F(OBJLoaderTest, ARefusedFileIsReportedWithItsLineThenUnableToLoad) {
    files.write("bad.obj", corners + "g a\nf 1 2 7\n");
    const ZemTest::ReportRecorder recorder;
    EXPECT_EQ(manager.get("bad.obj"), nullptr);
    ASSERT_EQ(recorder.lines.size(), 2u) << recorder.text();
    EXPECT_TRUE(mentions(recorder.lines[0], {"bad.obj", "line 7"})) << recorder.lines[0];
    EXPECT_EQ(recorder.lines[1], "Unable to load bad.obj");
}

TEST_F(OBJLoaderTest, EachGroupGetsItsTangentFrame) {
    std::string error;
    const auto mesh =
        OBJLoader::buildGeometry(square + "g quad\nf 1/1/1 2/2/2 3/3/3 4/4/4\n", error);
    ASSERT_TRUE(mesh) << error;
    const MeshGroup& group = *mesh->groups.at(0);
    EXPECT_TRUE(group.flags & MeshGroup::Tangents);
    EXPECT_EQ(group.tangents.size(), 12u);
    EXPECT_EQ(group.binormals.size(), 12u);
}

TEST_F(OBJLoaderTest, OfTwoLibrariesTheLastIsHandedOn) {
    std::string error;
    std::string library;
    EXPECT_TRUE(OBJLoader::buildGeometry("mtllib a.mtl\n" + corners + "mtllib b.mtl\nf 1 2 3\n",
                                         error, &library));
    EXPECT_EQ(library, "b.mtl");
}

// Buffers and draws need at least one triangle.
TEST_F(OBJLoaderTest, AGroupLeftWithoutATriangleIsRefusedByName) {
    const std::string face = "g a\nf 1/1/1 2/2/2 3/3/3\n";
    for (const auto& [text, group] : {std::pair{square + "g empty\n" + face, "\"empty\""},
                                      std::pair{square + "g a\nf 1/1/1 1/1/2 2/2/2\n", "\"a\""}}) {
        const std::string why = refusal(text);
        EXPECT_TRUE(mentions(why, {group})) << text << why;
    }
}

} // namespace
