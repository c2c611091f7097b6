// The frame decoders against plain copies: the collection's decode after the burst loop (timed
// in BurstBenchmarks.cpp) and the formatted spectrum exchange of the legacy protocol, each in
// pixels per second.

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "bench/Benchmarks.h"
#include "bench/IterationSamples.h"
#include "bench/RampFrames.h"
#include "bench/ReplayTransferHelper.h"
#include "device/common/DataVectors.h"
#include "device/protocols/GainAdjustmentSource.h"
#include "device/protocols/legacy/LegacySpectrumExchanges.h"

namespace spectro::bench {

namespace {

using namespace legacyProtocol;

// The scale a gain-adjusting format asks its feature for: the model's maximum intensity and a
// saturation level below it, so that the ramp is scaled up but never clamped.
class BenchGainSource : public GainAdjustmentSource {
  public:
    explicit BenchGainSource(int maximumIntensity) : maximum(maximumIntensity) {}
    int getMaximumIntensity() const override { return maximum; }
    int getSaturationLevel() override { return maximum - maximum / 16; }

  private:
    int maximum;
};

// The model's formatted exchange, as its spectrometer feature builds it.
struct FormattedExchange {
    explicit FormattedExchange(const BenchModel& model)
        : source(model.row.spectrometer.maxIntensity) {
        const std::uint32_t length = model.row.frameLength;
        const auto pixels = static_cast<std::uint32_t>(model.pixels());
        switch (model.row.format) {
            case LegacySpectrumFormat::HRFPGA:
                exchange = std::make_unique<HRFPGASpectrumExchange>(length, pixels);
                break;
            case LegacySpectrumFormat::MayaPro:
                exchange = std::make_unique<MayaProSpectrumExchange>(length, pixels, &source);
                break;
            default:
                throw std::runtime_error(model.name() + ": no formatted exchange benchmark");
        }
    }

