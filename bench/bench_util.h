#pragma once
// Small timing helpers shared by the benchmark programs: run a piece of work several times
// and report the median, which is less disturbed by a busy machine than the mean.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace bench {

// Median wall time in milliseconds over `runs` runs of `work`; `setup` runs before each, untimed.
inline double medianMs(int runs, const std::function<void()>& work, const std::function<void()>& setup = {}) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        if (setup) setup();
        const auto start = std::chrono::steady_clock::now();
        work();
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Keeps the optimiser from dropping a result.
template <class T> inline void keep(const T& value) { asm volatile("" : : "g"(&value) : "memory"); }

} // namespace bench
