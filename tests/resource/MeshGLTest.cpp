#include "resource/BMPLoader.h"
#include "resource/Material.h"
#include "resource/Mesh.h"
#include "resource/OBJLoader.h"
#include "resource/ResourceManager.h"
#include "resource/Texture.h"
#include "resource/computeTangentFrame.h"

#include "support/GLContext.h"
#include "support/ImageCapture.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <memory>
#include <vector>

namespace {

using namespace Zem::Resource;

// A square from (x0, y0) to (x1, y1) in clip space, facing +Z, with its tangent frame.
std::unique_ptr<MeshGroup> square(float x0, float y0, float x1, float y1) {
    auto group = std::make_unique<MeshGroup>();
    group->positions = {x0, y0, 0, x1, y0, 0, x1, y1, 0, x0, y1, 0};
    group->normals = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
    group->texCoords = {0, 0, 1, 0, 1, 1, 0, 1};
    group->indices = {0, 1, 2, 0, 2, 3};
    computeTangentFrame(group->positions, group->texCoords, group->normals, group->indices,
                        group->tangents, group->binormals);
    group->flags |= MeshGroup::Tangents;
    return group;
}

std::array<float, 4> material(GLenum face, GLenum value) {
    std::array<float, 4> v{-1, -1, -1, -1};
    glGetMaterialfv(face, value, v.data());
    return v;
}

GLint boundTexture(GLenum unit) {
    glActiveTexture(unit);
    GLint name = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return name;
}

GLuint makeTexture() {
    Texture texture;
    texture.width = 1;
    texture.height = 1;
    texture.pixels = {255, 0, 0};
    uploadTexture(texture);
    const GLuint name = texture.texture;
    texture.texture = 0;
    return name;
}

class MeshGLTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        ZemTest::GLTest::SetUp();
        ASSERT_TRUE(GLEW_ARB_vertex_buffer_object);
        glUseProgram(0);
        glViewport(0, 0, gl().width(), gl().height());
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_CULL_FACE);
        glDisable(GL_BLEND);
        glDisable(GL_SCISSOR_TEST);
        glDisable(GL_STENCIL_TEST);
        glDisable(GL_CLIP_PLANE0);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
        while (glGetError() != GL_NO_ERROR) {
        }
    }
};

