#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "bench/BenchRig.h"
#include "bench/Summary.h"

namespace spectro::bench {

// Spectra per burst: long enough that the call's fixed costs and the timer's own cost vanish
// in the per-spectrum figure, and the frame store (4 to 5 MB) is far larger than a core's L2.
constexpr std::int32_t BURST_SPECTRA = 1000;
// Spectra of the short burst whose decode works in the caches, for the decode of a frame.
constexpr std::int32_t SHORT_BURST_SPECTRA = 8;

// The clock the burst's timestamps use, read the same way.
inline std::int64_t steadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// "BM_BurstLoop/HR2000+", or with a burst length "BM_CollectionDecode/HR2000+/spectra:8".
inline std::string benchmarkName(const char* what, const BenchModel& model,
                                 std::int32_t spectra = 0) {
    std::string name = std::string(what) + "/" + model.name();
    if (spectra > 0) name += "/spectra:" + std::to_string(spectra);
    return name;
}

// Each checks once that its path gives the ramp back (so that a fault cannot pass for a fast
// run), then registers its benchmarks for the rig's model and the summary lines comparing
// them with their baselines. A failed check throws std::runtime_error.
void registerBurstBenchmarks(BenchRig& rig, std::vector<Comparison>& comparisons);
void registerDecodeBenchmarks(BenchRig& rig, std::vector<Comparison>& comparisons);

}  // namespace spectro::bench
