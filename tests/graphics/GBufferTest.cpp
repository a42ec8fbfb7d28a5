#include "graphics/GBufferShader.h"
#include "graphics/HDRShader.h"
#include "graphics/LightShader.h"
#include "graphics/ShaderRegistry.h"
#include "graphics/reportGLErrors.h"
#include "support/DeferredScene.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>

namespace {

using Zem::Graphics::GBufferShader;
using Zem::Graphics::Vector3;

constexpr int width = GBufferShader::targetWidth;
constexpr int height = GBufferShader::targetHeight;

class GBufferTest : public ZemTest::DeferredTest {};

// The light program reads the surface back in this layout.
TEST_F(GBufferTest, WritesAlbedoNormalSpecularAndGlowToHalfFloatTargets) {
    registerPasses();
    EXPECT_EQ(GBufferShader::passId, Zem::Graphics::ShaderRegistry::instance().defaultGeometryPass);
    ZemTest::TestPanel panel(1.0f, Vector3(0.5f, 0.25f, 30.0f));
    panel.specular = Vector3(0.75f, 0.5f, 0.25f);
    panel.ambient = Vector3(3.0f, 2.0f, 1.0f);
    panel.shininess = 32.0f;
    panel.position = Vector3(0.0f, 0.0f, -3.0f);
    renderFrame({&panel});
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());

    const GBufferShader::SharedObjects& shared = GBufferShader::sharedObjects();
    auto at = [](GLuint target, int x, int y) {
        return texel(readTexture(target, width, height), width, x, y);
    };
    // Colours up to 1 are taken as gamma-encoded and stored linear; brighter ones as they are.
    const auto albedo = at(shared.colourTarget, width / 2, height / 2);
    EXPECT_NEAR(std::pow(0.5f, 2.2f), albedo[0], 1e-3f);
    EXPECT_NEAR(std::pow(0.25f, 2.2f), albedo[1], 1e-3f);
    EXPECT_NEAR(30.0f, albedo[2], 0.05f);
    const auto normal = at(shared.normalTarget, width / 2, height / 2);
    EXPECT_NEAR(1.0f, normal[2], 1e-3f);
    EXPECT_NEAR(32.0f, normal[3], 1e-2f);
    EXPECT_NEAR(std::pow(0.75f, 2.2f), at(shared.aux1Target, width / 2, height / 2)[0], 1e-3f);
    const auto glow = at(shared.aux2Target, width / 2, height / 2);
    EXPECT_NEAR(3.0f, glow[0], 1e-2f);
    EXPECT_NEAR(1.0f, glow[2], 1e-2f);
    // The panel covers a third of the screen: the corner keeps the clear values.
    EXPECT_EQ(0.0f, at(shared.colourTarget, 2, 2)[0]);
}

TEST_F(GBufferTest, MissingProgramFilesLeaveProgramZeroAndTheFrameStillRuns) {
    ZemTest::TempDir empty;
    searchShadersIn(empty.path() + "/");
    registerPasses();
    ZemTest::TestPanel panel(2.0f, Vector3(1.0f, 1.0f, 1.0f));
    panel.position = Vector3(0.0f, 0.0f, -3.0f);
    renderFrame({&panel});
    renderFrame({&panel});
    EXPECT_EQ(0u, GBufferShader::sharedObjects().program.program);
    EXPECT_EQ(0u, Zem::Graphics::LightShader::sharedObjects().program.program);
    for (const auto& record : Zem::Graphics::HDRShader::sharedObjects().programs) {
        EXPECT_EQ(0u, record.program);
    }
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

TEST_F(GBufferTest, ReportGLErrorsNamesThePassAndDrainsTheQueue) {
    EXPECT_TRUE(Zem::Graphics::reportGLErrors("Clean"));
    glEnable(0xFFFF); // GL_INVALID_ENUM
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Zem::Graphics::reportGLErrors("GBufferShader"));
    const std::string text = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, text.find("0x0500 in GBufferShader")) << text;
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

} // namespace
