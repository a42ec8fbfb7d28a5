// The OBJ reader on any text.
#include "resource/ObjParser.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Zem::Resource::ObjParser parser;
    Zem::Resource::ObjDocument document;
    parser.parse(std::string_view(reinterpret_cast<const char*>(data), size), document);
    return 0;
}
