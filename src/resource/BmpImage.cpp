#include "resource/BmpImage.h"

namespace Zem::Resource {

namespace {

constexpr std::size_t fileHeaderSize = 14;
constexpr std::size_t infoHeaderMinimum = 40;
constexpr uint32_t uncompressed = 0;

uint32_t readU32(std::string_view bytes, std::size_t at) {
    return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 |
           uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24;
}

uint16_t readU16(std::string_view bytes, std::size_t at) {
    return uint16_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8);
}

int32_t readI32(std::string_view bytes, std::size_t at) {
    return static_cast<int32_t>(readU32(bytes, at));
}

} // namespace

bool BmpImage::fail(const std::string& why) {
    error_ = why;
    width = 0;
    height = 0;
    pixels.clear();
    return false;
}

bool BmpImage::decode(std::string_view bytes) {
    error_.clear();
    if (bytes.size() < fileHeaderSize + infoHeaderMinimum) {
        return fail("shorter than a BMP header");
    }
    if (bytes[0] != 'B' || bytes[1] != 'M') {
        return fail("no \"BM\" signature");
    }
    const uint32_t dataOffset = readU32(bytes, 10);
    const uint32_t infoSize = readU32(bytes, 14);
    const int32_t fileWidth = readI32(bytes, 18);
    const int32_t fileHeight = readI32(bytes, 22);
    const uint16_t planes = readU16(bytes, 26);
    const uint16_t bitsPerPixel = readU16(bytes, 28);
    const uint32_t compression = readU32(bytes, 30);

    if (infoSize < infoHeaderMinimum) {
        return fail("information header of " + std::to_string(infoSize) + " bytes");
    }
    if (bitsPerPixel != 24) {
        return fail(std::to_string(bitsPerPixel) + " bits per pixel; only 24 are read");
    }
    if (planes != 1 || compression != uncompressed) {
        return fail("not a single uncompressed plane");
    }
    // A negative height means the rows are stored top-down.
    if (fileWidth <= 0 || fileHeight == 0) {
        return fail("size " + std::to_string(fileWidth) + " x " + std::to_string(fileHeight));
    }
    if (dataOffset < fileHeaderSize + uint64_t(infoSize)) {
        return fail("pixel data inside the header");
    }

    const uint64_t rows = fileHeight < 0 ? -int64_t(fileHeight) : fileHeight;
    const uint64_t rowBytes = uint64_t(fileWidth) * 3;
    // Each stored row is padded to a multiple of 4 bytes; the last row's padding may be absent.
    const uint64_t stride = (rowBytes + 3) & ~uint64_t(3);
    if (dataOffset + (rows - 1) * stride + rowBytes > bytes.size()) {
        return fail("pixel data ends early");
    }

    width = fileWidth;
    height = static_cast<int32_t>(rows);
    pixels.resize(rows * rowBytes);
    for (uint64_t row = 0; row < rows; ++row) {
        const uint64_t target = fileHeight > 0 ? row : rows - 1 - row;
        const char* source = bytes.data() + dataOffset + row * stride;
        uint8_t* destination = pixels.data() + target * rowBytes;
        // Stored blue, green, red.
        for (uint64_t x = 0; x < rowBytes; x += 3) {
            destination[x] = uint8_t(source[x + 2]);
            destination[x + 1] = uint8_t(source[x + 1]);
            destination[x + 2] = uint8_t(source[x]);
        }
    }
    return true;
}

} // namespace Zem::Resource