TEST_F(MeshGLTest, MaterialHandsGLFourValuesPerColour) {
    Mesh mesh;
    mesh.materials.push_back(std::make_unique<Material>());
    Material& shiny = *mesh.materials[0];
    shiny.diffuse[0] = shiny.diffuse[1] = shiny.diffuse[2] = 0.5f;
    shiny.specular[0] = shiny.specular[1] = shiny.specular[2] = 0.25f;
    shiny.shininess = 32.0f;
    mesh.groups.push_back(square(-1, -1, 1, 1));
    mesh.groups[0]->material = &shiny;
    const float stale[4] = {0.9f, 0.9f, 0.9f, 0.9f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, stale);

    drawMesh(mesh);

    for (const GLenum face : {GL_FRONT, GL_BACK}) {
        EXPECT_EQ(material(face, GL_DIFFUSE), (std::array<float, 4>{0.5f, 0.5f, 0.5f, 0.25f}));
        EXPECT_EQ(material(face, GL_SPECULAR), (std::array<float, 4>{0.25f, 0.25f, 0.25f, 32}));
        EXPECT_EQ(material(face, GL_AMBIENT), (std::array<float, 4>{0, 0, 0, 0}));
        float shininess = 0;
        glGetMaterialfv(face, GL_SHININESS, &shininess);
        EXPECT_EQ(shininess, 32.0f);
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(MeshGLTest, GroupWithoutMaterialBindsTextureZeroAndKeepsTheGLMaterial) {
    Mesh mesh;
    mesh.groups.push_back(square(-1, -1, 1, 1));
    const GLuint texture = makeTexture();
    for (GLenum unit = GL_TEXTURE0; unit <= GL_TEXTURE3; ++unit) {
        glActiveTexture(unit);
        glBindTexture(GL_TEXTURE_2D, texture);
    }
    const float earlier[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, earlier);

    drawMesh(mesh);

    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE0);
    for (GLenum unit = GL_TEXTURE3; unit >= GL_TEXTURE0; --unit) {
        EXPECT_EQ(boundTexture(unit), 0) << "unit " << unit - GL_TEXTURE0;
    }
    EXPECT_EQ(material(GL_FRONT, GL_DIFFUSE), (std::array<float, 4>{0.1f, 0.2f, 0.3f, 0.4f}));
    glDeleteTextures(1, &texture);
}

TEST_F(MeshGLTest, EachMapGoesToItsUnit) {
    Texture diffuse;
    Texture normal;
    for (Texture* texture : {&diffuse, &normal}) {
        texture->width = 1;
        texture->height = 1;
        texture->pixels = {1, 2, 3};
        uploadTexture(*texture);
    }
    Mesh mesh;
    mesh.materials.push_back(std::make_unique<Material>());
    // Not from the cache: the material's release of them at the end is ignored.
    mesh.materials[0]->diffuseTexture = &diffuse;
    mesh.materials[0]->normalTexture = &normal;
    mesh.groups.push_back(square(-1, -1, 1, 1));
    mesh.groups[0]->material = mesh.materials[0].get();

    drawMesh(mesh);

    EXPECT_EQ(boundTexture(GL_TEXTURE0), GLint(diffuse.texture));
    EXPECT_EQ(boundTexture(GL_TEXTURE1), 0);
    EXPECT_EQ(boundTexture(GL_TEXTURE2), 0);
    EXPECT_EQ(boundTexture(GL_TEXTURE3), GLint(normal.texture));
}

class MeshDrawTest : public MeshGLTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MeshDrawTest, EveryGroupIsDrawn) {
    const bool uploaded = GetParam();
    Mesh mesh;
    mesh.groups.push_back(square(-1, -1, -0.25f, 1));
    // Nothing to draw here; skipped without disturbing the others.
    mesh.groups.push_back(std::make_unique<MeshGroup>());
    mesh.groups.push_back(square(0.25f, -1, 1, 1));
    if (uploaded) {
        uploadBuffers(*mesh.groups[0]);
        uploadBuffers(*mesh.groups[2]);
    }
    // As a buffer draw before this one leaves it: the tangent set switched on.
    glClientActiveTexture(GL_TEXTURE1);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glClientActiveTexture(GL_TEXTURE0);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 1, 1);

    drawMesh(mesh);

    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    const int w = gl().width();
    const int h = gl().height();
    const ZemTest::ImageCapture image = ZemTest::ImageCapture::readFramebuffer(0, 0, w, h);
    const std::array<uint8_t, 3> white{255, 255, 255};
    const std::array<uint8_t, 3> black{0, 0, 0};
    EXPECT_EQ(image.pixel(w / 8, h / 2), white) << "first group";
    EXPECT_EQ(image.pixel(w - w / 8, h / 2), white) << "last group";
    EXPECT_EQ(image.pixel(w / 2, h / 2), black) << "the gap between them";

    // The buffer path hands the tangent frame over as texture coordinate sets 1 and 2.
    glClientActiveTexture(GL_TEXTURE1);
    GLint tangentBuffer = -1;
    glGetIntegerv(GL_TEXTURE_COORD_ARRAY_BUFFER_BINDING, &tangentBuffer);
    GLint enabled = -1;
    glGetIntegerv(GL_TEXTURE_COORD_ARRAY, &enabled);
    glClientActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(enabled, uploaded ? GL_TRUE : GL_FALSE);
    if (uploaded) {
        EXPECT_EQ(tangentBuffer, GLint(mesh.groups[2]->tangentBuffer));
    }
}

INSTANTIATE_TEST_SUITE_P(BufferObjectsAndClientMemory, MeshDrawTest, ::testing::Bool());

