#include "resource/BMPLoader.h"
#include "resource/BmpImage.h"
#include "resource/ResourceManager.h"
#include "resource/Texture.h"

#include "support/GLContext.h"
#include "support/ResourceScope.h"
#include "support/ReportRecorder.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

namespace {

using Zem::Resource::BmpImage;
using Zem::Resource::Texture;

void put(std::string& bytes, std::size_t at, uint32_t value, int size = 4) {
    for (int i = 0; i < size; ++i) {
        bytes[at + i] = char((value >> (8 * i)) & 0xff);
    }
}

// A 24-bit BMP storing pixel (x, file row) as blue x, green row, red 0x80 + x + row; padding 0xEE.
std::string bmp(int32_t width, int32_t height, uint32_t infoSize = 40, uint32_t pixelsAt = 54) {
    const std::size_t stride = (std::size_t(width) * 3 + 3) / 4 * 4;
    const std::size_t rows = std::size_t(height < 0 ? -height : height);
    std::string file(pixelsAt + rows * stride, char(0xEE));
    file.replace(0, pixelsAt, "BM" + std::string(pixelsAt - 2, '\0'));
    put(file, 2, uint32_t(file.size()));
    put(file, 10, pixelsAt);
    put(file, 14, infoSize);
    put(file, 18, uint32_t(width));
    put(file, 22, uint32_t(height));
    put(file, 26, 1, 2);
    put(file, 28, 24, 2);
    for (std::size_t row = 0; row < rows; ++row) {
        for (int x = 0; x < width; ++x) {
            put(file, pixelsAt + row * stride + std::size_t(x) * 3,
                uint32_t(x | row << 8 | (0x80 + x + row) << 16), 3);
        }
    }
    return file;
}

// Decoded (x, y from the bottom) against what the file stored at (x, file row).
std::vector<uint8_t> pixelAt(const BmpImage& image, int x, int y) {
    const auto at = image.pixels.begin() + (std::size_t(y) * image.width + x) * 3;
    return {at, at + 3};
}
std::vector<uint8_t> stored(int x, int fileRow) {
    return {uint8_t(0x80 + x + fileRow), uint8_t(fileRow), uint8_t(x)};
}

TEST(BmpImageTest, PaddedRowsBlueGreenRedAndTopDownRows) {
    BmpImage image;
    // Rows of 3, 6, 9, 12 and 15 bytes: 1, 2, 3, no and 1 byte of padding.
    for (int width = 1; width <= 5; ++width) {
        ASSERT_TRUE(image.decode(bmp(width, 3))) << image.error();
        ASSERT_EQ(image.pixels.size(), std::size_t(width) * 9) << width;
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < width; ++x) {
                EXPECT_EQ(pixelAt(image, x, y), stored(x, y)) << width << ": " << x << "," << y;
            }
        }
    }
    // A negative height and pixels where a longer header puts them.
    ASSERT_TRUE(image.decode(bmp(3, -3, 124, 150))) << image.error();
    EXPECT_EQ(image.height, 3);
    EXPECT_EQ(pixelAt(image, 1, 2), stored(1, 0)) << "the first row in the file is the top";
    EXPECT_EQ(pixelAt(image, 1, 0), stored(1, 2));
}

