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

std::array<float, 4> material(GLenum value) {
    std::array<float, 4> v{-1, -1, -1, -1};
    glGetMaterialfv(GL_FRONT, value, v.data());
    return v;
}

GLint boundTexture(GLenum unit) {
    glActiveTexture(unit);
    GLint name = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return name;
}

// The shared context is fresh but for what the other tests of this program leave behind.
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

TEST_F(MeshGLTest, MaterialHandsGLFourValuesPerColour) {
    Mesh mesh;
    mesh.materials.push_back(std::make_unique<Material>());
    Material& shiny = *mesh.materials[0];
    std::fill_n(shiny.diffuse, 3, 0.5f);
    std::fill_n(shiny.specular, 3, 0.25f);
    shiny.shininess = 32.0f;
    mesh.groups.push_back(square(-1, -1, 1, 1));
    mesh.groups[0]->material = &shiny;
    const float stale[4] = {0.9f, 0.9f, 0.9f, 0.9f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, stale);

    drawMesh(mesh);
    EXPECT_EQ(material(GL_DIFFUSE), (std::array<float, 4>{0.5f, 0.5f, 0.5f, 0.25f}));
    EXPECT_EQ(material(GL_SPECULAR), (std::array<float, 4>{0.25f, 0.25f, 0.25f, 32}));
    EXPECT_EQ(material(GL_AMBIENT), (std::array<float, 4>{0, 0, 0, 0}));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(MeshGLTest, MapsGoToUnitZeroToThreeAndTheRestBindZero) {
    Texture wood; // not from the cache: the material's release of it is ignored
    wood.width = wood.height = 1;
    wood.pixels = {1, 2, 3};
    uploadTexture(wood);
    auto bindEverywhere = [&wood] {
        for (GLenum unit = GL_TEXTURE0; unit <= GL_TEXTURE3; ++unit) {
            glActiveTexture(unit);
            glBindTexture(GL_TEXTURE_2D, wood.texture);
        }
    };
    Mesh mesh;
    mesh.groups.push_back(square(-1, -1, 1, 1));
    const float earlier[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, earlier);
    bindEverywhere();
    drawMesh(mesh);
    for (GLenum unit = GL_TEXTURE0; unit <= GL_TEXTURE3; ++unit) {
        EXPECT_EQ(boundTexture(unit), 0) << "no material, unit " << unit - GL_TEXTURE0;
    }
    EXPECT_EQ(material(GL_DIFFUSE), (std::array<float, 4>{0.1f, 0.2f, 0.3f, 0.4f}));

    mesh.materials.push_back(std::make_unique<Material>());
    mesh.materials[0]->diffuseTexture = &wood;
    mesh.groups[0]->material = mesh.materials[0].get();
    bindEverywhere();
    drawMesh(mesh);
    EXPECT_EQ(boundTexture(GL_TEXTURE0), GLint(wood.texture));
    for (GLenum unit = GL_TEXTURE1; unit <= GL_TEXTURE3; ++unit) {
        EXPECT_EQ(boundTexture(unit), 0) << "only map_Kd, unit " << unit - GL_TEXTURE0;
    }
}

class MeshDrawTest : public MeshGLTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MeshDrawTest, EveryGroupIsDrawn) {
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
    // The tangent set left switched on, as a buffer draw before this one leaves it.
    glClientActiveTexture(GL_TEXTURE1);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glClientActiveTexture(GL_TEXTURE0);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 1, 1);

    drawMesh(mesh.get());
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    const int w = gl().width();
    const int h = gl().height();
    const auto image = ZemTest::ImageCapture::readFramebuffer(0, 0, w, h);
    EXPECT_EQ(image.pixel(w / 8, h / 2), (std::array<uint8_t, 3>{255, 255, 255})) << "first";
    EXPECT_EQ(image.pixel(w - w / 8, h / 2), (std::array<uint8_t, 3>{255, 255, 255})) << "last";
    EXPECT_EQ(image.pixel(w / 2, h / 2), (std::array<uint8_t, 3>{0, 0, 0})) << "the gap";

    // The buffer path hands the tangents over as texture coordinate set 1; the client path not.
    glClientActiveTexture(GL_TEXTURE1);
    EXPECT_EQ(glIsEnabled(GL_TEXTURE_COORD_ARRAY), uploaded ? GL_TRUE : GL_FALSE);
    glClientActiveTexture(GL_TEXTURE0);

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
