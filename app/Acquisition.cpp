#include "app/Acquisition.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <iostream>
#include <mutex>
#include <thread>

#include "app/AppStatus.h"
#include "app/ShotFile.h"

namespace quillfen {

namespace {

using spectro::SpectroWrapper;

// The life of one record's burst, as the main thread sees it.
enum AcquisitionState : std::uint8_t {
    ARMED = 0,     // set by the main thread before the thread starts
    RUNNING = 1,   // set inside the burst once the first spectrum was read
    FINISHED = 2,  // set by the thread when the burst returned
    PROCESSED = 3, // set by the main thread when it takes the result
};

constexpr unsigned int POLL_PERIOD_MS = 500;
constexpr double UNKNOWN_TEMPERATURE = -273.15;

// One step above normal; without the privilege the thread stays where it is.
void raiseThreadPriority() {
    const auto thread = static_cast<id_t>(syscall(SYS_gettid));
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, thread);
    if (errno == 0) setpriority(PRIO_PROCESS, thread, nice - 1);
}

void acquisitionThread(SpectrometerRecord& record, SpectroWrapper& facade,
                       std::atomic<std::uint8_t>& state) {
    raiseThreadPriority();
    int code = 0;
    std::int32_t pixelsPerSpectrum = 0;
    facade.collectSpectra(record.slot, &code, record.spectraCount, record.spectra,
                          &pixelsPerSpectrum, record.timeDifferences, &record.firstTimestamp_ns,
                          &state);
    checkError("Collect spectra failed for " + record.name, code);
    state.exchange(FINISHED);
}

void emitLocked(const nlohmann::json& status) {
    std::lock_guard<std::mutex> lock(consoleMutex);
    emitStatus(status);
}

void process(SpectroWrapper& facade, SpectrometerRecord& record, RelativeDelays& delays,
             bool first) {
    int code = 0;
    record.pcbTemperature = facade.getPCBTemperature(record.slot, &code);
    if (!checkError("Get temperature failed for " + record.name, code))
        record.pcbTemperature = UNKNOWN_TEMPERATURE;
    if (first) emitLocked(AppStatus().message(STATUS_SAVING, "Saving.", ""));
    record.relativeDelay_ns = delays.delayOf(record);
    if (saveShotFile(record)) emitLocked(AppStatus().fileSaved(record.name, "HDF5"));
}

void printStatistics(const SpectrometerRecord& record) {
    std::cout << "Acquisition statistic for spectrometer " << record.serialNumber << " ("
              << record.name << ")" << std::endl;
    std::cout << " Temperature: " << record.pcbTemperature << " \u00B0C" << std::endl;
    if (record.spectraCount > 1) {
        double sum = 0.0;
        for (std::size_t k = 1; k < record.timeDifferences.size(); ++k)
            sum += record.timeDifferences[k];
        std::cout << " Average time: " << sum / (record.spectraCount - 1) * 1000 << " ms"
                  << std::endl;
    }
    std::cout << " Delay relative to the first finished spectrometer: "
              << static_cast<double>(record.relativeDelay_ns) / 1000000.0 << " ms" << std::endl;
}

}  // namespace

std::int64_t RelativeDelays::delayOf(const SpectrometerRecord& record) {
    if (!record.firstTimestamp_ns) return 0;
    if (!reference) reference = Reference{*record.firstTimestamp_ns, record.integrationTime_us};
    // Taking off the integration time estimates when the first exposure began.
    return *record.firstTimestamp_ns +
           1000 * (static_cast<std::int64_t>(reference->integrationTime_us) -
                   static_cast<std::int64_t>(record.integrationTime_us)) -
           reference->timestamp_ns;
}

void sleepMillis(unsigned int milliseconds) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_until(deadline);
}

void acquireSpectra(SpectroWrapper& facade, std::vector<SpectrometerRecord>& records) {
    std::cout << "Collecting spectra" << std::endl;
    std::vector<std::atomic<std::uint8_t>> states(records.size());
    std::vector<std::thread> threads;
    threads.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        states[i].exchange(ARMED);
        threads.emplace_back(acquisitionThread, std::ref(records[i]), std::ref(facade),
                             std::ref(states[i]));
        emitLocked(AppStatus().message(STATUS_ARMED, "Armed", records[i].name));
    }
    emitLocked(AppStatus().message(STATUS_ARMED, "Armed", ""));

    // No time limit: a unit waiting for a hardware trigger keeps the program here.
    auto started = [&] {
        for (const auto& state : states)
            if (state.load() != ARMED) return true;
        return false;
    };
    while (!started()) sleepMillis(POLL_PERIOD_MS);
    emitLocked(AppStatus().message(STATUS_RUNNING, "Running", ""));

    RelativeDelays delays;
    bool first = true;
    std::size_t remaining = records.size();
    for (;;) {
        for (std::size_t i = 0; i < records.size(); ++i) {
            if (states[i].load() != FINISHED) continue;
            states[i].exchange(PROCESSED);
            threads[i].join();
            process(facade, records[i], delays, first);
            first = false;
            --remaining;
        }
        if (remaining == 0) break;
        sleepMillis(POLL_PERIOD_MS);
    }
    for (auto& thread : threads)
        if (thread.joinable()) thread.join();

    for (const auto& record : records) printStatistics(record);
}

}  // namespace quillfen
