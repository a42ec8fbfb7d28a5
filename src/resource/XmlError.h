#pragma once

#include "resource/XmlNode.h"

#include <string>
#include <string_view>

namespace Zem::Resource {

// Where and why the document in `file` does not parse, for a person to find it, in the same
// words at load and at reload: "show.world:11: <entity> is not closed: </ZEMWorld> on line 27
// comes first; end it with </entity>". An element left open is named at its start tag.
std::string describeXmlFault(const std::string& file, const XmlFault& fault);
// The same for a text about to be parsed; empty when it parses.
std::string describeXmlError(const std::string& file, std::string_view text);

// What an outcome of XmlNode::parse means, in a few words.
const char* describe(XmlParseResult result);

} // namespace Zem::Resource
