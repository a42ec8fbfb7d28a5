#include "resource/Texture.h"

#include "support/GLContext.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

using Zem::Resource::Texture;

class TextureGLTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        ZemTest::GLTest::SetUp();
        glActiveTexture(GL_TEXTURE0);
        while (glGetError() != GL_NO_ERROR) {
        }
    }

    // What uploadTexture printed.
    static std::string upload(Texture& texture) {
        testing::internal::CaptureStdout();
        uploadTexture(texture);
        return testing::internal::GetCapturedStdout();
    }

    static GLint level(GLint lod, GLenum value) {
        GLint result = -1;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, lod, value, &result);
        return result;
    }
};

TEST_F(TextureGLTest, UploadMakesAMipmappedRgb8TextureOfTheImage) {
    Texture texture;
    texture.width = 5;
    texture.height = 2;
    for (int i = 0; i < 30; ++i) {
        texture.pixels.push_back(uint8_t(i * 8));
    }
    EXPECT_EQ(upload(texture), "");
    ASSERT_NE(texture.texture, 0u);
    EXPECT_EQ(level(0, GL_TEXTURE_WIDTH), 5);
    EXPECT_EQ(level(0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGB8);
    EXPECT_EQ(level(1, GL_TEXTURE_WIDTH), 2) << "mipmaps generated";

    // Rows of 15 bytes arrive unshifted: the upload does not assume 4-byte row alignment.
    std::vector<uint8_t> back(30, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, back.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    EXPECT_EQ(back, texture.pixels);
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4) << "restored";
}

TEST_F(TextureGLTest, GLErrorDuringUploadPrintsError) {
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    Texture tooWide;
    tooWide.width = largest + 1;
    tooWide.height = 1;
    tooWide.pixels.assign(std::size_t(tooWide.width) * 3, 0);
    EXPECT_EQ(upload(tooWide), "ERROR: \n");

    // Pixels that do not cover the image are never handed over.
    Texture shortImage;
    shortImage.width = 4;
    shortImage.height = 4;
    shortImage.pixels.assign(10, 0);
    EXPECT_EQ(upload(shortImage), "ERROR: \n");
}

} // namespace
