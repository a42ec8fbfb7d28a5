#include "EffectScene.h"

#include "demo/Billboard.h"
#include "resource/Texture.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <string>

using EffectTest::element;
using Zem::Graphics::Vector3;
using Zem::Resource::ResourceManager;

namespace {

TEST(BillboardTest, SizeDefaultsAndHalvingSetTheBoundingRadius) {
    EffectTest::EffectGame game;
    Billboard plain(element("<entity/>"));
    EXPECT_FLOAT_EQ(plain.halfWidth, 1.0f);
    EXPECT_FLOAT_EQ(plain.halfHeight, 1.0f);
    EXPECT_FLOAT_EQ(plain.brightness, 1.0f);
    EXPECT_FLOAT_EQ(plain.radius, 1.0f);
    EXPECT_TRUE(plain.textureName.empty());
    EXPECT_EQ(plain.texture, nullptr);

    Billboard wide(element("<entity><width>4</width></entity>"));
    EXPECT_FLOAT_EQ(wide.halfWidth, 2.0f);
    EXPECT_FLOAT_EQ(wide.halfHeight, 1.0f);
    EXPECT_FLOAT_EQ(wide.radius, 2.0f);

    Billboard tall(element("<entity><width>1</width><height>3</height><radius>9</radius>"
                           "<brightness>2.5</brightness></entity>"));
    EXPECT_FLOAT_EQ(tall.radius, 1.5f) << "the quad decides the bounds";
    EXPECT_FLOAT_EQ(tall.brightness, 2.5f);
}

// A billboard of the "emblem.bmp" picture, in the GL context.
class BillboardGLTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        ResourceManager::instance().reset();
        ResourceManager::instance().addSearchPath("data/textures/");
        ResourceManager::instance().registerLoader(&bmpLoader);
    }
    void TearDown() override {
        ResourceManager::instance().reset();
        glBindTexture(GL_TEXTURE_2D, 0);
    }

    static void setAmbient(float value) {
        const GLfloat colour[4] = {value, value, value, value};
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, colour);
    }
    static std::array<GLfloat, 4> material(GLenum face, GLenum what) {
        std::array<GLfloat, 4> value{};
        glGetMaterialfv(face, what, value.data());
        return value;
    }

    EffectTest::EffectGame game;
    Zem::Resource::BMPLoader bmpLoader;
};

TEST_F(BillboardGLTest, BrightnessScalesTheAmbientColour) {
    Billboard sign(element("<entity><texture>emblem.bmp</texture><brightness>3</brightness>"
                           "</entity>"));
    ASSERT_NE(sign.texture, nullptr);
    EXPECT_EQ(sign.textureName, "emblem.bmp");
    sign.draw();
    EXPECT_EQ(material(GL_FRONT, GL_AMBIENT), (std::array<GLfloat, 4>{3, 3, 3, 1}));
    EXPECT_EQ(material(GL_BACK, GL_DIFFUSE), (std::array<GLfloat, 4>{1, 1, 1, 0}));
    EXPECT_EQ(material(GL_FRONT, GL_SPECULAR), (std::array<GLfloat, 4>{0, 0, 0, 0}));
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), sign.texture->texture);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(BillboardGLTest, WithoutATextureNothingIsDrawn) {
    Billboard blank(element("<entity><brightness>3</brightness></entity>"));
    testing::internal::CaptureStdout();
    Billboard missing(element("<entity><texture>nowhere.bmp</texture></entity>"));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(missing.texture, nullptr);
    EXPECT_EQ(missing.textureName, "nowhere.bmp");
    setAmbient(0.5f);
    blank.draw();
    missing.draw();
    EXPECT_EQ(material(GL_FRONT, GL_AMBIENT), (std::array<GLfloat, 4>{0.5f, 0.5f, 0.5f, 0.5f}));
}

TEST_F(BillboardGLTest, TextureIsGivenBackWithTheBillboard) {
    {
        Billboard first(element("<entity><texture>emblem.bmp</texture></entity>"));
        Billboard second(element("<entity><texture>emblem.bmp</texture></entity>"));
        EXPECT_EQ(first.texture, second.texture);
        EXPECT_TRUE(ResourceManager::instance().isCached("emblem.bmp"));
    }
    EXPECT_FALSE(ResourceManager::instance().isCached("emblem.bmp"));
}

class BillboardRenderTest : public EffectTest::EffectSceneTest {};

TEST_F(BillboardRenderTest, QuadGlowsWithItsPictureWhereItStands) {
    EffectTest::EffectGame game;
    Billboard sign(element("<entity><texture>emblem.bmp</texture><width>2</width>"
                           "<height>1</height><brightness>2</brightness>"
                           "<position>0.5 0 -3</position></entity>"));
    ASSERT_NE(sign.texture, nullptr);
    renderFrame({&sign});
    const auto albedo = albedoImage();
    const auto glow = glowImage();
    // The sun in the middle of the picture; the glow, brightness 2 against a diffuse of 1,
    // outshines the albedo.
    const Pixel centre = pixelOf(Vector3(0.5f, 0.0f, -3.0f));
    const auto centreAlbedo = at(albedo, centre);
    const auto centreGlow = at(glow, centre);
    EXPECT_GT(centreAlbedo[0], 0.5f);
    EXPECT_GT(centreGlow[0], 1.5f * centreAlbedo[0]);
    EXPECT_GT(centreGlow[1], 1.5f * centreAlbedo[1]);
    EXPECT_TRUE(lit(albedo, pixelOf(Vector3(1.4f, 0.4f, -3.0f))));
    EXPECT_TRUE(lit(albedo, pixelOf(Vector3(-0.4f, -0.4f, -3.0f))));
    EXPECT_FALSE(lit(albedo, pixelOf(Vector3(0.5f, 0.6f, -3.0f))));
    EXPECT_FALSE(lit(albedo, pixelOf(Vector3(1.6f, 0.0f, -3.0f))));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
