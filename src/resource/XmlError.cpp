#include "resource/XmlError.h"

#include <sstream>
#include <string>

namespace Zem::Resource {

const char* describe(XmlParseResult result) {
    switch (result) {
    case XmlParseResult::NoElement:
        return "no root element";
    case XmlParseResult::Unclosed:
        return "the text ends inside an element";
    case XmlParseResult::MismatchedEndTag:
        return "an element is closed by an end tag of another name";
    case XmlParseResult::Malformed:
        return "a tag breaks the XML grammar";
    case XmlParseResult::Ok:
        break;
    }
    return "no error";
}

std::string describeXmlError(std::string_view text) {
    std::istringstream in{std::string(text)};
    std::size_t line = 1;
    XmlNode document;
    const XmlParseResult result = document.parse(in, line);
    if (result == XmlParseResult::Ok) {
        return std::string();
    }
    return "line " + std::to_string(line) + ": " + describe(result);
}

} // namespace Zem::Resource
