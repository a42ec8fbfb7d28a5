#include "resource/Texture.h"
#include "resource/BMPLoader.h"
#include "resource/ResourceManager.h"

#include "ResourceTestSupport.h"

#include <numeric>

namespace {

using ResourceTest::bmpFile;
using ResourceTest::mentions;
using Zem::Resource::Reload;
using Zem::Resource::Texture;

class TextureTest : public ZemTest::GLTest {
protected:
    // Uploads the pixels as a width x height image named wall.bmp; what it reported.
    std::vector<std::string> upload(int width, int height, std::vector<uint8_t> pixels) {
        texture.width = width;
        texture.height = height;
        texture.pixels = std::move(pixels);
        glActiveTexture(GL_TEXTURE0);
        ResourceTest::clearGLErrors();
        const ZemTest::ReportRecorder recorder;
        uploadTexture(texture, "wall.bmp");
        return recorder.lines;
    }
    // The width of a level of the texture bound to the active unit.
    static GLint boundWidth(GLint level) {
        GLint width = -1;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
        return width;
    }
    // A 2 x 2 wall.bmp, loaded and held.
    Texture* loadWall() {
        files.write("wall.bmp", bmpFile(2, 2));
        return files.manager.get<Texture>("wall.bmp");
    }

    // 5 x 2 pixels: rows of 15 bytes.
    std::vector<uint8_t> pixels = [] {
        std::vector<uint8_t> bytes(30);
        std::iota(bytes.begin(), bytes.end(), uint8_t(1));
        return bytes;
    }();
    Texture texture;
    // Keeps what a refused file reports off standard error.
    const ZemTest::ReportRecorder quiet;
    Zem::Resource::BMPLoader loader;
    ZemTest::ResourceScope files{&loader};
};

TEST_F(TextureTest, AnUploadMakesATextureWithoutReports) {
    EXPECT_EQ(upload(5, 2, pixels), std::vector<std::string>{});
    EXPECT_NE(texture.texture, 0u);
}

// A PNG's alpha reaches OpenGL.
TEST_F(TextureTest, AFourChannelImageUploadsWithItsAlpha) {
    texture.channels = 4;
    pixels.resize(40);
    EXPECT_EQ(upload(5, 2, pixels), std::vector<std::string>{});
    GLint alphaBits = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &alphaBits);
    EXPECT_GT(alphaBits, 0);
}

TEST_F(TextureTest, AnUploadGeneratesMipmaps) {
    upload(5, 2, pixels);
    EXPECT_EQ(boundWidth(1), 2);
}

// Rows of 15 bytes arrive unshifted.
TEST_F(TextureTest, AnUploadDoesNotAssumeRowsAlignedToFourBytes) {
    upload(5, 2, pixels);
    std::vector<uint8_t> back(30, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, back.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    EXPECT_EQ(back, pixels);
}

TEST_F(TextureTest, AnImageGLRefusesIsReportedAsAnErrorNamingTheFile) {
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    const auto reports = upload(largest + 1, 1, std::vector<uint8_t>(std::size_t(largest + 1) * 3));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].rfind("ERROR: ", 0), 0u) << reports[0];
    EXPECT_TRUE(mentions(reports[0], {"wall.bmp", "0x0501", std::to_string(largest + 1)}))
        << reports[0];
}

TEST_F(TextureTest, PixelsShortOfTheImageAreReportedAndNeverHandedToGL) {
    const auto reports = upload(4, 4, std::vector<uint8_t>(10));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].rfind("ERROR: ", 0), 0u) << reports[0];
    EXPECT_TRUE(mentions(reports[0], {"wall.bmp", "10"})) << reports[0];
    EXPECT_EQ(boundWidth(0), 0) << "no image given to the texture";
}

TEST_F(TextureTest, AReloadChangesTheTextureUnderItsHolders) {
    Texture* held = loadWall();
    ASSERT_NE(held, nullptr);
    files.write("wall.bmp", bmpFile(4, 2));
    EXPECT_EQ(files.manager.reload("wall.bmp"), Reload::InPlace);
    EXPECT_EQ(files.manager.get<Texture>("wall.bmp"), held) << "the same object";
    EXPECT_EQ(held->width, 4);
    glBindTexture(GL_TEXTURE_2D, held->texture);
    EXPECT_EQ(boundWidth(0), 4);
}

TEST_F(TextureTest, AReloadDeletesTheOldGLTexture) {
    Texture* held = loadWall();
    ASSERT_NE(held, nullptr);
    const GLuint before = held->texture;
    files.write("wall.bmp", bmpFile(4, 2));
    ASSERT_EQ(files.manager.reload("wall.bmp"), Reload::InPlace);
    EXPECT_FALSE(glIsTexture(before));
}

// As when the file is read mid-save.
TEST_F(TextureTest, AReloadOfAFileCutShortKeepsTheRunningTexture) {
    Texture* held = loadWall();
    ASSERT_NE(held, nullptr);
    files.write("wall.bmp", bmpFile(4, 2).substr(0, 60));
    EXPECT_EQ(files.manager.reload("wall.bmp"), Reload::Refused);
    EXPECT_EQ(held->width, 2);
    EXPECT_TRUE(glIsTexture(held->texture));
}

} // namespace
