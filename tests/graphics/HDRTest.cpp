#include "graphics/GBufferShader.h"
#include "graphics/HDRSettings.h"
#include "graphics/HDRShader.h"
#include "graphics/LightShader.h"
#include "graphics/ShaderRegistry.h"
#include "support/DeferredScene.h"
#include "support/ImageCapture.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace {

using Zem::Graphics::HDRShader;
using Zem::Graphics::LightShader;
using Zem::Graphics::PassSet;
using Zem::Graphics::Shader;
using Zem::Graphics::ShaderRegistry;
using Zem::Graphics::View;

class HDRTest : public ZemTest::DeferredTest {
protected:
    void SetUp() override {
        DeferredTest::SetUp();
        registerPasses();
        view.passes = ShaderRegistry::instance().acquire();
        pass = static_cast<HDRShader*>(ShaderRegistry::findPass(view.passes, HDRShader::passId));
        ASSERT_NE(pass, nullptr);
    }
    void TearDown() override {
        Zem::Graphics::exposure = 0.18f;
        Zem::Graphics::bloomScale = 1.0f;
        view.reset();
        DeferredTest::TearDown();
    }

    // The post-process alone, over whatever the light target holds.
    void postProcess() {
        pass->begin();
        pass->draw(view);
        pass->end();
    }

    static std::array<float, 4> levelTexel(int level) {
        const HDRShader::Target& target = HDRShader::sharedObjects().levels[level];
        return texel(readTexture(target.texture, target.size, target.size), target.size, 0, 0);
    }
    static void fillLevel(int level, float value) {
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT,
                             HDRShader::sharedObjects().levels[level].framebuffer);
        glClearColor(value, value, value, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    }
    static float uniform(HDRShader::Program which, const char* name) {
        const GLuint program = HDRShader::sharedObjects().programs[which].program;
        float value = -1.0f;
        glGetUniformfv(program, glGetUniformLocation(program, name), &value);
        return value;
    }
    // Mean brightness of the window's lower-left corner, which the composed image covers.
    static float windowBrightness() {
        const ZemTest::ImageCapture image = ZemTest::ImageCapture::readFramebuffer(0, 0, 32, 32);
        float total = 0.0f;
        for (std::uint8_t value : image.data()) {
            total += value;
        }
        return total / static_cast<float>(image.data().size());
    }

    View view;
    HDRShader* pass = nullptr;
};

TEST_F(HDRTest, ChainTargetsShrinkByThreeAndAreComplete) {
    const HDRShader::SharedObjects& shared = HDRShader::sharedObjects();
    const int sizes[HDRShader::levelCount] = {243, 81, 27, 9, 3, 1, 1};
    for (int level = 0; level < HDRShader::levelCount; ++level) {
        const HDRShader::Target& target = shared.levels[level];
        EXPECT_EQ(target.size, sizes[level]);
        glBindTexture(GL_TEXTURE_RECTANGLE_ARB, target.texture);
        GLint width = 0;
        GLint format = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_RECTANGLE_ARB, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_RECTANGLE_ARB, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        EXPECT_EQ(width, sizes[level]) << "level " << level;
        EXPECT_EQ(format, static_cast<GLint>(GL_RGBA16F_ARB));
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, target.framebuffer);
        EXPECT_EQ(glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT),
                  static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE_EXT));
    }
    for (const HDRShader::Target* bloom : {&shared.bloomA, &shared.bloomB}) {
        EXPECT_EQ(bloom->size, 243);
        glBindTexture(GL_TEXTURE_RECTANGLE_ARB, bloom->texture);
        GLint filter = 0;
        glGetTexParameteriv(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MIN_FILTER, &filter);
        EXPECT_EQ(filter, GL_LINEAR);
    }
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    for (const auto& record : shared.programs) {
        EXPECT_NE(record.program, 0u);
    }
    EXPECT_EQ(shared.source, LightShader::sharedObjects().lightTarget);
    EXPECT_FALSE(pass->usesPortalMasks());
}

TEST_F(HDRTest, LuminanceGoesToLevelsFiveAndSixInTurn) {
    fillLightTarget(0.5f, 0.5f, 0.5f);
    fillLevel(5, 0.0f);
    fillLevel(6, 0.0f);
    ASSERT_EQ(HDRShader::sharedObjects().pingIndex, 0);

    postProcess();
    EXPECT_GT(levelTexel(5)[0], 0.0f) << "frame 1 writes level 5";
    EXPECT_EQ(levelTexel(6)[0], 0.0f);
    EXPECT_EQ(HDRShader::sharedObjects().pingIndex, 1);

    fillLevel(5, 7.0f); // marks it: frame 2 must leave it alone
    postProcess();
    EXPECT_GT(levelTexel(6)[0], 0.0f) << "frame 2 writes level 6";
    EXPECT_EQ(levelTexel(5)[0], 7.0f);
    EXPECT_EQ(HDRShader::sharedObjects().pingIndex, 0);
}