    BenchGainSource source;
    std::unique_ptr<ReadSpectrumExchange> exchange;
};

// What one formatted transfer of the ramp frame must give back for pixel `index`.
double expectedFormatted(const BenchModel& model, BenchGainSource& source, std::size_t index) {
    const double ramp = rampValue(index);
    if (model.row.format != LegacySpectrumFormat::MayaPro) return ramp;
    const double maximum = source.getMaximumIntensity();
    return std::min(maximum, ramp * (maximum / source.getSaturationLevel()));
}

template <class Values>
std::vector<double> valuesOf(const Data* data) {
    const auto* vector = dynamic_cast<const Values*>(data);
    if (vector == nullptr) return {};
    return {vector->getValues().begin(), vector->getValues().end()};
}

void checkFormatted(const BenchRig& rig) {
    FormattedExchange formatted(rig.model());
    ReplayTransferHelper helper(rig.frame());
    const std::unique_ptr<Data> result = formatted.exchange->transfer(helper);
    std::vector<double> values = valuesOf<UShortVector>(result.get());
    if (values.empty()) values = valuesOf<DoubleVector>(result.get());
    const std::string who = rig.model().name() + " formatted exchange: ";
    if (values.size() != rig.model().pixels())
        throw std::runtime_error(who + "unexpected result of " + std::to_string(values.size()) +
                                 " values");
    for (std::size_t i = 0; i < values.size(); ++i)
        if (std::abs(values[i] - expectedFormatted(rig.model(), formatted.source, i)) > 1e-9)
            throw std::runtime_error(who + "value " + std::to_string(i) + " is wrong");
}

// Calls per iteration of the small benchmarks, so that an iteration lasts microseconds and
// the clock read around it does not count.
constexpr int CALLS_PER_ITERATION = 64;

void perPixel(benchmark::State& state, std::size_t pixels, std::size_t bytes, int calls) {
    state.SetItemsProcessed(state.iterations() * calls * static_cast<std::int64_t>(pixels));
    state.SetBytesProcessed(state.iterations() * calls * static_cast<std::int64_t>(bytes));
}

// Transfers through a helper that copies the ramp frame in.
void formattedExchange(benchmark::State& state, BenchRig& rig) {
    FormattedExchange formatted(rig.model());
    ReplayTransferHelper helper(rig.frame());
    const std::size_t pixels = rig.model().pixels();
    IterationSamples samples(state, static_cast<double>(CALLS_PER_ITERATION * pixels));
    for (auto _ : state) {
        const std::int64_t begin = steadyNanoseconds();
        try {
            for (int call = 0; call < CALLS_PER_ITERATION; ++call) {
                const std::unique_ptr<Data> result = formatted.exchange->transfer(helper);
                benchmark::DoNotOptimize(result.get());
            }
        } catch (const std::exception& e) {
            state.SkipWithError(e.what());
            break;
        }
        samples.add(steadyNanoseconds() - begin);
    }
    perPixel(state, pixels, rig.model().frameBytes(), CALLS_PER_ITERATION);
}

// std::copy of `count` elements, counted as `pixels` pixels; `calls` copies per iteration.
template <class Element>
void plainCopy(benchmark::State& state, std::size_t count, std::size_t pixels, int calls) {
    std::vector<Element> source(count);
    for (std::size_t i = 0; i < count; ++i) source[i] = static_cast<Element>(rampValue(i));
    std::vector<Element> target(count);
    IterationSamples samples(state, static_cast<double>(calls) * static_cast<double>(pixels));
    for (auto _ : state) {
        const std::int64_t begin = steadyNanoseconds();
        for (int call = 0; call < calls; ++call) {
            std::copy(source.begin(), source.end(), target.begin());
            benchmark::DoNotOptimize(target.data());
            benchmark::ClobberMemory();
        }
        samples.add(steadyNanoseconds() - begin);
    }
    perPixel(state, pixels, count * sizeof(Element), calls);
}

}  // namespace

void registerDecodeBenchmarks(BenchRig& rig, std::vector<Comparison>& comparisons) {
    checkFormatted(rig);
    const BenchModel& model = rig.model();
    const auto name = [&](const char* what, std::int32_t spectra = 0) {
        return benchmarkName(what, model, spectra);
    };
    const std::size_t pixels = model.pixels();
    const std::size_t burstValues = BURST_SPECTRA * pixels;

    benchmark::RegisterBenchmark(name("BM_FormattedExchange").c_str(), formattedExchange,
                                 std::ref(rig))
        ->UseManualTime();
    benchmark::RegisterBenchmark(name("BM_CopyFrameBytes").c_str(), plainCopy<std::uint8_t>,
                                 model.frameBytes(), pixels, CALLS_PER_ITERATION)
        ->UseManualTime();
    benchmark::RegisterBenchmark(name("BM_CopyDoubles").c_str(), plainCopy<double>, pixels, pixels,
                                 CALLS_PER_ITERATION)
        ->UseManualTime();
    // One copy of a burst already takes milliseconds.
    benchmark::RegisterBenchmark(name("BM_CopyBurstDoubles").c_str(), plainCopy<double>,
                                 burstValues, burstValues, 1)
        ->UseManualTime();

    const std::string bytes = "copy of a frame's bytes";
    const std::string doubles = "copy of " + std::to_string(pixels) + " doubles";
    const std::string burstDoubles = "copy of a burst's doubles";
    const auto line = [&](std::string figure, std::string figureBenchmark, std::string baseline,
                          const char* baselineBenchmark, std::optional<double> target) {
        comparisons.push_back({std::move(figure), std::move(figureBenchmark), std::move(baseline),
                               name(baselineBenchmark), Shown::MegapixelsPerSecond, target});
    };
    // Decoded in the caches (a short burst), then over a long burst whose 16 MB of values go
    // to memory, which a copy of as many doubles shows.
    const std::string shortDecode = name("BM_CollectionDecode", SHORT_BURST_SPECTRA);
    const std::string longDecode = name("BM_CollectionDecode", BURST_SPECTRA);
    line("collection decode, " + model.name(), shortDecode, doubles, "BM_CopyDoubles", 2.0);
    line("  the same", shortDecode, bytes, "BM_CopyFrameBytes", std::nullopt);
    line("  over " + std::to_string(BURST_SPECTRA) + " spectra", longDecode, burstDoubles,
         "BM_CopyBurstDoubles", std::nullopt);
    line("formatted exchange, " + model.name(), name("BM_FormattedExchange"), doubles,
         "BM_CopyDoubles", 2.0);
    line("  the same", name("BM_FormattedExchange"), bytes, "BM_CopyFrameBytes", std::nullopt);
}

}  // namespace spectro::bench
