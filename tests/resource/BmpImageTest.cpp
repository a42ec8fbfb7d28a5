#include "resource/BmpImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using Zem::Resource::BmpImage;

void put(std::string& bytes, std::size_t at, uint32_t value, int size = 4) {
    for (int i = 0; i < size; ++i) {
        bytes[at + i] = char((value >> (8 * i)) & 0xff);
    }
}

// A 24-bit BMP whose pixel (x, row in file order) is stored as blue x, green row, red
// 0x80 + x + row; padding bytes are 0xEE.
std::string bmp(int32_t width, int32_t height, uint32_t infoSize = 40, uint32_t pixelsAt = 54) {
    const std::size_t stride = (std::size_t(width) * 3 + 3) / 4 * 4;
    const std::size_t rows = std::size_t(height < 0 ? -height : height);
    std::string file(pixelsAt + rows * stride, char(0xEE));
    std::fill_n(file.begin(), pixelsAt, '\0');
    file[0] = 'B';
    file[1] = 'M';
    const uint32_t fields[][3] = {{2, uint32_t(file.size()), 4},
                                  {10, pixelsAt, 4},
                                  {14, infoSize, 4},
                                  {18, uint32_t(width), 4},
                                  {22, uint32_t(height), 4},
                                  {26, 1, 2},
                                  {28, 24, 2}};
    for (const auto& field : fields) {
        put(file, field[0], field[1], int(field[2]));
    }
    for (std::size_t row = 0; row < rows; ++row) {
        for (int x = 0; x < width; ++x) {
            put(file, pixelsAt + row * stride + std::size_t(x) * 3,
                uint32_t(x | row << 8 | (0x80 + x + row) << 16), 3);
        }
    }
    return file;
}

// The decoded pixel at (x, y), y counted from the bottom row, and the red, green, blue the
// file stored as blue, green, red.
std::vector<uint8_t> pixelAt(const BmpImage& image, int x, int y) {
    const auto at = image.pixels.begin() + (std::size_t(y) * image.width + x) * 3;
    return {at, at + 3};
}
std::vector<uint8_t> stored(int x, int fileRow) {
    return {uint8_t(0x80 + x + fileRow), uint8_t(fileRow), uint8_t(x)};
}

TEST(BmpImageTest, RowsArePaddedToFourBytesAndStoredBlueGreenRed) {
    for (const int width : {4, 5}) {
        SCOPED_TRACE(width);
        BmpImage image;
        ASSERT_TRUE(image.decode(bmp(width, 2))) << image.error();
        ASSERT_EQ(image.pixels.size(), std::size_t(width) * 6);
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < width; ++x) {
                EXPECT_EQ(pixelAt(image, x, y), stored(x, y)) << x << "," << y;
            }
        }
    }
}

TEST(BmpImageTest, TopDownRowsAndALongerHeaderAreRead) {
    BmpImage image;
    ASSERT_TRUE(image.decode(bmp(3, -3, 124, 150))) << image.error();
    EXPECT_EQ(image.height, 3);
    EXPECT_EQ(pixelAt(image, 1, 2), stored(1, 0)) << "the first row in the file is the top";
    EXPECT_EQ(pixelAt(image, 1, 0), stored(1, 2));
}

TEST(BmpImageTest, ImagesItDoesNotTakeAreRefused) {
    const struct {
        std::size_t at;
        uint32_t value;
        int size;
    } edits[] = {{28, 8, 2},  {28, 32, 2},         {0, 'X', 1},         {10, 40, 4},
                 {14, 12, 4}, {18, 0, 4},          {22, 0, 4},          {26, 2, 2},
                 {30, 1, 4},  {18, 0xfffffffe, 4}, {22, 0x7fffffff, 4}, {22, 0x80000000, 4}};
    for (const auto& edit : edits) {
        SCOPED_TRACE(testing::Message() << edit.at << " " << edit.value);
        std::string file = bmp(2, 2);
        put(file, edit.at, edit.value, edit.size);
        BmpImage image;
        EXPECT_FALSE(image.decode(file));
        EXPECT_FALSE(image.error().empty());
        EXPECT_TRUE(image.pixels.empty());
    }
}

TEST(BmpImageTest, TruncatedFilesAreRefusedWithoutReadingPastTheEnd) {
    const std::string whole = bmp(5, 3);
    // The last row's padding may be missing; a pixel byte may not.
    for (std::size_t length = 0; length < whole.size(); ++length) {
        // A copy of exactly that length, so a read past it is a read past the allocation.
        const std::vector<char> prefix(whole.begin(), whole.begin() + length);
        BmpImage image;
        EXPECT_EQ(image.decode(std::string_view(prefix.data(), prefix.size())),
                  length >= whole.size() - 1)
            << length;
    }
}

} // namespace
