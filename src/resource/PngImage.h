#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Zem::Resource {

// An 8-bit RGB or RGBA PNG file decoded with libpng to tightly packed rows, bottom row first as
// OpenGL takes texture rows.
class PngImage {
public:
    // False, with the reason in error(), for anything but an 8-bit RGB or RGBA PNG whose data is
    // whole.
    bool decode(std::string_view bytes);
    const std::string& error() const { return error_; }

    int32_t width = 0;
    int32_t height = 0;
    // 3 (red, green, blue) or 4 (and alpha).
    int32_t channels = 0;
    // width x height x channels bytes, no row padding.
    std::vector<uint8_t> pixels;

private:
    bool fail(const std::string& why);

    std::string error_;
};

} // namespace Zem::Resource
