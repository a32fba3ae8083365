#pragma once

#include <algorithm>
#include <vector>

// The median of the values, which a busy moment of the shared machine moves less than the mean;
// 0 when there are none.
inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}
