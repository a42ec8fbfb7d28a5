#include "support/ImageCapture.h"
#include "support/GLContext.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

using ZemTest::GLTest;
using ZemTest::ImageCapture;

namespace {

using Rgb = std::array<std::uint8_t, 3>;

class ImageCaptureTest : public GLTest {};

TEST_F(ImageCaptureTest, TopRowComesFirst) {
    const int w = gl().width();
    const int h = gl().height();
    glViewport(0, 0, w, h);
    glEnable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    // The lower half in GL's coordinates is red.
    glScissor(0, 0, w, h / 2);
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);

    const ImageCapture image = ImageCapture::readFramebuffer(0, 0, w, h);
    ASSERT_EQ(image.width(), w);
    ASSERT_EQ(image.height(), h);
    EXPECT_EQ(image.pixel(0, 0), (Rgb{0, 0, 255}));
    EXPECT_EQ(image.pixel(w - 1, h - 1), (Rgb{255, 0, 0}));
    EXPECT_EQ(image.pixel(w, 0), (Rgb{0, 0, 0}));
}

TEST_F(ImageCaptureTest, PngHoldsThePixelsAsRead) {
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const ImageCapture image = ImageCapture::readFramebuffer(0, 0, 8, 4);

    ZemTest::TempDir dir;
    const std::string path = dir.file("capture.png");
    ASSERT_TRUE(image.writePng(path));

    png_image read;
    std::memset(&read, 0, sizeof read);
    read.version = PNG_IMAGE_VERSION;
    ASSERT_NE(png_image_begin_read_from_file(&read, path.c_str()), 0) << read.message;
    read.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(read));
    ASSERT_NE(png_image_finish_read(&read, nullptr, pixels.data(), 0, nullptr), 0);
    EXPECT_EQ(read.width, 8u);
    EXPECT_EQ(read.height, 4u);
    EXPECT_EQ(pixels, image.data());
    EXPECT_EQ(image.pixel(3, 2), (Rgb{51, 102, 153}));
}

TEST(ImageCaptureFileTest, NothingIsWrittenWhereItCannotBe) {
    ImageCapture image(2, 2);
    ZemTest::TempDir dir;
    EXPECT_FALSE(image.writePng(dir.file("missing/dir/capture.png")));
    EXPECT_FALSE(ImageCapture().writePng(dir.file("empty.png")));
}

} // namespace
