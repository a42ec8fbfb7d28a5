#pragma once

#include <cstdint>
#include <string>

namespace Zem::Resource {
class XmlNode;
}

// The largest counts a world may ask of the effects (docs/world-format.md states them): enough
// for any show, small enough that building them never exhausts memory or stalls a frame.
namespace CountLimits {
constexpr int64_t cubes = 4096;     // CubeGrid: "xsize" x "ysize"
constexpr int64_t specks = 4096;    // DustGlow: "particles"
constexpr int64_t leaves = 1000000; // LeafStorm: "amount" x the "position" children
} // namespace CountLimits

// True when `count` is at most `limit`. Otherwise writes, on standard output, which entity asked
// for too much, e.g. CubeGrid "grid": 90000 cubes ("xsize" x "ysize") is more than 4096, not
// created; the factory then builds nothing.
bool isWithinCountLimit(const Zem::Resource::XmlNode& element, const std::string& type,
                        const std::string& what, int64_t count, int64_t limit);