TEST_F(HDRTest, MeasuresTheImageLuminanceAndAdaptsFromLastFrame) {
    // The first frame has no earlier value (the targets start cleared) and takes the
    // measured one as it is.
    fillLightTarget(2.0f, 2.0f, 2.0f);
    postProcess();
    const auto first = levelTexel(5);
    EXPECT_NEAR(first[1], 2.0f, 0.02f) << "measured";
    EXPECT_NEAR(first[0], 2.0f, 0.02f) << "adapted";

    // Brighter: the eye moves towards the new value, from last frame's, a step at a time.
    fillLightTarget(8.0f, 8.0f, 8.0f);
    postProcess();
    const auto second = levelTexel(6);
    EXPECT_NEAR(second[1], 8.0f, 0.1f);
    EXPECT_GT(second[0], 2.0f);
    EXPECT_LT(second[0], 8.0f);
    postProcess();
    EXPECT_GT(levelTexel(5)[0], second[0]);
}

TEST_F(HDRTest, DarkPixelsStayOutOfTheMeasuredLuminance) {
    // Half the image black, half lit at 1: the lit half sets the exposure.
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, LightShader::sharedObjects().framebuffer);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 320, 480);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);

    postProcess();
    EXPECT_NEAR(levelTexel(5)[1], 1.0f, 0.02f);
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
    const float darker = windowBrightness();

    EXPECT_GT(normal, 10.0f);
    EXPECT_LT(normal, 245.0f);
    EXPECT_GT(brighter, normal + 10.0f);
    EXPECT_LT(darker, normal - 10.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(HDRTest, ProgramsReceiveExposureAndBloomScaleEveryFrame) {
    pass->begin();
    EXPECT_FLOAT_EQ(uniform(HDRShader::Compose, "exposure"), 0.18f);
    EXPECT_FLOAT_EQ(uniform(HDRShader::Compose, "bloom_scale"), 1.0f);
    EXPECT_FLOAT_EQ(uniform(HDRShader::Bright, "exposure"), 0.18f);
    EXPECT_FLOAT_EQ(uniform(HDRShader::Downsample3, "time_delta"), 0.01f);
    pass->end();

    Zem::Graphics::bloomScale = 0.0f;
    Zem::Graphics::exposure = 0.5f;
    pass->begin();
    EXPECT_FLOAT_EQ(uniform(HDRShader::Compose, "bloom_scale"), 0.0f);
    EXPECT_FLOAT_EQ(uniform(HDRShader::Compose, "exposure"), 0.5f);
    pass->end();
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
    EXPECT_EQ(bloomAt(121, 121), 0.0f);

    // A small very bright square in the middle of a dim image.
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, LightShader::sharedObjects().framebuffer);
    glEnable(GL_SCISSOR_TEST);
    glScissor(310, 230, 20, 20);
    glClearColor(500.0f, 500.0f, 500.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    postProcess();
    const float centre = bloomAt(121, 121);
    const float halo = bloomAt(121 + 12, 121);
    EXPECT_GT(centre, 0.0f);
    EXPECT_GT(halo, 0.0f) << "the blur spreads the bright square";
    EXPECT_LT(halo, centre);
    EXPECT_EQ(bloomAt(5, 5), 0.0f);
}

TEST_F(HDRTest, OnlyTheInstanceThatBeganDoesTheWork) {
    PassSet* otherSet = ShaderRegistry::instance().acquire();
    auto* other = static_cast<HDRShader*>(ShaderRegistry::findPass(otherSet, HDRShader::passId));
    fillLightTarget(1.0f, 1.0f, 1.0f);
    fillLevel(5, 0.0f);

    pass->begin();
    EXPECT_TRUE(pass->active);
    EXPECT_FALSE(other->active);
    other->draw(view);
    EXPECT_EQ(levelTexel(5)[0], 0.0f) << "a child view's instance draws nothing";
    pass->draw(view);
    pass->end();
    EXPECT_FALSE(pass->active);
    EXPECT_GT(levelTexel(5)[0], 0.0f);
    ShaderRegistry::instance().release(otherSet);
}

TEST_F(HDRTest, LeavesTheMatricesAndTexturingAsItFoundThem) {
    GLfloat before[16];
    glGetFloatv(GL_PROJECTION_MATRIX, before);
    fillLightTarget(1.0f, 1.0f, 1.0f);
    postProcess();
    GLfloat after[16];
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(after[i], before[i]);
    }
    GLint unit = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    EXPECT_EQ(unit, GL_TEXTURE0);
    for (GLenum i = 0; i < 3; ++i) {
        glActiveTexture(GL_TEXTURE0 + i);
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_RECTANGLE_ARB));
    }
    glActiveTexture(GL_TEXTURE0);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

TEST(HDRWithoutLightPassTest, WorksOnAnUnboundSourceWithoutGLError) {
    ZemTest::GLContext& context = ZemTest::GLContext::shared();
    ASSERT_TRUE(context.isOpen() && context.makeCurrent());
    while (glGetError() != GL_NO_ERROR) {
    }
    ASSERT_TRUE(ShaderRegistry::instance().reset());
    HDRShader::releaseSharedObjects();
    ShaderRegistry::instance().registerFactory(
        std::make_unique<HDRShader::Factory>(HDRShader::passId, HDRShader::passOrder));
    View view;
    view.passes = ShaderRegistry::instance().acquire();
    Shader* pass = view.passes->passes[0].get();
    pass->begin();
    pass->draw(view);
    pass->end();
    EXPECT_EQ(HDRShader::sharedObjects().source, 0u);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    view.reset();
    ShaderRegistry::instance().reset();
    HDRShader::releaseSharedObjects();
    ZemTest::DeferredTest::restoreDefaultState();
}

} // namespace
