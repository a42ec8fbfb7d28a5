#include "resource/OBJLoader.h"
#include "resource/BMPLoader.h"
#include "resource/Material.h"
#include "resource/Mesh.h"
#include "resource/ResourceManager.h"
#include "resource/Texture.h"

#include "support/GLContext.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

using namespace Zem::Resource;

const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\n";

// The loader against the real cache, with files in a temporary directory.
class OBJLoaderTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        ZemTest::GLTest::SetUp();
        manager.reset();
        manager.addSearchPath(dir.path() + "/");
        manager.registerLoader(&loader);
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

TEST_F(OBJLoaderTest, GroupsTakeTheLastMaterialOfTheirName) {
    write("lib.mtl", "newmtl red\nKd 1 0 0\nnewmtl wood\nmap_Kd wood.bmp\nnewmtl red\nKd 0 1 0\n");
    write("model.obj", "mtllib lib.mtl\n" + triangle +
                           "g one\nusemtl red\nf 1 2 3\ng two\nusemtl blue\nf 1 2 3\n");
    Mesh* mesh = manager.get<Mesh>("model.obj");
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->materials.size(), 3u);
    EXPECT_EQ(mesh->groups[0]->material, mesh->materials[2].get());
    EXPECT_EQ(mesh->groups[1]->material, nullptr) << "no material of that name";
    // With no "bmp" loader the map stays unloaded and the load goes on.
    EXPECT_EQ(mesh->materials[1]->diffuseTexture, nullptr);
    EXPECT_FALSE(manager.isCached("lib.mtl")) << "held only during the load";
}

TEST_F(OBJLoaderTest, AMissingLibraryIsNoErrorButARefusedFileIsReportedByName) {
    write("model.obj", "mtllib missing.mtl\n" + triangle + "g a\nusemtl red\nf 1 2 3\n");
    write("bad.obj", triangle + "g a\nf 1 2 7\n");
    Mesh* mesh = manager.get<Mesh>("model.obj");
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->groups[0]->material, nullptr);

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(manager.get("bad.obj"), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Unable to load bad.obj\n");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("bad.obj: line 7"), std::string::npos) << err;
}

// Buffers made and the map's texture acquired; the mesh's release gives both back.
TEST_F(OBJLoaderTest, LoadedMeshIsUploadedAndReleasesItsTextures) {
    ASSERT_TRUE(GLEW_ARB_vertex_buffer_object);
    manager.registerLoader(&bmpLoader);
    write("lib.mtl", "newmtl wood\r\nmap_Kd textures\\wood.bmp\r\n");
    write("model.obj",
          "mtllib lib.mtl\n" + triangle + "g part\nusemtl wood\nf 1/1/1 2/1/1 3/1/1\n");
    // 1 x 1, 24 bits, pixels at 54.
    const char header[] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  40,
                           0,   0,   0,  1, 0, 0, 0, 1, 0, 0, 0,  1, 0, 24, 0};
    write("wood.bmp", std::string(header, sizeof header) + std::string(28, '\0'));

    Mesh* mesh = manager.get<Mesh>("model.obj");
    ASSERT_NE(mesh, nullptr);
    const MeshGroup& group = *mesh->groups[0];
    EXPECT_NE(group.tangentBuffer, 0u);
    ASSERT_NE(group.material, nullptr);
    ASSERT_NE(group.material->diffuseTexture, nullptr);
    const GLuint texture = group.material->diffuseTexture->texture;
    const GLuint buffer = group.positionBuffer;
    EXPECT_TRUE(glIsTexture(texture));
    EXPECT_TRUE(glIsBufferARB(buffer));

    manager.release(mesh);
    EXPECT_FALSE(manager.isCached("wood.bmp"));
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_FALSE(glIsBufferARB(buffer));
}

} // namespace
