#include "graphics/HDRSettings.h"

namespace Zem::Graphics {

float exposure = 0.18f;
float bloomScale = 1.0f;

} // namespace Zem::Graphics
