#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace zarava::bench {

// The value below which the fraction p (0 to 1) of the values lie, the nearest one taken; 0
// for no values.
inline double Percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto i = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(i, values.size() - 1)];
}

} // namespace zarava::bench
