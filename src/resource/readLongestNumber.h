#pragma once

#include <iosfwd>

namespace Zem::Resource {

// Reads a decimal number the way settings are written: leading white space skipped, then the
// longest valid number, so "2e", "1.5e+" and "3.25E-x" give 2, 1.5 and 3.25. The dangling
// exponent is consumed with the number, so "2e 1 3" still reads as three numbers. A number too
// small for the type reads 0. On failure (no digit, or too large for the type) the target keeps
// its value and the failbit is set.
bool readLongestNumber(std::istream& in, float& target);
bool readLongestNumber(std::istream& in, double& target);

} // namespace Zem::Resource
