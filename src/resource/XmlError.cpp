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

std::string describeXmlFault(const std::string& file, const XmlFault& fault) {
    const bool leftOpen = fault.result == XmlParseResult::MismatchedEndTag ||
                          fault.result == XmlParseResult::Unclosed;
    if (!leftOpen || fault.openElement.empty()) {
        return file + ":" + std::to_string(fault.line) + ": " + describe(fault.result);
    }
    // The mistake is where the element opens: from there on its end tag is missing.
    const std::string comesFirst =
        fault.result == XmlParseResult::Unclosed
            ? "the file ends on line " + std::to_string(fault.line)
            : "</" + fault.endTag + "> on line " + std::to_string(fault.line) + " comes first";
    return file + ":" + std::to_string(fault.openLine) + ": <" + fault.openElement +
           "> is not closed: " + comesFirst + "; end it with </" + fault.openElement + ">";
}

std::string describeXmlError(const std::string& file, std::string_view text) {
    std::istringstream in{std::string(text)};
    XmlFault fault;
    XmlNode document;
    if (document.parse(in, fault) == XmlParseResult::Ok) {
        return std::string();
    }
    return describeXmlFault(file, fault);
}

} // namespace Zem::Resource
