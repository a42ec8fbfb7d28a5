#include "resource/BmpImage.h"

#include "ResourceTestSupport.h"

#include <array>

namespace {

using ResourceTest::bmpFile;
using ResourceTest::putLittleEndian;
using Zem::Resource::BmpImage;

// Decoded (x, y from the bottom).
std::vector<uint8_t> pixelAt(const BmpImage& image, int x, int y) {
    const auto at = image.pixels.begin() + (std::size_t(y) * image.width + x) * 3;
    return {at, at + 3};
}
// What bmpFile stored at (x, file row), as red, green, blue.
std::vector<uint8_t> stored(int x, int fileRow) {
    return {uint8_t(0x80 + x + fileRow), uint8_t(fileRow), uint8_t(x)};
}

class BmpImageTest : public ::testing::Test {
protected:
    // A 2 x 2 file with the header field at `offset` set to `value`, decoded.
    bool decodeEdited(std::size_t offset, uint32_t value, int size) {
        std::string file = bmpFile(2, 2);
        putLittleEndian(file, offset, value, size);
        image = BmpImage();
        return image.decode(file);
    }

    BmpImage image;
};

TEST_F(BmpImageTest, PixelsAreRedGreenBlueWithTheFirstRowInTheFileAtTheBottom) {
    ASSERT_TRUE(image.decode(bmpFile(2, 2))) << image.error();
    EXPECT_EQ(pixelAt(image, 1, 0), stored(1, 0));
    EXPECT_EQ(pixelAt(image, 0, 1), stored(0, 1));
}

// Rows of 3, 6, 9, 12 and 15 bytes: 1, 2, 3, no and 1 byte of padding.
TEST_F(BmpImageTest, EachRowSkipsItsPadding) {
    for (int width = 1; width <= 5; ++width) {
        ASSERT_TRUE(image.decode(bmpFile(width, 3))) << image.error();
        ASSERT_EQ(image.pixels.size(), std::size_t(width) * 9) << width;
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < width; ++x) {
                EXPECT_EQ(pixelAt(image, x, y), stored(x, y)) << width << ": " << x << "," << y;
            }
        }
    }
}

TEST_F(BmpImageTest, ANegativeHeightPutsTheFirstRowInTheFileAtTheTop) {
    ASSERT_TRUE(image.decode(bmpFile(3, -3))) << image.error();
    EXPECT_EQ(image.height, 3);
    EXPECT_EQ(pixelAt(image, 1, 2), stored(1, 0));
    EXPECT_EQ(pixelAt(image, 1, 0), stored(1, 2));
}

TEST_F(BmpImageTest, PixelsAreReadWhereALongerHeaderPutsThem) {
    ASSERT_TRUE(image.decode(bmpFile(3, 3, 124, 150))) << image.error();
    EXPECT_EQ(pixelAt(image, 2, 1), stored(2, 1));
}

// (offset, value, size): 8 and 32 bits, two planes, the old 12-byte header.
TEST_F(BmpImageTest, OtherKindsOfImageAreRefused) {
    for (const auto& edit :
         {std::array<uint32_t, 3>{28, 8, 2}, {28, 32, 2}, {26, 2, 2}, {14, 12, 4}}) {
        EXPECT_FALSE(decodeEdited(edit[0], edit[1], int(edit[2]))) << edit[0] << " " << edit[1];
        EXPECT_FALSE(image.error().empty());
        EXPECT_TRUE(image.pixels.empty());
    }
}

// (offset, value, size): pixels inside the header, sizes whose product overflows.
TEST_F(BmpImageTest, HeadersThatContradictTheFileAreRefused) {
    for (const auto& edit : {std::array<uint32_t, 3>{10, 40, 4},
                             {18, 0xfffffffe, 4},
                             {22, 0x7fffffff, 4},
                             {22, 0x80000000, 4}}) {
        EXPECT_FALSE(decodeEdited(edit[0], edit[1], int(edit[2]))) << edit[0] << " " << edit[1];
        EXPECT_FALSE(image.error().empty());
        EXPECT_TRUE(image.pixels.empty());
    }
}

// The last row's padding may be missing; a pixel byte may not.
TEST_F(BmpImageTest, AFileCutShortIsRefusedWithoutReadingPastItsEnd) {
    const std::string whole = bmpFile(5, 3);
    for (std::size_t length = 0; length + 1 < whole.size(); ++length) {
        // An exact-size copy, so a read past it is a read past the allocation.
        const std::vector<char> prefix(whole.begin(), whole.begin() + length);
        image = BmpImage();
        EXPECT_FALSE(image.decode(std::string_view(prefix.data(), prefix.size()))) << length;
    }
}

TEST_F(BmpImageTest, TheLastRowMayLackItsPadding) {
    const std::string whole = bmpFile(5, 3);
    const std::vector<char> prefix(whole.begin(), whole.end() - 1);
    EXPECT_TRUE(image.decode(std::string_view(prefix.data(), prefix.size()))) << image.error();
}

} // namespace
