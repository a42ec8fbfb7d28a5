#include "main/Random.h"

#include <gtest/gtest.h>

using Zem::Main::Random;

namespace {

TEST(RandomTest, SeedOneGivesTheClassicSequence) {
    Random::seed(1);
    for (const int expected : {41, 18467, 6334, 26500, 19169}) {
        EXPECT_EQ(expected, Random::next());
    }
}

TEST(RandomTest, TheStateWrapsAtThirtyTwoBits) {
    Random::seed(-1); // x = 2316998, bits 16..30 give 35
    EXPECT_EQ(Random::next(), 35);
}

} // namespace
