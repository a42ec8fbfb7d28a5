#include "graphics/GBufferShader.h"
#include "graphics/HDRShader.h"
#include "graphics/LightShader.h"
#include "graphics/ShaderRegistry.h"
#include "graphics/reportGLErrors.h"
#include "main/messageBox.h"
#include "support/DeferredScene.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using Zem::Graphics::GBufferShader;
using Zem::Graphics::HDRShader;
using Zem::Graphics::LightShader;
using Zem::Graphics::PassSet;
using Zem::Graphics::ShaderRegistry;
using Zem::Graphics::Vector3;
using Zem::Graphics::View;
using ZemTest::TestPanel;

constexpr int width = GBufferShader::targetWidth;
constexpr int height = GBufferShader::targetHeight;

class GBufferTest : public ZemTest::DeferredTest {
protected:
    static GLint attachment(GLenum point, GLenum what) {
        GLint value = 0;
        glGetFramebufferAttachmentParameterivEXT(GL_FRAMEBUFFER_EXT, point, what, &value);
        return value;
    }
    static GLint levelParameter(GLuint texture, GLenum what) {
        GLint value = 0;
        glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
        glGetTexLevelParameteriv(GL_TEXTURE_RECTANGLE_ARB, 0, what, &value);
        glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
        return value;
    }
};

TEST_F(GBufferTest, FactoryMakesItsIdTheDefaultGeometryPass) {
    EXPECT_EQ(ShaderRegistry::instance().defaultGeometryPass, 0);
    GBufferShader::Factory factory(250, 1000);
    EXPECT_EQ(ShaderRegistry::instance().defaultGeometryPass, 250);
    std::unique_ptr<Zem::Graphics::Shader> pass = factory.create();
    EXPECT_EQ(pass->id, 250);
    EXPECT_EQ(pass->order, 1000);
    EXPECT_TRUE(pass->usesPortalMasks());
}

TEST_F(GBufferTest, FramebufferIsCompleteWithFourHalfFloatTargetsAndDepthStencil) {
    GBufferShader pass;
    const GBufferShader::SharedObjects& shared = GBufferShader::sharedObjects();
    EXPECT_NE(shared.program.program, 0u) << "gbuf-1p failed to link";

    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, shared.framebuffer);
    EXPECT_EQ(glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT),
              static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE_EXT));
    const GLuint colourTargets[4] = {shared.colourTarget, shared.normalTarget, shared.aux1Target,
                                     shared.aux2Target};
    for (GLenum i = 0; i < 4; ++i) {
        EXPECT_EQ(
            attachment(GL_COLOR_ATTACHMENT0_EXT + i, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT),
            static_cast<GLint>(colourTargets[i]))
            << "attachment " << i;
        GLint drawBuffer = 0;
        glGetIntegerv(GL_DRAW_BUFFER0 + i, &drawBuffer);
        EXPECT_EQ(drawBuffer, static_cast<GLint>(GL_COLOR_ATTACHMENT0_EXT + i));
    }
    EXPECT_EQ(attachment(GL_DEPTH_ATTACHMENT_EXT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT),
              static_cast<GLint>(shared.depthStencilTarget));
    EXPECT_EQ(attachment(GL_STENCIL_ATTACHMENT_EXT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT),
              static_cast<GLint>(shared.depthStencilTarget));
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);

    for (GLuint texture : colourTargets) {
        EXPECT_EQ(levelParameter(texture, GL_TEXTURE_WIDTH), width);
        EXPECT_EQ(levelParameter(texture, GL_TEXTURE_HEIGHT), height);
        EXPECT_EQ(levelParameter(texture, GL_TEXTURE_INTERNAL_FORMAT),
                  static_cast<GLint>(GL_RGBA16F_ARB));
    }
    EXPECT_EQ(levelParameter(shared.depthStencilTarget, GL_TEXTURE_INTERNAL_FORMAT),
              static_cast<GLint>(GL_DEPTH24_STENCIL8_EXT));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GBufferTest, SharedObjectsAreMadeOnceForEveryInstance) {
    GBufferShader first;
    const GLuint framebuffer = GBufferShader::sharedObjects().framebuffer;
    GBufferShader second;
    EXPECT_EQ(GBufferShader::sharedObjects().framebuffer, framebuffer);
}

