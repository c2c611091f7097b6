#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillfen {

// Trigger type names indexed by value; the value goes to the device unchanged as its trigger mode.
inline constexpr std::array<const char*, 2> TRIGGER_TYPE_NAMES = {"Software", "Hardware"};

// Facade slot values of a record that holds no device.
inline constexpr std::int32_t SLOT_NOT_FOUND = -1;    // configured, not (yet) found
inline constexpr std::int32_t SLOT_PLACEHOLDER = -2;  // discover-all: may take any device

// One configured spectrometer, kept by value in configuration order from reading the
// configuration until the devices are closed.
struct SpectrometerRecord {
    std::uint32_t integrationTime_us = 2000;
    std::int32_t spectraCount = 2;
    std::int32_t slot = SLOT_NOT_FOUND;
    std::int32_t spectrumLength = 0;
    std::int32_t triggerType = 0;
    std::string serialNumber;
    std::string name;
    std::string dataFilePath;                   // the pattern until setup expands it
    // Buffers, allocated zero-filled by setup and released by closeSpectrometers (empty: none).
    std::vector<double> spectra;          // spectraCount x spectrumLength, burst order
    std::vector<double> timeDifferences;  // spectraCount, seconds between requests
    std::vector<double> wavelengths;      // spectrumLength, nanometres
    std::vector<double> testSpectrum;     // spectrumLength: setup's spectrum, not part of the shot
    double pcbTemperature = 0.0;
    // The monotonic clock in nanoseconds right after the burst's first frame arrived; none when
    // no frame arrived (a burst that failed at once, or "Spectra": 0).
    std::optional<std::int64_t> firstTimestamp_ns;
    std::int64_t relativeDelay_ns = 0;  // to the first processed spectrometer with a timestamp
    std::array<double, 8> nonLinearityCalibration{};
    double strayLightConstant = 0.0;
};

// A record of discover-all mode: default settings, waiting for any device.
SpectrometerRecord makePlaceholderRecord();

}  // namespace quillfen
