#include "bench/Summary.h"

#include <algorithm>
#include <cstdio>

#include "bench/IterationSamples.h"

namespace spectro::bench {

void SummaryReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        // The registered name, without the time-type suffix the library adds.
        const std::string& name = run.run_name.function_name;
        if (run.error_occurred) {
            failures_.push_back(name + ": " + run.error_message);
            continue;
        }
        auto rate = run.counters.find(MEDIAN_RATE);
        if (rate == run.counters.end()) rate = run.counters.find("items_per_second");
        if (rate == run.counters.end()) continue;
        const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (run.run_type == Run::RT_Aggregate && !median) continue;
        Kept& entry = kept[name];
        if (entry.median && !median) continue;
        entry = {rate->second.value, median};
    }
}

std::optional<double> SummaryReporter::itemsPerSecond(const std::string& benchmark) const {
    const auto found = kept.find(benchmark);
    if (found == kept.end() || found->second.itemsPerSecond <= 0) return std::nullopt;
    return found->second.itemsPerSecond;
}

namespace {

std::string shownValue(Shown shown, double itemsPerSecond) {
    char text[64];
    if (shown == Shown::NanosecondsPerSpectrum)
        std::snprintf(text, sizeof text, "%.1f ns/spectrum", 1e9 / itemsPerSecond);
    else
        std::snprintf(text, sizeof text, "%.0f Mpixel/s", itemsPerSecond / 1e6);
    return text;
}

std::string padded(const std::string& text, std::size_t width) {
    return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

}  // namespace

void printSummary(std::ostream& out, const std::vector<Comparison>& comparisons,
                  const SummaryReporter& results) {
    struct Line {
        const Comparison* comparison;
        double figure, baseline;
    };
    std::vector<Line> lines;
    std::size_t figureWidth = 6, baselineWidth = 8;
    for (const Comparison& c : comparisons) {
        const auto figure = results.itemsPerSecond(c.figureBenchmark);
        const auto baseline = results.itemsPerSecond(c.baselineBenchmark);
        if (!figure || !baseline) continue;
        lines.push_back({&c, *figure, *baseline});
        figureWidth = std::max(figureWidth, c.figure.size());
        baselineWidth = std::max(baselineWidth, c.baseline.size());
    }

    out << "\nSummary (medians where repeated; ratio = the figure's time per item over its "
           "baseline's)\n";
    if (lines.empty())
        out << "no figure ran together with its baseline\n";
    else
        out << padded("figure", figureWidth) << "  " << padded("value", 18) << "  "
            << padded("baseline", baselineWidth) << "  " << padded("value", 18)
            << "  ratio  target\n";
    for (const Line& line : lines) {
        const Comparison& c = *line.comparison;
        const double ratio = line.baseline / line.figure;
        char ratioText[64];
        std::snprintf(ratioText, sizeof ratioText, "%6.3f", ratio);
        std::string verdict = "-";
        if (c.target) {
            char text[64];
            std::snprintf(text, sizeof text, "<= %.2f %s", *c.target,
                          ratio <= *c.target ? "met" : "MISSED");
            verdict = text;
        }
        out << padded(c.figure, figureWidth) << "  " << padded(shownValue(c.shown, line.figure), 18)
            << "  " << padded(c.baseline, baselineWidth) << "  "
            << padded(shownValue(c.shown, line.baseline), 18) << "  " << ratioText << "  "
            << verdict << "\n";
    }
    for (const std::string& failure : results.failures()) out << "FAILED " << failure << "\n";
}

}  // namespace spectro::bench
