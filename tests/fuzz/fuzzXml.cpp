// The XML parser on any bytes, then the readers every setting goes through.
#include "resource/ReadValue.h"
#include "resource/XmlNode.h"

#include <cstdint>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Zem::Resource::XmlNode document;
    document.parse(text);
    std::istringstream stream(text);
    Zem::Resource::XmlNode streamed;
    streamed.parse(stream);

    const Zem::Resource::XmlNode copy(document);
    for (std::size_t i = 0; i < copy.childCount(); ++i) {
        const Zem::Resource::XmlNode& child = copy.child(i);
        int whole = 0;
        float real = 0.0f;
        Zem::Graphics::Vector3 vector;
        Zem::Resource::readValue(copy, child.name(), whole);
        Zem::Resource::readValue(copy, child.name(), real);
        Zem::Resource::readValue(copy, child.name(), vector);
    }
    return 0;
}
