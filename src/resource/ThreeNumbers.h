#pragma once

#include "graphics/Vector3.h"

#include <iosfwd>
#include <string>
#include <string_view>

namespace Zem::Resource {

class XmlNode;

// The text form of every vector and script time: three floats separated by blanks or by one
// other character ("1 2 3", "1,2,3", "1, 2, 3"). Each number that cannot be read keeps the value
// it had; the second and third are retried once after skipping one non-blank character.
void readThreeNumbers(std::istream& in, float& x, float& y, float& z);
void readThreeNumbers(std::istream& in, Graphics::Vector3& v);
void readThreeNumbers(const std::string& text, Graphics::Vector3& v);

// Reads the text of `node`'s child `key` as three numbers. False, with `target` untouched, when
// there is no such child.
bool readValue(const XmlNode& node, std::string_view key, Graphics::Vector3& target);

} // namespace Zem::Resource
