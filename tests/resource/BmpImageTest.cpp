#include "resource/BmpImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using Zem::Resource::BmpImage;

void putU32(std::string& bytes, std::size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = char((value >> (8 * i)) & 0xff);
    }
}

void putU16(std::string& bytes, std::size_t at, uint16_t value) {
    bytes[at] = char(value & 0xff);
    bytes[at + 1] = char(value >> 8);
}

struct BmpFile {
    int32_t width = 2;
    int32_t height = 2;
    uint16_t bitsPerPixel = 24;
    uint16_t planes = 1;
    uint32_t compression = 0;
    uint32_t infoSize = 40;
    // Bytes between the headers and the pixels.
    uint32_t gap = 0;
    char paddingByte = char(0xEE);

    // Pixel (x, row in file order) is stored as blue x, green row, red 0x80 + x + row.
    std::string bytes() const {
        const uint32_t offset = 14 + infoSize + gap;
        const std::size_t pixelBytes = bitsPerPixel / 8;
        const std::size_t rowBytes = std::size_t(width) * pixelBytes;
        const std::size_t stride = (rowBytes + 3) / 4 * 4;
        const std::size_t rows = height < 0 ? -height : height;
        // Room for the fields written below even when the header claims to be shorter.
        std::string file(std::max<std::size_t>(offset + rows * stride, 54), paddingByte);
        file[0] = 'B';
        file[1] = 'M';
        putU32(file, 2, uint32_t(file.size()));
        putU32(file, 10, offset);
        putU32(file, 14, infoSize);
        putU32(file, 18, uint32_t(width));
        putU32(file, 22, uint32_t(height));
        putU16(file, 26, planes);
        putU16(file, 28, bitsPerPixel);
        putU32(file, 30, compression);
        for (std::size_t i = 34; i < 14 + infoSize; ++i) {
            file[i] = 0;
        }
        for (std::size_t row = 0; row < rows; ++row) {
            for (int x = 0; x < width; ++x) {
                const char stored[3] = {char(x), char(row), char(0x80 + x + row)};
                const std::size_t at = offset + row * stride + std::size_t(x) * pixelBytes;
                for (std::size_t k = 0; k < pixelBytes && k < 3; ++k) {
                    file[at + k] = stored[k];
                }
            }
        }
        return file;
    }
};

std::vector<uint8_t> rgb(int x, int fileRow) {
    return {uint8_t(0x80 + x + fileRow), uint8_t(fileRow), uint8_t(x)};
}

std::vector<uint8_t> pixelAt(const BmpImage& image, int x, int row) {
    const std::size_t at = (std::size_t(row) * image.width + x) * 3;
    return {image.pixels[at], image.pixels[at + 1], image.pixels[at + 2]};
}

TEST(BmpImageTest, RowsWithoutPaddingAreReadWhole) {
    BmpFile file;
    file.width = 4;
    BmpImage image;
    ASSERT_TRUE(image.decode(file.bytes())) << image.error();
    EXPECT_EQ(image.width, 4);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.pixels.size(), 24u);
    EXPECT_EQ(pixelAt(image, 3, 1), rgb(3, 1));
}

TEST(BmpImageTest, RowPaddingIsSkippedAndNotStored) {
    BmpFile file;
    file.width = 5;
    BmpImage image;
    ASSERT_TRUE(image.decode(file.bytes())) << image.error();
    ASSERT_EQ(image.pixels.size(), 30u);
    for (int row = 0; row < 2; ++row) {
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(pixelAt(image, x, row), rgb(x, row)) << x << "," << row;
        }
    }
}

TEST(BmpImageTest, StoredBlueGreenRedBecomesRedGreenBlue) {
    BmpFile file;
    std::string bytes = file.bytes();
    bytes[54] = 0x10;
    bytes[55] = 0x20;
    bytes[56] = 0x30;
    BmpImage image;
    ASSERT_TRUE(image.decode(bytes));
    EXPECT_EQ(pixelAt(image, 0, 0), (std::vector<uint8_t>{0x30, 0x20, 0x10}));
}

TEST(BmpImageTest, TopDownRowsAreTurnedBottomUp) {
    BmpFile file;
    file.width = 3;
    file.height = -3;
    BmpImage image;
    ASSERT_TRUE(image.decode(file.bytes())) << image.error();
    EXPECT_EQ(image.height, 3);
    // The first row in the file is the top one, so it ends up last.
    EXPECT_EQ(pixelAt(image, 1, 2), rgb(1, 0));
    EXPECT_EQ(pixelAt(image, 1, 0), rgb(1, 2));
}

TEST(BmpImageTest, PixelsStartWhereTheHeaderSays) {
    BmpFile file;
    file.infoSize = 124;
    file.gap = 12;
    BmpImage image;
    ASSERT_TRUE(image.decode(file.bytes())) << image.error();
    EXPECT_EQ(pixelAt(image, 1, 1), rgb(1, 1));
}

TEST(BmpImageTest, ImagesItDoesNotTakeAreRefused) {
    auto refused = [](const BmpFile& file) {
        BmpImage image;
        const bool decoded = image.decode(file.bytes());
        EXPECT_TRUE(decoded || !image.error().empty());
        return !decoded && image.pixels.empty();
    };
    BmpFile file;
    file.bitsPerPixel = 8;
    EXPECT_TRUE(refused(file));
    file.bitsPerPixel = 32;
    EXPECT_TRUE(refused(file));
    file = BmpFile();
    file.planes = 2;
    EXPECT_TRUE(refused(file));
    file = BmpFile();
    file.compression = 1;
    EXPECT_TRUE(refused(file));
    file = BmpFile();
    file.width = 0;
    EXPECT_TRUE(refused(file));
    file = BmpFile();
    file.height = 0;
    EXPECT_TRUE(refused(file));
    file = BmpFile();
    file.width = -2;
    EXPECT_TRUE(refused(file));
    file = BmpFile();
    file.infoSize = 12;
    EXPECT_TRUE(refused(file));

    std::string noSignature = BmpFile().bytes();
    noSignature[0] = 'X';
    BmpImage image;
    EXPECT_FALSE(image.decode(noSignature));

    std::string offsetInHeader = BmpFile().bytes();
    putU32(offsetInHeader, 10, 40);
    EXPECT_FALSE(image.decode(offsetInHeader));
}

TEST(BmpImageTest, TruncatedFilesAreRefusedWithoutReadingPastTheEnd) {
    BmpFile file;
    file.width = 5;
    file.height = 3;
    const std::string whole = file.bytes();
    // The last row's padding may be missing; a single pixel byte may not.
    const std::size_t needed = whole.size() - 1;
    for (std::size_t length = 0; length < whole.size(); ++length) {
        // A copy of exactly that length, so a read past it is a read past the allocation.
        const std::vector<char> prefix(whole.begin(), whole.begin() + length);
        BmpImage image;
        EXPECT_EQ(image.decode(std::string_view(prefix.data(), prefix.size())), length >= needed)
            << length;
    }

    // A height that promises far more rows than there are bytes.
    std::string tall = whole;
    putU32(tall, 22, 0x7fffffff);
    BmpImage image;
    EXPECT_FALSE(image.decode(tall));
    putU32(tall, 22, 0x80000000u);
    EXPECT_FALSE(image.decode(tall));
    putU32(tall, 18, 0x7fffffff);
    EXPECT_FALSE(image.decode(tall));
}

} // namespace
