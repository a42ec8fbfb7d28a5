#pragma once

namespace Zem::Graphics {

// True when an OpenGL context is current on this thread. Without one (the display failed to
// open) nothing may be drawn or uploaded: the run goes on without pictures.
bool hasCurrentContext();

} // namespace Zem::Graphics
