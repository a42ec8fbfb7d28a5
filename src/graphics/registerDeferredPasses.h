#pragma once

#include <string>
#include <vector>

namespace Zem::Graphics {

// Registers the frame's three passes with the ShaderRegistry, in this order: G-buffer
// (id 250, order 1000, also the default geometry pass), light (360, 2000), HDR (460, 3000).
// The HDR pass composes with the edge filter unless edgeFilter is false.
void registerDeferredPasses(bool edgeFilter = true);

// The program files the three passes link, vertex and fragment, in the order they are linked:
// what must be found under the data folder for the frame to be drawn as designed.
std::vector<std::string> deferredPassFiles();

} // namespace Zem::Graphics