// The light program reads the surface back in this layout.
TEST_F(GBufferTest, WritesAlbedoNormalSpecularAndGlowOfTheQueuedModels) {
    registerPasses();
    TestPanel panel(1.0f, Vector3(0.5f, 0.25f, 1.0f));
    panel.specular = Vector3(0.75f, 0.5f, 0.25f);
    panel.ambient = Vector3(3.0f, 2.0f, 1.0f);
    panel.shininess = 32.0f;
    panel.position = Vector3(0.0f, 0.0f, -3.0f);
    renderFrame({&panel});
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    const GBufferShader::SharedObjects& shared = GBufferShader::sharedObjects();
    const int cx = width / 2;
    const int cy = height / 2;
    // Colours up to 1 are taken as gamma-encoded and stored linear; brighter ones as they are.
    const auto albedo = texel(readTexture(shared.colourTarget, width, height), width, cx, cy);
    EXPECT_NEAR(albedo[0], std::pow(0.5f, 2.2f), 1e-3f);
    EXPECT_NEAR(albedo[1], std::pow(0.25f, 2.2f), 1e-3f);
    EXPECT_NEAR(albedo[2], 1.0f, 1e-3f);
    const auto normal = texel(readTexture(shared.normalTarget, width, height), width, cx, cy);
    EXPECT_NEAR(normal[0], 0.0f, 1e-3f);
    EXPECT_NEAR(normal[1], 0.0f, 1e-3f);
    EXPECT_NEAR(normal[2], 1.0f, 1e-3f);
    EXPECT_NEAR(normal[3], 32.0f, 1e-2f);
    const auto specular = texel(readTexture(shared.aux1Target, width, height), width, cx, cy);
    EXPECT_NEAR(specular[0], std::pow(0.75f, 2.2f), 1e-3f);
    EXPECT_NEAR(specular[2], std::pow(0.25f, 2.2f), 1e-3f);
    const auto glow = texel(readTexture(shared.aux2Target, width, height), width, cx, cy);
    EXPECT_NEAR(glow[0], 3.0f, 1e-2f);
    EXPECT_NEAR(glow[1], 2.0f, 1e-2f);
    EXPECT_NEAR(glow[2], 1.0f, 1e-2f);

    // The panel covers about a third of the screen: the corner keeps the clear values.
    const auto cornerAlbedo = texel(readTexture(shared.colourTarget, width, height), width, 2, 2);
    EXPECT_EQ(cornerAlbedo[0], 0.0f);
    std::vector<float> depth(static_cast<std::size_t>(width * height));
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, shared.depthStencilTarget);
    glGetTexImage(GL_TEXTURE_RECTANGLE_ARB, 0, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
    EXPECT_EQ(depth[static_cast<std::size_t>(2 * width + 2)], 1.0f);
    EXPECT_LT(depth[static_cast<std::size_t>(cy * width + cx)], 1.0f);
}

TEST_F(GBufferTest, OverBrightMaterialKeepsItsStrength) {
    registerPasses();
    TestPanel speck(1.0f, Vector3(30.0f, 30.0f, 30.0f));
    speck.position = Vector3(0.0f, 0.0f, -3.0f);
    renderFrame({&speck});
    const auto albedo =
        texel(readTexture(GBufferShader::sharedObjects().colourTarget, width, height), width,
              width / 2, height / 2);
    EXPECT_NEAR(albedo[0], 30.0f, 0.05f);
}

TEST_F(GBufferTest, NearerModelWinsWhicheverIsQueuedFirst) {
    registerPasses();
    TestPanel near(1.0f, Vector3(1.0f, 0.0f, 0.0f));
    near.position = Vector3(0.0f, 0.0f, -2.0f);
    TestPanel far(4.0f, Vector3(0.0f, 1.0f, 0.0f));
    far.position = Vector3(0.0f, 0.0f, -4.0f);
    renderFrame({&near, &far});

    const auto albedo =
        texel(readTexture(GBufferShader::sharedObjects().colourTarget, width, height), width,
              width / 2, height / 2);
    EXPECT_NEAR(albedo[0], 1.0f, 1e-3f);
    EXPECT_NEAR(albedo[1], 0.0f, 1e-3f);
}

TEST_F(GBufferTest, EmptyQueueShowsEmptyListAndDrawsNothing) {
    std::vector<std::string> shown;
    Zem::Main::MessageBoxHandler previous = Zem::Main::setMessageBoxHandler(
        [&shown](const std::string& caption, const std::string& text, Zem::Main::MessageIcon) {
            shown.push_back("[" + caption + "] " + text);
        });
    GBufferShader pass;
    View view;
    pass.begin();
    pass.draw(view);
    pass.end();
    Zem::Main::setMessageBoxHandler(previous);

    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "[] Empty list!");
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GBufferTest, EndLeavesOnlyUnitZeroTexturingAndTheWindowFramebuffer) {
    GBufferShader pass;
    pass.begin();
    pass.end();
    GLint framebuffer = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &framebuffer);
    EXPECT_EQ(framebuffer, 0);
    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(program, 0);
    for (GLenum unit = 1; unit < 4; ++unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << "unit " << unit;
    }
    glActiveTexture(GL_TEXTURE0);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
}

// Every pass keeps running with program 0 when its files are missing, without a GL error.
TEST_F(GBufferTest, MissingProgramFilesLeaveProgramZeroAndTheFrameStillRuns) {
    ZemTest::TempDir empty;
    searchShadersIn(empty.path() + "/");
    registerPasses();
    TestPanel panel(2.0f, Vector3(1.0f, 1.0f, 1.0f));
    panel.position = Vector3(0.0f, 0.0f, -3.0f);
    renderFrame({&panel});
    renderFrame({&panel});

    EXPECT_EQ(GBufferShader::sharedObjects().program.program, 0u);
    EXPECT_EQ(LightShader::sharedObjects().program.program, 0u);
    for (const auto& record : HDRShader::sharedObjects().programs) {
        EXPECT_EQ(record.program, 0u);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(ReportGLErrorsTest, NamesThePassAndDrainsTheQueue) {
    ZemTest::GLContext& context = ZemTest::GLContext::shared();
    ASSERT_TRUE(context.isOpen() && context.makeCurrent()) << context.error();
    while (glGetError() != GL_NO_ERROR) {
    }
    EXPECT_TRUE(Zem::Graphics::reportGLErrors("Clean"));

    glEnable(0xFFFF); // not a capability: GL_INVALID_ENUM
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Zem::Graphics::reportGLErrors("GBufferShader"));
    const std::string text = testing::internal::GetCapturedStderr();
    EXPECT_NE(text.find("GBufferShader"), std::string::npos) << text;
    EXPECT_NE(text.find("0x0500"), std::string::npos) << text;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
