#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace spectro::bench {

// The counter the summary reads when a benchmark sets it.
inline constexpr const char* MEDIAN_RATE = "median_items_per_second";

// Keeps the time of every iteration of a manually timed benchmark and, at the end, adds the
// rate of the median iteration as a counter. On a shared machine a few iterations that the
// scheduler interrupted pull the mean (the library's own figure) far off; the median is what
// the code costs when it runs.
class IterationSamples {
  public:
    IterationSamples(benchmark::State& state, double itemsPerIteration)
        : state(state), itemsPerIteration(itemsPerIteration) {
        samples.reserve(1 << 16);
    }
    ~IterationSamples() {
        if (samples.empty()) return;
        const auto middle = samples.begin() + static_cast<std::ptrdiff_t>(samples.size() / 2);
        std::nth_element(samples.begin(), middle, samples.end());
        if (*middle > 0) state.counters[MEDIAN_RATE] = itemsPerIteration * 1e9 / *middle;
    }
    IterationSamples(const IterationSamples&) = delete;
    IterationSamples& operator=(const IterationSamples&) = delete;

    void add(std::int64_t nanoseconds) {
        state.SetIterationTime(static_cast<double>(nanoseconds) / 1e9);
        samples.push_back(nanoseconds);
    }

  private:
    benchmark::State& state;
    double itemsPerIteration;
    std::vector<std::int64_t> samples;
};

}  // namespace spectro::bench
