// Timing for the benchmark tools: microseconds from the performance counter, and the median of
// repeated rounds of some work.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

inline double NowMicroseconds() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

template <typename F> double MedianMicroseconds(int rounds, F&& work) {
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        const double start = NowMicroseconds();
        work();
        times.push_back(NowMicroseconds() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
