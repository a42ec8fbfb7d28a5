#pragma once

#include <cstdint>

namespace Zem::Main {

// The one random sequence of the program, the classic 15-bit linear congruential generator
// (x = x * 214013 + 2531011, result bits 16..30). Effects draw from it in a fixed order, so a
// seed given by the world fixes everything drawn after it, whoever draws.
class Random {
public:
    static constexpr int max = 32767;

    // Restarts the sequence; a fresh program runs as if seeded with 1.
    static void seed(int32_t value);
    // The next value, 0 to max.
    static int next();
    // The next value divided by max: 0 to 1, both ends included.
    static float unit();

private:
    static uint32_t state;
};

} // namespace Zem::Main
