#include "graphics/MathUtil.h"

#include <cmath>

namespace Zem::Graphics {

float squareRoot(float value) {
    return std::sqrt(value);
}

float sine(float radians) {
    return std::sin(radians);
}

float cosine(float radians) {
    return std::cos(radians);
}

} // namespace Zem::Graphics
