// Timing helpers shared by the benchmark programs: a millisecond clock and the median.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

inline double millisecondsSince(const LARGE_INTEGER& start) {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

// Sorts values and returns their median (0 for none).
inline double sortedMedian(std::vector<double>& values) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    if (values.size() % 2 == 1)
        return values[middle];
    return (values[middle - 1] + values[middle]) / 2.0;
}
