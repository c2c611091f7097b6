// quillfen-bench: the hot paths of the device library on a replay USB platform, each figure
// next to a baseline measured in the same run, and a summary of the ratios at the end. Takes
// the usual Google Benchmark options (scripts/bench passes repetitions and interleaving); the
// display is always the console, --benchmark_out writes the other formats.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <vector>

#include "bench/BenchModels.h"
#include "bench/BenchRig.h"
#include "bench/Benchmarks.h"
#include "bench/Summary.h"

int main(int argc, char** argv) {
    using namespace spectro::bench;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    std::vector<std::unique_ptr<BenchRig>> rigs;
    std::vector<Comparison> comparisons;
    try {
        installReplayPlatform(benchModels());
        for (const BenchModel& model : benchModels())
            rigs.push_back(std::make_unique<BenchRig>(model));
        for (auto& rig : rigs) registerBurstBenchmarks(*rig, comparisons);
        for (auto& rig : rigs) registerDecodeBenchmarks(*rig, comparisons);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillfen-bench: %s\n", e.what());
        return 1;
    }

    SummaryReporter reporter(isatty(STDOUT_FILENO) != 0);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printSummary(std::cout, comparisons, reporter);
    benchmark::Shutdown();
    return reporter.failures().empty() ? 0 : 1;
}
