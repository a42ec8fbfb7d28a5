#pragma once

namespace Zem::Graphics {

// Registers the frame's three passes with the ShaderRegistry, in this order: G-buffer
// (id 250, order 1000, also the default geometry pass), light (360, 2000), HDR (460, 3000).
// The HDR pass composes with the edge filter unless edgeFilter is false.
void registerDeferredPasses(bool edgeFilter = true);

} // namespace Zem::Graphics
