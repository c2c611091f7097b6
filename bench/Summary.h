#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace spectro::bench {

// How a figure is shown; either way the ratio is the figure's time per item over its
// baseline's, so 1.05 means 5 % slower than the baseline.
enum class Shown {
    NanosecondsPerSpectrum,  // items are spectra
    MegapixelsPerSecond,     // items are pixels
};

// One line of the summary: a figure, its baseline from the same run, and the target the
// ratio must stay at or below (none for a line that only explains another).
struct Comparison {
    std::string figure;
    std::string figureBenchmark;
    std::string baseline;
    std::string baselineBenchmark;
    Shown shown = Shown::NanosecondsPerSpectrum;
    std::optional<double> target;
};

// The console output, and for each benchmark its items per second (the rate of its median
// iteration where it has one, else its mean): the median over repetitions when it was
// repeated, else its one run. Benchmarks that failed are kept with their message.
class SummaryReporter : public benchmark::ConsoleReporter {
  public:
    // Colours only for a terminal, so that a saved run reads as plain text.
    explicit SummaryReporter(bool colour) : ConsoleReporter(colour ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override;

    std::optional<double> itemsPerSecond(const std::string& benchmark) const;
    // "name: message" for every benchmark that failed.
    const std::vector<std::string>& failures() const { return failures_; }

  private:
    struct Kept {
        double itemsPerSecond = 0;
        bool median = false;
    };
    std::map<std::string, Kept> kept;
    std::vector<std::string> failures_;
};

// One line per comparison whose two benchmarks both ran, with the verdict where there is a
// target; then the failed benchmarks.
void printSummary(std::ostream& out, const std::vector<Comparison>& comparisons,
                  const SummaryReporter& results);

}  // namespace spectro::bench
