#include "support/ImageCapture.h"
#include "support/GLContext.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {

using Rgb = std::array<std::uint8_t, 3>;

class ImageCaptureTest : public ZemTest::GLTest {};

TEST_F(ImageCaptureTest, TopRowComesFirstAndThePngHoldsThePixelsAsRead) {
    const int w = gl().width();
    const int h = gl().height();
    glViewport(0, 0, w, h);
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    // The lower half in GL's coordinates is red.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, w, h / 2);
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);

    const ZemTest::ImageCapture image = ZemTest::ImageCapture::readFramebuffer(0, 0, w, h);
    EXPECT_EQ((Rgb{51, 102, 153}), image.pixel(0, 0));
    EXPECT_EQ((Rgb{255, 0, 0}), image.pixel(w - 1, h - 1));
    EXPECT_EQ((Rgb{0, 0, 0}), image.pixel(w, 0)) << "outside the image";

    ZemTest::TempDir dir;
    ASSERT_TRUE(image.writePng(dir.file("capture.png")));
    png_image read{};
    read.version = PNG_IMAGE_VERSION;
    ASSERT_NE(0, png_image_begin_read_from_file(&read, dir.file("capture.png").c_str()))
        << read.message;
    read.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(read));
    ASSERT_NE(0, png_image_finish_read(&read, nullptr, pixels.data(), 0, nullptr));
    EXPECT_EQ(static_cast<png_uint_32>(w), read.width);
    EXPECT_EQ(image.data(), pixels);

    EXPECT_FALSE(image.writePng(dir.file("missing/dir/capture.png")));
    EXPECT_FALSE(ZemTest::ImageCapture().writePng(dir.file("empty.png")));
}

} // namespace
