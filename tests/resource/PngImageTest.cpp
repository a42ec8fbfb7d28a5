#include "resource/PngImage.h"
#include "support/PngFile.h"
#include "support/TempDir.h"

#include "ResourceTestSupport.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Zem::Resource::PngImage;

class PngImageTest : public ::testing::Test {
protected:
    // The file the test wrote, decoded.
    bool decode() { return image.decode(ZemTest::TempDir::readFile(dir.file("t.png"))); }

    ZemTest::TempDir dir;
    PngImage image;
};

// Top row red, bottom row blue, as a file has them; OpenGL takes the bottom row first.
TEST_F(PngImageTest, RowsComeBottomUpAsRedGreenBlue) {
    ASSERT_TRUE(ZemTest::writePng(dir.file("t.png"), 1, 2, PNG_FORMAT_RGB,
                                  std::vector<std::uint8_t>{255, 0, 0, 0, 0, 255}));
    ASSERT_TRUE(decode()) << image.error();
    EXPECT_EQ(image.channels, 3);
    EXPECT_EQ(image.pixels, (std::vector<std::uint8_t>{0, 0, 255, 255, 0, 0}));
}

TEST_F(PngImageTest, AnAlphaChannelIsKept) {
    ASSERT_TRUE(ZemTest::writePng(dir.file("t.png"), 1, 1, PNG_FORMAT_RGBA,
                                  std::vector<std::uint8_t>{10, 20, 30, 40}));
    ASSERT_TRUE(decode()) << image.error();
    EXPECT_EQ(image.channels, 4);
    EXPECT_EQ(image.pixels, (std::vector<std::uint8_t>{10, 20, 30, 40}));
}

TEST_F(PngImageTest, OnlyEightBitColourIsTaken) {
    for (const png_uint_32 format :
         {png_uint_32{PNG_FORMAT_GRAY}, png_uint_32{PNG_FORMAT_LINEAR_RGB}}) {
        ASSERT_TRUE(ZemTest::writePng(dir.file("t.png"), 2, 2, format, 0.5));
        EXPECT_FALSE(decode()) << format;
        EXPECT_NE(image.error().find("only 8-bit RGB and RGBA are read"), std::string::npos)
            << image.error();
    }
}

TEST_F(PngImageTest, BytesThatAreNoPngAreRefused) {
    EXPECT_FALSE(image.decode("BM not a png"));
    EXPECT_NE(image.error().find("not a PNG image"), std::string::npos) << image.error();
}

} // namespace
