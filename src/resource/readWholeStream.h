#pragma once

#include <istream>
#include <string>

namespace Zem::Resource {

// Every byte from the stream's current place to its end. Parsers then work on memory and may
// pass over it as often as they need.
std::string readWholeStream(std::istream& stream);

} // namespace Zem::Resource
