#include "EffectScene.h"

#include "demo/Billboard.h"
#include "resource/Texture.h"

#include <gtest/gtest.h>

#include <array>

using EffectTest::element;
using Zem::Graphics::Vector3;

namespace {

TEST(BillboardTest, WidthWithoutHeightGivesAHalfAsHighQuadAndItsRadius) {
    EffectTest::EffectGame game;
    Billboard wide(element("<entity><width>4</width><radius>9</radius></entity>"));
    EXPECT_FLOAT_EQ(wide.halfWidth, 2.0f);
    EXPECT_FLOAT_EQ(wide.halfHeight, 1.0f);
    EXPECT_FLOAT_EQ(wide.radius, 2.0f);
}

class BillboardRenderTest : public EffectTest::EffectSceneTest {
protected:
    static std::array<GLfloat, 4> material(GLenum what) {
        std::array<GLfloat, 4> value{};
        glGetMaterialfv(GL_FRONT, what, value.data());
        return value;
    }
    EffectTest::EffectGame game;
};

TEST_F(BillboardRenderTest, BrightnessScalesTheAmbientAndNoTextureDrawsNothing) {
    const GLfloat half[4] = {0.5f, 0.5f, 0.5f, 0.5f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, half);
    EffectTest::printedBy([] {
        Billboard(element("<entity><brightness>3</brightness></entity>")).draw();
        Billboard(element("<entity><texture>nowhere.bmp</texture></entity>")).draw();
    });
    EXPECT_EQ(material(GL_AMBIENT), (std::array<GLfloat, 4>{0.5f, 0.5f, 0.5f, 0.5f}));
    Billboard sign(element("<entity><texture>emblem.bmp</texture><brightness>3</brightness>"
                           "</entity>"));
    ASSERT_NE(sign.texture, nullptr);
    sign.draw();
    EXPECT_EQ(material(GL_AMBIENT), (std::array<GLfloat, 4>{3, 3, 3, 1}));
    EXPECT_EQ(material(GL_SPECULAR), (std::array<GLfloat, 4>{0, 0, 0, 0}));
    glBindTexture(GL_TEXTURE_2D, 0);
}

TEST_F(BillboardRenderTest, QuadGlowsWithItsPictureWhereItStands) {
    Billboard sign(element("<entity><texture>emblem.bmp</texture><width>2</width>"
                           "<height>1</height><brightness>2</brightness>"
                           "<position>0.5 0 -3</position></entity>"));
    expectDrawnAt({&sign}, {Vector3(1.4f, 0.4f, -3.0f), Vector3(-0.4f, -0.4f, -3.0f)},
                  {Vector3(0.5f, 0.6f, -3.0f), Vector3(1.6f, 0.0f, -3.0f)});
    // The sun in the middle of the picture; its glow, brightness 2 against a diffuse of 1,
    // outshines the albedo.
    const Pixel centre = pixelOf(Vector3(0.5f, 0.0f, -3.0f));
    EXPECT_GT(at(image(), centre)[0], 0.5f);
    EXPECT_GT(at(image(true), centre)[0], 1.5f * at(image(), centre)[0]);
}

} // namespace
