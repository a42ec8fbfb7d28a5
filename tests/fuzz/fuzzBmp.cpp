// The BMP reader on any bytes.
#include "resource/BmpImage.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Zem::Resource::BmpImage image;
    if (image.decode(std::string_view(reinterpret_cast<const char*>(data), size))) {
        // Every pixel promised must be there.
        volatile std::uint8_t sum = 0;
        for (std::uint8_t byte : image.pixels) {
            sum = sum + byte;
        }
        if (image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 3) {
            __builtin_trap();
        }
    }
    return 0;
}
