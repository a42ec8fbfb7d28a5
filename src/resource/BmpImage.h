#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Zem::Resource {

// An uncompressed 24-bit BMP file decoded to tightly packed RGB rows, bottom row first as
// OpenGL takes texture rows. Multi-byte header fields are little-endian.
class BmpImage {
public:
    // False, with the reason in error(), for anything but a well-formed single-plane 24-bit
    // uncompressed image whose pixel rows all lie inside the bytes given.
    bool decode(std::string_view bytes);
    const std::string& error() const { return error_; }

    int32_t width = 0;
    int32_t height = 0;
    static constexpr int32_t channels = 3;
    // width x height x 3 bytes: red, green, blue per pixel, no row padding.
    std::vector<uint8_t> pixels;

private:
    bool fail(const std::string& why);

    std::string error_;
};

} // namespace Zem::Resource
