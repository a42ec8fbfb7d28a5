#pragma once

namespace Zem::Graphics {

// Drains the GL error queue, writing every error with the pass name to standard error.
// False when there was any. The passes call it once per frame in debug builds.
bool reportGLErrors(const char* passName);

} // namespace Zem::Graphics
