#pragma once

// Small timing helpers shared by the benchmark programs.

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

inline double NowMs()
{
    static const double ticksPerMs = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / ticksPerMs;
}

inline double Median(std::vector<double> values)
{
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The value below which a share q (0 to 1) of the values lie, read from the
// sorted values without interpolation.
inline double Quantile(std::vector<double> values, double q)
{
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto last = static_cast<double>(values.size() - 1);
    return values[static_cast<size_t>(std::lround(q * last))];
}

// One row of the benchmark table: | what | figure | peer | ratio | goal |
inline void Row(const char* what, const char* figure, const char* peer, const char* ratio, const char* goal)
{
    std::printf("| %s | %s | %s | %s | %s |\n", what, figure, peer, ratio, goal);
    std::fflush(stdout);
}
