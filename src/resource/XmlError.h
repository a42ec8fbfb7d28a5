#pragma once

#include "resource/XmlNode.h"

#include <string>
#include <string_view>

namespace Zem::Resource {

// Where and why a document does not parse, for a person to find it: "line 12: an element is
// closed by an end tag of another name". Empty when it parses.
//
// The parser reads a document with its line feeds dropped, so the line is found by parsing
// ever longer runs of whole lines: the first run that fails other than by ending too soon
// holds the fault. A document that only fails by ending too soon is reported at its last line.
// Only for error messages: it parses the document once per line.
std::string describeXmlError(std::string_view text);

// What an outcome of XmlNode::parse means, in a few words.
const char* describe(XmlParseResult result);

} // namespace Zem::Resource
