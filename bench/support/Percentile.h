#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

namespace ZemBench {

// The 95th percentile of the values (not empty): the smallest that at least 95% do not exceed.
inline double percentile95(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t index = static_cast<size_t>(std::ceil(0.95 * values.size())) - 1;
    return values[std::min(index, values.size() - 1)];
}

} // namespace ZemBench
