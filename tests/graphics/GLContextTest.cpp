#include "support/GLContext.h"
#include "graphics/Display_sdl2.h"
#include "resource/XmlNode.h"
#include "support/ImageCapture.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

using ZemTest::GLTest;
using ZemTest::ImageCapture;

namespace {

using Rgb = std::array<std::uint8_t, 3>;

TEST_F(GLTest, SharedContextIsCurrentWithEntryPointsLoaded) {
    EXPECT_NE(glGetString(GL_VERSION), nullptr);
    // Loaded by GLEW; null would mean glewInit never ran on a current context.
    EXPECT_NE(glGenFramebuffersEXT, nullptr);
    EXPECT_NE(glCreateShader, nullptr);
}

TEST_F(GLTest, SharedContextSurvivesADisplayDriverOpeningAndClosingItsOwn) {
    {
        Zem::Graphics::Display_sdl2 display;
        testing::internal::CaptureStdout();
        const bool opened = display.init(Zem::Resource::XmlNode("<display/>"));
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(opened);
        display.shutdown();
    }
    ASSERT_TRUE(gl().makeCurrent());
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const ImageCapture image = ImageCapture::readFramebuffer(0, 0, gl().width(), gl().height());
    EXPECT_EQ(image.pixel(gl().width() / 2, gl().height() / 2), (Rgb{0, 255, 0}));
}

TEST(GLContextTest, OwnContextOpensAndClosesBesideTheSharedOne) {
    ZemTest::GLContext context(32, 16);
    ASSERT_TRUE(context.isOpen()) << context.error();
    EXPECT_EQ(context.width(), 32);
    EXPECT_EQ(context.height(), 16);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 32);
    EXPECT_EQ(viewport[3], 16);
    context.close();
    EXPECT_FALSE(context.isOpen());
    EXPECT_FALSE(context.makeCurrent());
}

} // namespace
