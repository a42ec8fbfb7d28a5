#include "graphics/HDRSettings.h"
#include "graphics/HDRShader.h"
#include "graphics/LightShader.h"
#include "graphics/ShaderRegistry.h"
#include "support/DeferredScene.h"
#include "support/ImageCapture.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <numeric>

namespace {

using Zem::Graphics::HDRShader;
using Zem::Graphics::ShaderRegistry;

class HDRTest : public ZemTest::DeferredTest {
protected:
    void SetUp() override {
        DeferredTest::SetUp();
        registerPasses();
        view.passes = ShaderRegistry::instance().acquire();
    }
    void TearDown() override {
        Zem::Graphics::exposure = 0.18f;
        view.reset();
        DeferredTest::TearDown();
    }

    // The post-process alone, over whatever the light target holds.
    void postProcess() {
        Zem::Graphics::Shader* pass = ShaderRegistry::findPass(view.passes, HDRShader::passId);
        pass->begin();
        pass->draw(view);
        pass->end();
    }
    // Levels 5 and 6, the 1 x 1 luminance targets.
    static float levelValue(int level, int channel = 0) {
        const HDRShader::Target& target = HDRShader::sharedObjects().levels[level];
        return texel(readTexture(target.texture, 1, 1), 1, 0, 0)[channel];
    }
    // Mean brightness of the window's lower-left corner, which the composed image covers.
    static float windowBrightness() {
        const auto pixels = ZemTest::ImageCapture::readFramebuffer(0, 0, 32, 32).data();
        return std::accumulate(pixels.begin(), pixels.end(), 0.0f) / pixels.size();
    }

    Zem::Graphics::View view;
};

TEST_F(HDRTest, LuminanceGoesToLevelsFiveAndSixInTurnAndAdapts) {
    // The first frame has no earlier value and takes the measured one as it is.
    fillLightTarget(2.0f, 2.0f, 2.0f);
    postProcess();
    EXPECT_NEAR(2.0f, levelValue(5, 1), 0.02f) << "measured";
    EXPECT_NEAR(2.0f, levelValue(5, 0), 0.02f) << "adapted";
    EXPECT_EQ(0.0f, levelValue(6));

    // Brighter: the eye moves from last frame's value towards the new one a step at a time.
    fillLightTarget(8.0f, 8.0f, 8.0f);
    postProcess();
    EXPECT_NEAR(2.0f, levelValue(5, 1), 0.02f) << "frame 2 leaves level 5 alone";
    EXPECT_NEAR(8.0f, levelValue(6, 1), 0.1f);
    const float adapted = levelValue(6, 0);
    EXPECT_GT(adapted, 2.0f);
    EXPECT_LT(adapted, 8.0f);
    postProcess();
    EXPECT_GT(levelValue(5, 0), adapted);
}

TEST_F(HDRTest, ComposedImageFollowsTheExposure) {
    fillLightTarget(0.3f, 0.2f, 0.1f);
    postProcess();
    postProcess();
    const float normal = windowBrightness();
    Zem::Graphics::exposure = 0.6f;
    postProcess();
    const float brighter = windowBrightness();
    Zem::Graphics::exposure = 0.05f;
    postProcess();
    EXPECT_GT(normal, 10.0f);
    EXPECT_LT(normal, 245.0f);
    EXPECT_GT(brighter, normal + 10.0f);
    EXPECT_LT(windowBrightness(), normal - 10.0f);
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

TEST_F(HDRTest, BrightSpotsBloomAndDimImagesDoNot) {
    const HDRShader::Target& bloom = HDRShader::sharedObjects().bloomA;
    auto bloomAt = [&bloom](int x, int y) {
        const auto value =
            texel(readTexture(bloom.texture, bloom.size, bloom.size), bloom.size, x, y);
        return value[0] + value[1] + value[2];
    };
    fillLightTarget(0.1f, 0.1f, 0.1f);
    postProcess();
    EXPECT_EQ(0.0f, bloomAt(121, 121));

    // A small very bright square in the middle of the dim image.
    glEnable(GL_SCISSOR_TEST);
    glScissor(310, 230, 20, 20);
    fillLightTarget(500.0f, 500.0f, 500.0f);
    glDisable(GL_SCISSOR_TEST);
    postProcess();
    const float halo = bloomAt(121 + 12, 121);
    EXPECT_GT(halo, 0.0f) << "the blur spreads the bright square";
    EXPECT_LT(halo, bloomAt(121, 121));
    EXPECT_EQ(0.0f, bloomAt(5, 5));
}

TEST_F(HDRTest, WithoutLightPassWorksOnAnUnboundSourceWithoutGLError) {
    view.reset();
    ASSERT_TRUE(ShaderRegistry::instance().reset());
    releasePassObjects();
    ShaderRegistry::instance().registerFactory(
        std::make_unique<HDRShader::Factory>(HDRShader::passId, HDRShader::passOrder));
    view.passes = ShaderRegistry::instance().acquire();
    postProcess();
    EXPECT_EQ(0u, HDRShader::sharedObjects().source);
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

} // namespace
