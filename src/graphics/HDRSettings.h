#pragma once

namespace Zem::Graphics {

// The two screen-wide settings of the HDR pass, written by the script through a ScreenMaster's
// channels and read by the pass every frame. They keep the last value written.
extern float exposure;
extern float bloomScale;

} // namespace Zem::Graphics
