#include "EffectRenderTest.h"

#include "demo/Billboard.h"

#include <array>
#include <vector>

using EffectTest::EffectRenderTest;
using Zem::Graphics::Vector3;
using Zem::Resource::XmlNode;

namespace {

TEST(BillboardTest, AWidthAloneGivesAQuadHalfAsHighWithItsHalfWidthAsRadius) {
    ZemTest::SceneGame game;
    const Billboard wide(XmlNode("<entity><width>4</width><radius>9</radius></entity>"));
    EXPECT_EQ(std::vector<float>({wide.halfWidth, wide.halfHeight, wide.radius}),
              std::vector<float>({2.0f, 1.0f, 2.0f}));
}

// A 2 x 1 picture of a sun, at brightness 2, half a unit to the right and 3 ahead.
class BillboardRenderTest : public EffectRenderTest {
protected:
    void SetUp() override {
        EffectRenderTest::SetUp();
        sign = new Billboard(XmlNode("<entity><texture>emblem.bmp</texture><width>2</width>"
                                     "<height>1</height><brightness>2</brightness><position>0.5 0 "
                                     "-3</position></entity>"));
        ASSERT_NE(sign->texture, nullptr);
    }

    Billboard* sign = nullptr;
};

TEST_F(BillboardRenderTest, IsDrawnWhereItStandsAtItsSize) {
    expectDrawnAt({sign}, {Vector3(1.4f, 0.4f, -3.0f), Vector3(-0.4f, -0.4f, -3.0f)},
                  {Vector3(0.5f, 0.6f, -3.0f), Vector3(1.6f, 0.0f, -3.0f)});
}

TEST_F(BillboardRenderTest, HasNoSpecularHighlight) {
    sign->draw();
    EXPECT_EQ(material(GL_SPECULAR), (std::array<GLfloat, 4>{0, 0, 0, 0}));
    glBindTexture(GL_TEXTURE_2D, 0);
}

TEST_F(BillboardRenderTest, ItsPictureIsItsAlbedo) {
    renderFrame({sign});
    EXPECT_GT(texelAt(Vector3(0.5f, 0.0f, -3.0f))[0], 0.5f) << "the sun";
}

TEST_F(BillboardRenderTest, ItsBrightnessMakesItGlowBeyondItsAlbedo) {
    renderFrame({sign});
    const float albedo = texelAt(Vector3(0.5f, 0.0f, -3.0f))[0];
    EXPECT_GT(texelAt(Vector3(0.5f, 0.0f, -3.0f), true)[0], 1.5f * albedo);
}

} // namespace
