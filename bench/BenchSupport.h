#pragma once
// Timing and printing shared by the benchmark programs.

#include <chrono>
#include <cstdio>

namespace kolvar::bench {

// Seconds taken by repeats calls of f(i), i counting from 0.
template <class F> double Seconds(int repeats, F&& f) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < repeats; ++i) f(i);
    const std::chrono::duration<double> d = std::chrono::steady_clock::now() - start;
    return d.count();
}

inline void Report(const char* what, double pixels, double seconds) {
    std::printf("%-34s %9.1f Mpixel/s\n", what, pixels / seconds / 1e6);
}

} // namespace kolvar::bench
