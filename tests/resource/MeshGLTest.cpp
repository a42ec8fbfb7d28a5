#include "resource/Material.h"
#include "resource/Mesh.h"
#include "resource/Texture.h"
#include "resource/computeTangentFrame.h"

#include "support/GLContext.h"
#include "support/ImageCapture.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

namespace {

using namespace Zem::Resource;
using Floats = std::array<float, 4>;

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

Floats material(GLenum value) {
    Floats v{-1, -1, -1, -1};
    glGetMaterialfv(GL_FRONT, value, v.data());
    return v;
}

// The texture bound on units 0 to 3 after binding `name` on all of them and drawing the mesh.
std::array<GLint, 4> unitsAfterDrawing(const Mesh& mesh, GLuint name) {
    std::array<GLint, 4> bound{};
    for (GLenum unit = 0; unit < 4; ++unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, name);
    }
    drawMesh(mesh);
    for (GLenum unit = 0; unit < 4; ++unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound[unit]);
    }
    return bound;
}

class MeshGLTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        ZemTest::GLTest::SetUp();
        ASSERT_TRUE(GLEW_ARB_vertex_buffer_object);
        glViewport(0, 0, gl().width(), gl().height());
        while (glGetError() != GL_NO_ERROR) {
        }
    }
};

TEST_F(MeshGLTest, MaterialValuesAndTextureUnits) {
    Texture wood; // not from the cache: the material's release of it is ignored
    wood.width = wood.height = 1;
    wood.pixels = {1, 2, 3};
    uploadTexture(wood);
    Mesh mesh;
    mesh.groups.push_back(square(-1, -1, 1, 1));
    const float earlier[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, earlier);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, earlier);
    EXPECT_EQ(unitsAfterDrawing(mesh, wood.texture), (std::array<GLint, 4>{0, 0, 0, 0}));
    EXPECT_EQ(material(GL_DIFFUSE), (Floats{0.1f, 0.2f, 0.3f, 0.4f})) << "no material, no change";

    mesh.materials.push_back(std::make_unique<Material>());
    Material& shiny = *mesh.materials[0];
    std::fill_n(shiny.diffuse, 3, 0.5f);
    std::fill_n(shiny.specular, 3, 0.25f);
    shiny.shininess = 32.0f;
    shiny.diffuseTexture = &wood;
    mesh.groups[0]->material = &shiny;
    EXPECT_EQ(unitsAfterDrawing(mesh, wood.texture),
              (std::array<GLint, 4>{GLint(wood.texture), 0, 0, 0}));
    EXPECT_EQ(material(GL_DIFFUSE), (Floats{0.5f, 0.5f, 0.5f, 0.25f}));
    EXPECT_EQ(material(GL_SPECULAR), (Floats{0.25f, 0.25f, 0.25f, 32}));
    EXPECT_EQ(material(GL_AMBIENT), (Floats{0, 0, 0, 0}));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

class MeshDrawTest : public MeshGLTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MeshDrawTest, EveryGroupIsDrawnAndBuffersDieWithTheMesh) {
    const bool uploaded = GetParam();
    auto mesh = std::make_unique<Mesh>();
    mesh->groups.push_back(square(-1, -1, -0.25f, 1));
    mesh->groups.push_back(std::make_unique<MeshGroup>()); // nothing to draw: skipped
    mesh->groups.push_back(square(0.25f, -1, 1, 1));
    std::vector<GLuint> buffers;
    for (std::size_t i = 0; uploaded && i < 3; i += 2) {
        const MeshGroup& group = *mesh->groups[i];
        uploadBuffers(*mesh->groups[i]);
        buffers.insert(buffers.end(),
                       {group.positionBuffer, group.normalBuffer, group.tangentBuffer,
                        group.binormalBuffer, group.texCoordBuffer, group.indexBuffer});
    }
    // Tangents are texture coordinate set 1 on the buffer path only: the client path turns it off.
    glClientActiveTexture(GL_TEXTURE1);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glClientActiveTexture(GL_TEXTURE0);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 1, 1);
    drawMesh(mesh.get());
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glClientActiveTexture(GL_TEXTURE1);
    EXPECT_EQ(glIsEnabled(GL_TEXTURE_COORD_ARRAY), uploaded ? GL_TRUE : GL_FALSE);
    glClientActiveTexture(GL_TEXTURE0);
    const int w = gl().width(), h = gl().height();
    const auto image = ZemTest::ImageCapture::readFramebuffer(0, 0, w, h);
    const std::array<uint8_t, 3> white{255, 255, 255};
    EXPECT_EQ(image.pixel(w / 8, h / 2), white) << "first";
    EXPECT_EQ(image.pixel(w - w / 8, h / 2), white) << "last";
    EXPECT_EQ(image.pixel(w / 2, h / 2), (std::array<uint8_t, 3>{0, 0, 0})) << "the gap";
    for (const GLuint name : buffers) {
        EXPECT_TRUE(glIsBufferARB(name)) << name;
    }
    mesh.reset();
    for (const GLuint name : buffers) {
        EXPECT_FALSE(glIsBufferARB(name)) << "deleted with the mesh: " << name;
    }
}

INSTANTIATE_TEST_SUITE_P(BufferObjectsAndClientMemory, MeshDrawTest, ::testing::Bool());

} // namespace
