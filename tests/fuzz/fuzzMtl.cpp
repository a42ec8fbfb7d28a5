// The MTL reader on any text.
#include "resource/MtlParser.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Zem::Resource::MtlParser::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