TEST(BmpImageTest, OtherKindsAndTruncatedFilesAreRefusedWithoutReadingPastTheEnd) {
    // (offset, value, size): 8, 32 bits, two planes, pixels inside the header, old header,
    // overflowing sizes.
    const uint32_t edits[][3] = {{28, 8, 2},          {28, 32, 2},        {26, 2, 2},
                                 {10, 40, 4},         {14, 12, 4},        {18, 0xfffffffe, 4},
                                 {22, 0x7fffffff, 4}, {22, 0x80000000, 4}};
    for (const auto& edit : edits) {
        std::string file = bmp(2, 2);
        put(file, edit[0], edit[1], int(edit[2]));
        BmpImage image;
        EXPECT_FALSE(image.decode(file)) << edit[0] << " " << edit[1];
        EXPECT_FALSE(image.error().empty());
        EXPECT_TRUE(image.pixels.empty());
    }
    const std::string whole = bmp(5, 3);
    for (std::size_t length = 0; length < whole.size(); ++length) {
        // An exact-size copy, so a read past it is a read past the allocation.
        const std::vector<char> prefix(whole.begin(), whole.begin() + length);
        BmpImage image;
        // The last row's padding may be missing; a pixel byte may not.
        EXPECT_EQ(image.decode(std::string_view(prefix.data(), prefix.size())),
                  length >= whole.size() - 1)
            << length;
    }
}

// What uploadTexture printed.
std::string upload(int width, int height, std::vector<uint8_t> pixels, Texture& texture) {
    texture.width = width;
    texture.height = height;
    texture.pixels = std::move(pixels);
    glActiveTexture(GL_TEXTURE0);
    while (glGetError() != GL_NO_ERROR) {
    }
    ZemTest::captureReports();
    uploadTexture(texture, "wall.bmp");
    return ZemTest::takeReports();
}

using TextureGLTest = ZemTest::GLTest;

TEST_F(TextureGLTest, UploadMakesAMipmappedRgb8TextureOrPrintsError) {
    std::vector<uint8_t> pixels(30);
    std::iota(pixels.begin(), pixels.end(), uint8_t(1));
    Texture texture;
    EXPECT_EQ(upload(5, 2, pixels, texture), "");
    ASSERT_NE(texture.texture, 0u);
    GLint mipWidth = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &mipWidth);
    EXPECT_EQ(mipWidth, 2) << "mipmaps generated";
    // Rows of 15 bytes arrive unshifted: the upload does not assume 4-byte row alignment.
    std::vector<uint8_t> back(30, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, back.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    EXPECT_EQ(back, pixels);

    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    Texture tooWide, shortImage;
    EXPECT_EQ(upload(largest + 1, 1, std::vector<uint8_t>(std::size_t(largest + 1) * 3), tooWide),
              "ERROR: wall.bmp: GL error 0x0501 (invalid value) for a " +
                  std::to_string(largest + 1) + " x 1 image\n");
    // Pixels short of the image are never handed over.
    EXPECT_EQ(upload(4, 4, std::vector<uint8_t>(10), shortImage),
              "ERROR: wall.bmp: 10 bytes of pixels do not make a 4 x 4 RGB image\n");
}

TEST_F(TextureGLTest, AReloadedTextureChangesUnderItsHoldersOrStaysWhenTheFileIsBroken) {
    using Zem::Resource::Reload;
    Zem::Resource::BMPLoader loader;
    ZemTest::ResourceScope files{&loader};
    Zem::Resource::ResourceManager& manager = files.manager;
    files.write("wall.bmp", bmp(2, 2));
    Texture* held = manager.get<Texture>("wall.bmp");
    ASSERT_NE(held, nullptr);
    const GLuint before = held->texture;

    files.write("wall.bmp", bmp(4, 2));
    EXPECT_EQ(manager.reload("wall.bmp"), Reload::InPlace);
    EXPECT_EQ(manager.get<Texture>("wall.bmp"), held) << "the same object";
    EXPECT_EQ(held->width, 4);
    GLint width = 0;
    glBindTexture(GL_TEXTURE_2D, held->texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 4);
    EXPECT_FALSE(glIsTexture(before)) << "the old texture went with the loaded copy";

    // Cut short mid-save: the running texture stays.
    files.write("wall.bmp", bmp(4, 2).substr(0, 60));
    EXPECT_EQ(manager.reload("wall.bmp"), Reload::Refused);
    EXPECT_EQ(held->width, 4);
    EXPECT_TRUE(glIsTexture(held->texture));
}

} // namespace
