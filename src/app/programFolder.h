#pragma once

#include <string>

namespace Zem::App {

// The folder the running program's own file stands in, ending in "/", whatever the working
// folder; empty when the system cannot say.
std::string programFolder();

} // namespace Zem::App
