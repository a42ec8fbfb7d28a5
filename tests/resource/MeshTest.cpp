#include "resource/Mesh.h"
#include "resource/Material.h"
#include "resource/Texture.h"

#include "ResourceTestSupport.h"
#include "support/ImageCapture.h"

#include <array>

namespace {

using namespace Zem::Resource;
using ResourceTest::squareGroup;
using Floats = std::array<float, 4>;
using Units = std::array<GLint, 4>;

// Each test draws from buffer objects (true) and from client memory (false).
class MeshTest : public ZemTest::GLTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        ZemTest::GLTest::SetUp();
        ASSERT_TRUE(GLEW_ARB_vertex_buffer_object);
        glViewport(0, 0, gl().width(), gl().height());
        ResourceTest::clearGLErrors();
        wood.width = wood.height = 1;
        wood.pixels = {1, 2, 3};
        uploadTexture(wood);
    }
    void add(std::unique_ptr<MeshGroup> group) {
        if (GetParam() && !group->indices.empty()) {
            uploadBuffers(*group);
        }
        mesh.groups.push_back(std::move(group));
    }
    // Gives the only group a material of ambient 0.125, diffuse 0.5, specular 0.25, shininess 32
    // and wood.
    Material& addShinyMaterial() {
        mesh.materials.push_back(std::make_unique<Material>());
        Material& shiny = *mesh.materials.back();
        std::fill_n(shiny.ambient, 3, 0.125f);
        std::fill_n(shiny.diffuse, 3, 0.5f);
        std::fill_n(shiny.specular, 3, 0.25f);
        shiny.shininess = 32.0f;
        shiny.diffuseTexture = &wood;
        mesh.groups.at(0)->material = &shiny;
        return shiny;
    }
    static Floats material(GLenum value) {
        Floats v{-1, -1, -1, -1};
        glGetMaterialfv(GL_FRONT, value, v.data());
        return v;
    }
    // The texture bound on units 0 to 3 after binding wood on all of them and drawing.
    Units unitsAfterDrawing() {
        Units bound{};
        for (GLenum unit = 0; unit < 4; ++unit) {
            glActiveTexture(GL_TEXTURE0 + unit);
            glBindTexture(GL_TEXTURE_2D, wood.texture);
        }
        drawMesh(mesh);
        for (GLenum unit = 0; unit < 4; ++unit) {
            glActiveTexture(GL_TEXTURE0 + unit);
            glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound[unit]);
        }
        return bound;
    }

    Texture wood; // not from the cache: the material's release of it is ignored
    Mesh mesh;
};

TEST_P(MeshTest, AGroupWithoutAMaterialUnbindsEveryTextureUnit) {
    add(squareGroup(-1, -1, 1, 1));
    EXPECT_EQ(unitsAfterDrawing(), (Units{0, 0, 0, 0}));
}

TEST_P(MeshTest, AGroupWithoutAMaterialLeavesTheGLMaterialAsItWas) {
    add(squareGroup(-1, -1, 1, 1));
    const float earlier[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, earlier);
    drawMesh(mesh);
    EXPECT_EQ(material(GL_DIFFUSE), (Floats{0.1f, 0.2f, 0.3f, 0.4f}));
}

TEST_P(MeshTest, AMaterialsDiffuseMapIsBoundOnUnitZeroAndTheOtherUnitsCleared) {
    add(squareGroup(-1, -1, 1, 1));
    addShinyMaterial();
    EXPECT_EQ(unitsAfterDrawing(), (Units{GLint(wood.texture), 0, 0, 0}));
}

// The diffuse alpha carries the specular red, the specular alpha the shininess.
TEST_P(MeshTest, AMaterialsValuesBecomeTheGLMaterial) {
    add(squareGroup(-1, -1, 1, 1));
    addShinyMaterial();
    const float earlier[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, earlier);
    drawMesh(mesh);
    EXPECT_EQ(material(GL_DIFFUSE), (Floats{0.5f, 0.5f, 0.5f, 0.25f}));
    EXPECT_EQ(material(GL_SPECULAR), (Floats{0.25f, 0.25f, 0.25f, 32}));
    EXPECT_EQ(material(GL_AMBIENT), (Floats{0.125f, 0.125f, 0.125f, 0}));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_P(MeshTest, EveryGroupIsDrawnAndAnEmptyOneSkipped) {
    add(squareGroup(-1, -1, -0.25f, 1));
    add(std::make_unique<MeshGroup>());
    add(squareGroup(0.25f, -1, 1, 1));
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 1, 1);
    drawMesh(&mesh);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    const int w = gl().width(), h = gl().height();
    const auto image = ZemTest::ImageCapture::readFramebuffer(0, 0, w, h);
    const std::array<uint8_t, 3> white{255, 255, 255};
    EXPECT_EQ(image.pixel(w / 8, h / 2), white) << "first";
    EXPECT_EQ(image.pixel(w - w / 8, h / 2), white) << "last";
    EXPECT_EQ(image.pixel(w / 2, h / 2), (std::array<uint8_t, 3>{0, 0, 0})) << "the gap";
}

// The path from client memory turns the set off, so no stale array is read.
TEST_P(MeshTest, TangentsAreTextureSetOneOnlyWhenDrawnFromBuffers) {
    add(squareGroup(-1, -1, 1, 1));
    glClientActiveTexture(GL_TEXTURE1);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glClientActiveTexture(GL_TEXTURE0);
    drawMesh(mesh);
    glClientActiveTexture(GL_TEXTURE1);
    EXPECT_EQ(glIsEnabled(GL_TEXTURE_COORD_ARRAY), GetParam() ? GL_TRUE : GL_FALSE);
    glClientActiveTexture(GL_TEXTURE0);
}

INSTANTIATE_TEST_SUITE_P(BufferObjectsAndClientMemory, MeshTest, ::testing::Bool());

} // namespace
