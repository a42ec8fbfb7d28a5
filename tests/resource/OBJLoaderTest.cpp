#include "resource/OBJLoader.h"
#include "resource/Mesh.h"
#include "resource/ResourceManager.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

using namespace Zem::Resource;

const char* const triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\n";

// The loader against the real resource cache, with files in a temporary directory. Nothing
// here has a texture loader, so no GL is needed.
class OBJLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResourceManager::instance().reset();
        ResourceManager::instance().addSearchPath(dir.path() + "/");
        ResourceManager::instance().registerLoader(&loader);
    }
    void TearDown() override { ResourceManager::instance().reset(); }

    void write(const std::string& name, const std::string& text) const {
        std::ofstream(dir.file(name), std::ios::binary) << text;
    }

    ZemTest::TempDir dir;
    OBJLoader loader;
};

TEST_F(OBJLoaderTest, GroupsTakeTheLastMaterialOfTheirName) {
    write("lib.mtl", "newmtl red\nKd 1 0 0\nnewmtl wood\nmap_Kd wood.bmp\nnewmtl red\nKd 0 1 0\n");
    write("model.obj", std::string("mtllib lib.mtl\n") + triangle +
                           "g one\nusemtl red\nf 1 2 3\ng two\nusemtl blue\nf 1 2 3\n"
                           "g three\nf 1 2 3\n");
    ResourceManager& manager = ResourceManager::instance();
    Mesh* mesh = manager.get<Mesh>("model.obj");
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->refCount, 1);
    ASSERT_EQ(mesh->materials.size(), 3u);
    ASSERT_EQ(mesh->groups.size(), 3u);
    EXPECT_EQ(mesh->groups[0]->material, mesh->materials[2].get());
    EXPECT_EQ(mesh->groups[0]->material->diffuse[1], 1.0f);
    EXPECT_EQ(mesh->groups[1]->material, nullptr) << "no material of that name";
    EXPECT_EQ(mesh->groups[2]->material, nullptr);
    // No loader takes "bmp" here: the slot stays empty and the load goes on.
    EXPECT_EQ(mesh->materials[1]->diffuseMap, "wood.bmp");
    EXPECT_EQ(mesh->materials[1]->diffuseTexture, nullptr);
    // The library was held only during the load.
    EXPECT_FALSE(manager.isCached("lib.mtl"));
    manager.release(mesh);
    EXPECT_FALSE(manager.isCached("model.obj"));
}

TEST_F(OBJLoaderTest, MaterialLibrariesCanBeGotByNameAfterTheFirstLoad) {
    write("lib.mtl", "newmtl a\nnewmtl b\n");
    write("model.obj", std::string(triangle) + "g a\nf 1 2 3\n");
    ResourceManager& manager = ResourceManager::instance();
    EXPECT_EQ(manager.get("lib.mtl"), nullptr) << "no mtl loader before the first OBJ load";
    ASSERT_NE(manager.get<Mesh>("model.obj"), nullptr);
    Mesh* library = manager.get<Mesh>("lib.mtl");
    ASSERT_NE(library, nullptr);
    EXPECT_TRUE(library->groups.empty());
    ASSERT_EQ(library->materials.size(), 2u);
    EXPECT_EQ(library->materials[1]->name, "b");
}

TEST_F(OBJLoaderTest, OnlyTheLastLibraryCountsAndAMissingOneIsNoError) {
    write("lib.mtl", "newmtl red\n");
    write("model.obj", std::string("mtllib lib.mtl\nmtllib missing.mtl\n") + triangle +
                           "g a\nusemtl red\nf 1 2 3\n");
    Mesh* mesh = ResourceManager::instance().get<Mesh>("model.obj");
    ASSERT_NE(mesh, nullptr);
    EXPECT_TRUE(mesh->materials.empty());
    EXPECT_EQ(mesh->groups[0]->material, nullptr);
}

TEST_F(OBJLoaderTest, RefusedFileIsReportedByNameAndNotCached) {
    write("bad.obj", std::string(triangle) + "g a\nf 1 2 7\n");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(ResourceManager::instance().get("bad.obj"), nullptr);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "Unable to load bad.obj\n");
    EXPECT_NE(err.find("bad.obj: line 7"), std::string::npos) << err;
    EXPECT_FALSE(ResourceManager::instance().isCached("bad.obj"));
}

} // namespace