TEST_F(MeshGLTest, UploadMakesOneBufferPerArray) {
    std::unique_ptr<MeshGroup> group = square(-1, -1, 1, 1);
    uploadBuffers(*group);
    auto size = [](GLuint buffer, GLenum target) {
        glBindBufferARB(target, buffer);
        GLint bytes = -1;
        glGetBufferParameterivARB(target, GL_BUFFER_SIZE_ARB, &bytes);
        glBindBufferARB(target, 0);
        return bytes;
    };
    EXPECT_EQ(size(group->indexBuffer, GL_ELEMENT_ARRAY_BUFFER_ARB), 6 * 4);
    EXPECT_EQ(size(group->positionBuffer, GL_ARRAY_BUFFER_ARB), 12 * 4);
    EXPECT_EQ(size(group->normalBuffer, GL_ARRAY_BUFFER_ARB), 12 * 4);
    EXPECT_EQ(size(group->tangentBuffer, GL_ARRAY_BUFFER_ARB), 12 * 4);
    EXPECT_EQ(size(group->binormalBuffer, GL_ARRAY_BUFFER_ARB), 12 * 4);
    EXPECT_EQ(size(group->texCoordBuffer, GL_ARRAY_BUFFER_ARB), 8 * 4);

    std::unique_ptr<MeshGroup> plain = square(-1, -1, 1, 1);
    plain->flags = 0;
    uploadBuffers(*plain);
    EXPECT_EQ(plain->tangentBuffer, 0u);
    EXPECT_EQ(plain->binormalBuffer, 0u);
    EXPECT_NE(plain->texCoordBuffer, 0u);
}

TEST_F(MeshGLTest, DestroyingAMeshDeletesItsBufferNames) {
    auto mesh = std::make_unique<Mesh>();
    mesh->groups.push_back(square(-1, -1, 0, 0));
    mesh->groups.push_back(square(0, 0, 1, 1));
    std::vector<GLuint> names;
    for (const auto& group : mesh->groups) {
        uploadBuffers(*group);
        names.insert(names.end(),
                     {group->positionBuffer, group->normalBuffer, group->tangentBuffer,
                      group->binormalBuffer, group->texCoordBuffer, group->indexBuffer});
    }
    for (const GLuint name : names) {
        EXPECT_TRUE(glIsBufferARB(name)) << name;
    }
    mesh.reset();
    for (const GLuint name : names) {
        EXPECT_FALSE(glIsBufferARB(name)) << name;
    }
}

// Loading through the cache: buffers made, the map's texture acquired, and both given back.
TEST_F(MeshGLTest, LoadedMeshIsUploadedAndReleasesItsTextures) {
    ZemTest::TempDir dir;
    std::ofstream(dir.file("lib.mtl"), std::ios::binary)
        << "newmtl wood\r\nKd 1 1 1\r\nmap_Kd textures\\wood.bmp\r\n";
    std::ofstream(dir.file("model.obj"), std::ios::binary)
        << "mtllib lib.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\nvn 0 0 1\n"
           "g part\nusemtl wood\nf 1/1/1 2/2/1 3/3/1\n";
    // 1 x 1, 24 bits, pixels at 54.
    std::string bmp(58, '\0');
    const unsigned char header[] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  40,
                                    0,   0,   0,  1, 0, 0, 0, 1, 0, 0, 0,  1, 0, 24, 0};
    std::copy(std::begin(header), std::end(header), bmp.begin());
    std::ofstream(dir.file("wood.bmp"), std::ios::binary) << bmp;

    ResourceManager& manager = ResourceManager::instance();
    manager.reset();
    manager.addSearchPath(dir.path() + "/");
    OBJLoader objLoader;
    BMPLoader bmpLoader;
    // Emptied before the loaders above go away, even when an assertion ends the test early.
    struct ResetCache {
        ~ResetCache() { ResourceManager::instance().reset(); }
    } resetCache;
    manager.registerLoader(&objLoader);
    manager.registerLoader(&bmpLoader);

    Mesh* mesh = manager.get<Mesh>("model.obj");
    ASSERT_NE(mesh, nullptr);
    const MeshGroup& group = *mesh->groups[0];
    EXPECT_NE(group.indexBuffer, 0u);
    EXPECT_NE(group.tangentBuffer, 0u);
    ASSERT_NE(group.material, nullptr);
    const Texture* wood = group.material->diffuseTexture;
    ASSERT_NE(wood, nullptr);
    const GLuint textureName = wood->texture;
    EXPECT_TRUE(glIsTexture(textureName));
    EXPECT_EQ(wood->refCount, 1);

    drawMesh(mesh);
    EXPECT_EQ(boundTexture(GL_TEXTURE0), GLint(textureName));
    const GLuint buffer = group.positionBuffer;

    manager.release(mesh);
    EXPECT_FALSE(manager.isCached("model.obj"));
    EXPECT_FALSE(manager.isCached("wood.bmp"));
    EXPECT_FALSE(glIsTexture(textureName));
    EXPECT_FALSE(glIsBufferARB(buffer));
    manager.reset();
}

} // namespace
