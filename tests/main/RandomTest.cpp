#include "main/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using Zem::Main::Random;

namespace {

std::vector<int> draw(int count) {
    std::vector<int> values;
    for (int i = 0; i < count; ++i) {
        values.push_back(Random::next());
    }
    return values;
}

// The state is 32 bits wide and wraps: seed -1 gives x = 2316998, bits 16..30 give 35.
TEST(RandomTest, SeedsGiveTheClassicSequenceWrappingAndStayingInRange) {
    Random::seed(1);
    EXPECT_EQ(draw(5), (std::vector<int>{41, 18467, 6334, 26500, 19169}));
    Random::seed(1);
    EXPECT_FLOAT_EQ(Random::unit(), 41.0f / 32767.0f);

    Random::seed(-1);
    const std::vector<int> values = draw(1000);
    EXPECT_EQ(values[0], 35);
    EXPECT_GE(*std::min_element(values.begin(), values.end()), 0);
    EXPECT_LE(*std::max_element(values.begin(), values.end()), Random::max);
}

} // namespace
