#include "graphics/FrameImage.h"
#include "support/GLContext.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <png.h>

#include <tuple>
#include <vector>

using Zem::Graphics::FrameImage;
using Pixel = std::array<std::uint8_t, 3>;

namespace {

// A 4 x 4 read of a blue framebuffer whose top row is red.
class FrameImageTest : public ZemTest::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        glDisable(GL_SCISSOR_TEST);
        glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 3, 4, 1);
        glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_SCISSOR_TEST);
        image = FrameImage::readFramebuffer(0, 0, 4, 4);
    }

    FrameImage image;
    ZemTest::TempDir dir;
};

TEST_F(FrameImageTest, ReadFramebufferGivesTheTopRowFirst) {
    EXPECT_EQ(image.pixel(2, 0), (Pixel{255, 0, 0}));
    EXPECT_EQ(image.pixel(2, 3), (Pixel{0, 0, 255}));
}

// Red over blue makes half of each in linear light, 186 once gamma-encoded.
TEST_F(FrameImageTest, ShrunkAveragesEachBlockInLinearLight) {
    const FrameImage half = image.shrunk(2);
    ASSERT_EQ(std::tuple(half.width(), half.height()), std::tuple(2, 2));
    EXPECT_EQ(half.pixel(0, 0), (Pixel{186, 0, 186}));
    EXPECT_EQ(half.pixel(1, 1), (Pixel{0, 0, 255}));
}

TEST_F(FrameImageTest, WritePngWritesExactlyThePixelsRead) {
    ASSERT_TRUE(image.writePng(dir.file("frame.png")));
    png_image read{};
    read.version = PNG_IMAGE_VERSION;
    ASSERT_NE(png_image_begin_read_from_file(&read, dir.file("frame.png").c_str()), 0);
    read.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(read));
    ASSERT_NE(png_image_finish_read(&read, nullptr, pixels.data(), 0, nullptr), 0);
    EXPECT_EQ(pixels, image.data());
}

TEST_F(FrameImageTest, WritePngIntoAMissingFolderFails) {
    EXPECT_FALSE(image.writePng(dir.file("no/such/folder/frame.png")));
}

} // namespace
