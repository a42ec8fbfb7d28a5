#include "support/ImageCapture.h"
#include "support/GLContext.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <png.h>

#include <vector>

using ZemTest::ImageCapture;

class ImageCaptureTest : public ZemTest::GLTest {};

// Rows come back top first, and the PNG holds exactly the pixels read.
TEST_F(ImageCaptureTest, ReadsTheFramebufferTopRowFirstAndWritesItAsPng) {
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 3, 4, 1); // the top row of a 4 x 4 read
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);

    const ImageCapture image = ImageCapture::readFramebuffer(0, 0, 4, 4);
    EXPECT_EQ(image.pixel(2, 0), (std::array<std::uint8_t, 3>{255, 0, 0}));
    EXPECT_EQ(image.pixel(2, 3), (std::array<std::uint8_t, 3>{0, 0, 255}));

    ZemTest::TempDir dir;
    ASSERT_TRUE(image.writePng(dir.file("frame.png")));
    png_image read{};
    read.version = PNG_IMAGE_VERSION;
    ASSERT_NE(png_image_begin_read_from_file(&read, dir.file("frame.png").c_str()), 0);
    read.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(read));
    ASSERT_NE(png_image_finish_read(&read, nullptr, pixels.data(), 0, nullptr), 0);
    EXPECT_EQ(pixels, image.data());
    EXPECT_FALSE(image.writePng(dir.file("no/such/folder/frame.png")));
}
