#include "main/Random.h"

namespace Zem::Main {

uint32_t Random::state = 1;

void Random::seed(int32_t value) {
    state = static_cast<uint32_t>(value);
}

int Random::next() {
    // Unsigned arithmetic wraps modulo 2^32, as the sequence requires.
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7fffu);
}

float Random::unit() {
    return static_cast<float>(next()) / static_cast<float>(max);
}

} // namespace Zem::Main
