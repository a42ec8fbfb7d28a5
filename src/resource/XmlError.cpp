#include "resource/XmlError.h"

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

namespace {

// Parsed as XmlNode::parse(std::istream&) would: line feeds dropped.
XmlParseResult parseLines(std::string_view text) {
    std::string joined;
    joined.reserve(text.size());
    for (char c : text) {
        if (c != '\n') {
            joined += c;
        }
    }
    XmlNode document;
    return document.parse(joined);
}

} // namespace

std::string describeXmlError(std::string_view text) {
    const XmlParseResult whole = parseLines(text);
    if (whole == XmlParseResult::Ok) {
        return std::string();
    }
    int line = 1;
    for (std::size_t end = 0; end < text.size(); ++line) {
        const std::size_t feed = text.find('\n', end);
        end = feed == std::string_view::npos ? text.size() : feed + 1;
        const XmlParseResult partial = parseLines(text.substr(0, end));
        // A run that merely stops early is unclosed (or, before the root, empty).
        if (partial != XmlParseResult::Unclosed && partial != XmlParseResult::Ok &&
            !(partial == XmlParseResult::NoElement &&
              text.substr(0, end).find('<') == std::string_view::npos)) {
            return "line " + std::to_string(line) + ": " + describe(partial);
        }
        if (end == text.size()) {
            break;
        }
    }
    return "line " + std::to_string(line) + ": " + describe(whole);
}

} // namespace Zem::Resource
