#pragma once

#include "resource/XmlNode.h"

#include <string>
#include <string_view>

namespace Zem::Resource {

// Where and why a document does not parse, for a person to find it: "line 12: an element is
// closed by an end tag of another name", the line the parser failed on. Empty when it parses.
std::string describeXmlError(std::string_view text);

// What an outcome of XmlNode::parse means, in a few words.
const char* describe(XmlParseResult result);

} // namespace Zem::Resource
