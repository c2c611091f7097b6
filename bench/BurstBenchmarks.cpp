// The burst loop of the extra features collection against the bare transfers it is made of.
//
// One CollectSpectra call has three phases: the frame store is allocated, the loop of request
// and read runs, then the frames are decoded. The call's own outputs tell where the loop
// begins and ends (the first timestamp is taken after frame 0, the intervals span request 0
// to the end of the loop), so each phase is timed from outside without changing the call.

#include <atomic>
#include <cmath>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "bench/Benchmarks.h"
#include "bench/IterationSamples.h"
#include "bench/RampFrames.h"

namespace spectro::bench {

namespace {

constexpr std::uint8_t REQUEST_SPECTRUM = 0x09;

// The outputs of one burst, allocated once per benchmark run.
struct BurstOutputs {
    BurstOutputs(std::size_t values, std::int32_t count)
        : spectra(values), intervals(static_cast<std::size_t>(count)) {}

    std::int32_t collect(BenchRig& rig, std::int32_t count) {
        started.store(0);
        return rig.collection().CollectSpectra(rig.bus(), count, spectra, &pixels, intervals,
                                               &first, &started);
    }

    std::vector<double> spectra;
    std::vector<double> intervals;
    std::int32_t pixels = 0;
    std::optional<std::int64_t> first;
    std::atomic<std::uint8_t> started{0};
};

// Where the loop of a burst of `count` spectra began and ended on the steady clock.
struct LoopSpan {
    std::int64_t begin, end;
};

LoopSpan loopSpanOf(const BurstOutputs& outputs, std::int32_t count) {
    const auto nanoseconds = [](double seconds) { return std::llround(seconds * 1e9); };
    LoopSpan span{*outputs.first - nanoseconds(outputs.intervals[0]), 0};
    span.end = span.begin;
    for (std::int32_t k = 0; k < count; ++k) span.end += nanoseconds(outputs.intervals[k]);
    return span;
}

void perSpectrum(benchmark::State& state, std::int32_t count) {
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["per_spectrum"] = benchmark::Counter(
        count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// How much of the collection's loop a bare run copies.
enum BareExtras : unsigned {
    NOTHING = 0,
    CLOCK = 1,        // the timestamp before each request
    FRESH_STORE = 2,  // a store allocated and zeroed just before the loop, as the collection's
};

// The request and the frame read of every spectrum through the rig's USB object into a store
// like the collection's, and nothing else but the extras; only the loop is timed.
template <unsigned Extras>
void bareTransfers(benchmark::State& state, BenchRig& rig) {
    constexpr bool clocked = (Extras & CLOCK) != 0;
    const auto frameBytes = static_cast<int>(rig.model().frameBytes());
    const std::uint8_t requestEndpoint = rig.model().row.endpoints.cmdOut;
    const std::uint8_t frameEndpoint = rig.model().row.endpoints.dataIn;
    const std::size_t storeBytes = BURST_SPECTRA * rig.model().frameBytes();
    std::vector<std::uint8_t> store(storeBytes);
    std::vector<std::int64_t> timestamps(BURST_SPECTRA + 1);
    USB& usb = rig.usb();
    IterationSamples samples(state, BURST_SPECTRA);
    for (auto _ : state) {
        if constexpr ((Extras & FRESH_STORE) != 0) {
            store = std::vector<std::uint8_t>();
            store = std::vector<std::uint8_t>(storeBytes);
        }
        const std::int64_t begin = steadyNanoseconds();
        std::uint8_t* frame = store.data();
        for (std::int32_t i = 0; i < BURST_SPECTRA; ++i, frame += frameBytes) {
            if constexpr (clocked) timestamps[i] = steadyNanoseconds();
            if (usb.write(requestEndpoint, &REQUEST_SPECTRUM, 1) != 1 ||
                usb.read(frameEndpoint, frame, frameBytes) != frameBytes) {
                state.SkipWithError("a bare transfer failed");
                break;
            }
        }
        if constexpr (clocked) timestamps[BURST_SPECTRA] = steadyNanoseconds();
        const std::int64_t end = steadyNanoseconds();
        benchmark::DoNotOptimize(store.data());
        benchmark::DoNotOptimize(timestamps.data());
        benchmark::ClobberMemory();
        samples.add(end - begin);
    }
    perSpectrum(state, BURST_SPECTRA);
}

enum class Phase { Loop, AfterLoop, WholeCall };

// Whole CollectSpectra calls of `count` spectra; the time kept is the phase's. With
// `storeValues` false the spectra output holds one value, so that the decode stores nothing
// and leaves the caches as the bare runs find them: the loop itself is the same either way,
// but after a decode that wrote 16 MB of values the frame store has left the caches.
void collectSpectra(benchmark::State& state, BenchRig& rig, Phase phase, std::int32_t count,
                    bool storeValues) {
    const auto values =
        static_cast<std::int64_t>(count) * static_cast<std::int64_t>(rig.model().pixels());
    BurstOutputs outputs(storeValues ? static_cast<std::size_t>(values) : 1, count);
    IterationSamples samples(state,
                             phase == Phase::AfterLoop ? static_cast<double>(values) : count);
    for (auto _ : state) {
        const std::int64_t callBegin = steadyNanoseconds();
        std::int32_t produced = 0;
        try {
            produced = outputs.collect(rig, count);
        } catch (const std::exception& e) {
            state.SkipWithError(e.what());
            break;
        }
        const std::int64_t callEnd = steadyNanoseconds();
        if (produced != values || !outputs.first) {
            state.SkipWithError("CollectSpectra returned an unexpected count");
            break;
        }
        const LoopSpan loop = loopSpanOf(outputs, count);
        const std::int64_t kept = phase == Phase::Loop        ? loop.end - loop.begin
                                  : phase == Phase::AfterLoop ? callEnd - loop.end
                                                              : callEnd - callBegin;
        samples.add(kept);
    }
    if (phase == Phase::AfterLoop) {
        state.SetItemsProcessed(state.iterations() * values);
    } else {
        perSpectrum(state, count);
        state.counters["pixels_per_second"] = benchmark::Counter(
            static_cast<double>(values), benchmark::Counter::kIsIterationInvariantRate);
    }
}

// A short burst must come back as the ramp, in sync, with a loop span inside the call.
void checkBurst(BenchRig& rig) {
    constexpr std::int32_t count = 3;
    const std::size_t pixels = rig.model().pixels();
    BurstOutputs outputs(count * pixels, count);
    const std::int64_t callBegin = steadyNanoseconds();
    const std::int32_t produced = outputs.collect(rig, count);
    const std::int64_t callEnd = steadyNanoseconds();
    const std::string who = rig.model().name() + " burst: ";
    if (produced != static_cast<std::int32_t>(count * pixels) ||
        outputs.pixels != static_cast<std::int32_t>(pixels) || !outputs.first ||
        outputs.started.load() != 1)
        throw std::runtime_error(who + "unexpected outputs");
    for (std::size_t k = 0; k < count * pixels; ++k)
        if (outputs.spectra[k] != rampValue(k % pixels))
            throw std::runtime_error(who + "value " + std::to_string(k) + " is not the ramp");
    const LoopSpan loop = loopSpanOf(outputs, count);
    if (loop.begin < callBegin || loop.end < loop.begin || loop.end > callEnd)
        throw std::runtime_error(who + "the loop span lies outside the call");
}

}  // namespace

void registerBurstBenchmarks(BenchRig& rig, std::vector<Comparison>& comparisons) {
    checkBurst(rig);
    const BenchModel& model = rig.model();
    const auto name = [&](const char* what, std::int32_t spectra = 0) {
        return benchmarkName(what, model, spectra);
    };
    const auto bare = [&](const char* what, void (*run)(benchmark::State&, BenchRig&)) {
        benchmark::RegisterBenchmark(name(what).c_str(), run, std::ref(rig))->UseManualTime();
    };
    const auto collect = [&](const std::string& registered, Phase phase, std::int32_t spectra,
                             bool storeValues) {
        benchmark::RegisterBenchmark(registered.c_str(), collectSpectra, std::ref(rig), phase,
                                     spectra, storeValues)
            ->UseManualTime();
    };
    bare("BM_BareIO", bareTransfers<NOTHING>);
    bare("BM_BareIOWithClock", bareTransfers<CLOCK>);
    bare("BM_BareIOWithClockFreshStore", bareTransfers<CLOCK | FRESH_STORE>);
    collect(name("BM_BurstLoop"), Phase::Loop, BURST_SPECTRA, false);
    collect(name("BM_BurstLoopValuesStored"), Phase::Loop, BURST_SPECTRA, true);
    collect(name("BM_CollectSpectra"), Phase::WholeCall, BURST_SPECTRA, true);
    collect(name("BM_CollectionDecode", SHORT_BURST_SPECTRA), Phase::AfterLoop, SHORT_BURST_SPECTRA,
            true);
    collect(name("BM_CollectionDecode", BURST_SPECTRA), Phase::AfterLoop, BURST_SPECTRA, true);

    const auto line = [&](std::string figure, const char* figureBenchmark, std::string baseline,
                          const char* baselineBenchmark, std::optional<double> target) {
        comparisons.push_back({std::move(figure), name(figureBenchmark), std::move(baseline),
                               name(baselineBenchmark), Shown::NanosecondsPerSpectrum, target});
    };
    // The target line, then where the difference comes from, step by step.
    line("burst loop, " + model.name(), "BM_BurstLoop", "bare write + read", "BM_BareIO", 1.05);
    line("  bare + clock per request", "BM_BareIOWithClock", "bare write + read", "BM_BareIO",
         std::nullopt);
    line("  bare + clock, fresh store", "BM_BareIOWithClockFreshStore", "bare + clock per request",
         "BM_BareIOWithClock", std::nullopt);
    line("  burst loop", "BM_BurstLoop", "bare + clock, fresh store",
         "BM_BareIOWithClockFreshStore", std::nullopt);
    line("  burst loop, values stored", "BM_BurstLoopValuesStored", "burst loop", "BM_BurstLoop",
         std::nullopt);
    line("  whole CollectSpectra call", "BM_CollectSpectra", "bare write + read", "BM_BareIO",
         std::nullopt);
}

}  // namespace spectro::bench
