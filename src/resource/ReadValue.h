#pragma once

// The vector overload lives with the three-number reader; included so one header gives every
// setting type.
#include "resource/ThreeNumbers.h"

#include <string>
#include <string_view>

namespace Zem::Resource {

class XmlNode;

// Reads the setting held in the text of `node`'s child `key`. With no such child the target keeps
// its default and the result is false. Otherwise the result is true; a number that does not parse
// (leading white space is skipped, the longest valid number is taken) leaves the target as it was.
bool readValue(const XmlNode& node, std::string_view key, int& target);
bool readValue(const XmlNode& node, std::string_view key, unsigned int& target);
bool readValue(const XmlNode& node, std::string_view key, float& target);
bool readValue(const XmlNode& node, std::string_view key, double& target);
// The child's text exactly as written, white space included.
bool readValue(const XmlNode& node, std::string_view key, std::string& target);

} // namespace Zem::Resource
