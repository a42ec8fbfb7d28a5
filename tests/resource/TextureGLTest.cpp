#include "resource/BMPLoader.h"
#include "resource/ResourceManager.h"
#include "resource/Texture.h"

#include "support/GLContext.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <fstream>
#include <vector>

namespace {

using namespace Zem::Resource;

GLint level(GLint lod, GLenum value) {
    GLint result = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, lod, value, &result);
    return result;
}

GLint parameter(GLenum value) {
    GLint result = -1;
    glGetTexParameteriv(GL_TEXTURE_2D, value, &result);
    return result;
}

class TextureGLTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        ZemTest::GLTest::SetUp();
        glActiveTexture(GL_TEXTURE0);
        while (glGetError() != GL_NO_ERROR) {
        }
    }
};

TEST_F(TextureGLTest, UploadMakesAMipmappedRgb8TextureOfTheImage) {
    Texture texture;
    texture.width = 5;
    texture.height = 2;
    for (int i = 0; i < 30; ++i) {
        texture.pixels.push_back(uint8_t(i * 8));
    }
    testing::internal::CaptureStdout();
    uploadTexture(texture);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    ASSERT_NE(texture.texture, 0u);

    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, GLint(texture.texture)) << "left bound";
    EXPECT_EQ(level(0, GL_TEXTURE_WIDTH), 5);
    EXPECT_EQ(level(0, GL_TEXTURE_HEIGHT), 2);
    EXPECT_EQ(level(0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGB8);
    EXPECT_EQ(level(1, GL_TEXTURE_WIDTH), 2) << "mipmaps generated";
    EXPECT_EQ(parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(parameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(parameter(GL_GENERATE_MIPMAP), GL_TRUE);

    // Rows of 15 bytes arrive unshifted: the upload does not assume 4-byte row alignment.
    std::vector<uint8_t> back(30, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, back.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    EXPECT_EQ(back, texture.pixels);
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4) << "restored";

    const GLuint name = texture.texture;
    {
        Texture doomed;
        doomed.texture = name;
    }
    EXPECT_FALSE(glIsTexture(name)) << "a texture deletes its GL name";
    texture.texture = 0;
}

TEST_F(TextureGLTest, GLErrorDuringUploadPrintsErrorAndKeepsTheTexture) {
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    Texture texture;
    texture.width = largest + 1;
    texture.height = 1;
    texture.pixels.assign(std::size_t(texture.width) * 3, 0);
    testing::internal::CaptureStdout();
    uploadTexture(texture);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR: \n");
    EXPECT_NE(texture.texture, 0u);

    // Pixels that do not cover the image are never handed over.
    Texture shortImage;
    shortImage.width = 4;
    shortImage.height = 4;
    shortImage.pixels.assign(10, 0);
    testing::internal::CaptureStdout();
    uploadTexture(shortImage);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR: \n");
}

TEST_F(TextureGLTest, BmpFilesLoadThroughTheCache) {
    ZemTest::TempDir dir;
    // 2 x 1, 24 bits; the stored blue, green, red of the first pixel is 10 20 30.
    const unsigned char good[] = {'B', 'M', 62, 0, 0, 0, 0,  0,  0,  0, 54, 0, 0,  0, 40, 0,
                                  0,   0,   2,  0, 0, 0, 1,  0,  0,  0, 1,  0, 24, 0, 0,  0,
                                  0,   0,   0,  0, 0, 0, 0,  0,  0,  0, 0,  0, 0,  0, 0,  0,
                                  0,   0,   0,  0, 0, 0, 10, 20, 30, 1, 2,  3, 0,  0};
    std::ofstream(dir.file("Wall.BMP"), std::ios::binary)
        .write(reinterpret_cast<const char*>(good), sizeof good);
    std::vector<unsigned char> eightBit(std::begin(good), std::end(good));
    eightBit[28] = 8;
    std::ofstream(dir.file("palette.bmp"), std::ios::binary)
        .write(reinterpret_cast<const char*>(eightBit.data()), long(eightBit.size()));

    ResourceManager& manager = ResourceManager::instance();
    manager.reset();
    manager.addSearchPath(dir.path() + "/");
    BMPLoader loader;
    // Emptied before the loaders above go away, even when an assertion ends the test early.
    struct ResetCache {
        ~ResetCache() { ResourceManager::instance().reset(); }
    } resetCache;
    manager.registerLoader(&loader);

    Texture* wall = manager.get<Texture>("Wall.BMP");
    ASSERT_NE(wall, nullptr);
    EXPECT_EQ(wall->width, 2);
    EXPECT_EQ(wall->height, 1);
    EXPECT_EQ(wall->bitsPerChannel, 8);
    EXPECT_EQ(wall->channels, 3);
    EXPECT_EQ(wall->pixels, (std::vector<uint8_t>{30, 20, 10, 3, 2, 1}));
    EXPECT_TRUE(glIsTexture(wall->texture));

    testing::internal::CaptureStdout();
    EXPECT_EQ(manager.get("palette.bmp"), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Unable to load palette.bmp\n");
    manager.reset();
}

} // namespace
