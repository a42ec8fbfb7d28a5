#pragma once

#include <string>

namespace Zem::App {

// The shipped data folder that goes with the program in `programFolder` (ending in "/"): its own
// data/ (an unpacked release), else the data/ beside it (a build folder in the source tree).
// Ends in "/"; empty when neither holds a main.world.
std::string findShippedData(const std::string& programFolder);

} // namespace Zem::App
