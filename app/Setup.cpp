#include "app/Setup.h"

#include <unistd.h>

#include <cmath>
#include <iostream>
#include <string>

#include "app/AppStatus.h"
#include "app/FormatNamed.h"

namespace quillfen {

namespace {

using spectro::SpectroWrapper;

// Bytes of the burst's frame store per value of a spectrum, generously: the largest frames
// carry about 2.3 bytes a pixel.
constexpr std::uint64_t FRAME_BYTES_PER_VALUE = 3;
constexpr std::uint64_t MOST_VALUES = std::uint64_t{1} << 31;

std::uint64_t physicalMemory() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return UINT64_MAX;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

// False (reported) when the record's buffers cannot exist: a length that is not positive, a
// negative count, more values than the facade can count, or more memory than the machine has
// for the spectra, the test spectrum and the collection's frames together.
bool buffersCanExist(const SpectrometerRecord& record) {
    const std::int64_t count = record.spectraCount;
    const std::int64_t length = record.spectrumLength;
    bool possible = count >= 0 && length > 0;
    if (possible) {
        const auto values = static_cast<std::uint64_t>(count) * static_cast<std::uint64_t>(length);
        const std::uint64_t bytes = values * sizeof(double) +                   // spectra
                                    values * FRAME_BYTES_PER_VALUE +            // frame store
                                    2 * static_cast<std::uint64_t>(length) * sizeof(double) +
                                    static_cast<std::uint64_t>(count) * sizeof(double);
        possible = values <= MOST_VALUES && bytes <= physicalMemory();
    }
    if (!possible) {
        const std::string text = "Cannot allocate buffers for spectrometer " +
                                 record.serialNumber + " (" + std::to_string(count) + " x " +
                                 std::to_string(length) + " values)";
        std::cout << text << std::endl;
        emitStatus(AppStatus().error(text));
    }
    return possible;
}

bool setupOne(SpectroWrapper& facade, SpectrometerRecord& record, bool triggerOverride,
              std::int32_t shotNumber) {
    const int slot = record.slot;
    int code = 0;
    std::cout << "Setting spectrometer " << record.serialNumber << " (" << record.name << ")"
              << std::endl;

    const int firmware = facade.getFWversion(slot, &code);
    if (!checkError("Get FW version failed", code)) return false;
    std::cout << " Firmware: " << firmware << std::endl;

    facade.setStrobeHighDelay(slot, &code);
    if (!checkError("Set strobe / delay failed", code)) return false;
    const int high = facade.getStrobeHighDelay(slot, &code);
    if (!checkError("Get strobe / delay failed", code)) return false;
    facade.setStrobeLowDelay(slot, &code);
    if (!checkError("Set strobe \\ delay failed", code)) return false;
    const int low = facade.getStrobeLowDelay(slot, &code);
    if (!checkError("Get strobe \\ delay failed", code)) return false;
    std::cout << " High Delay is " << high << " (set is 0), Low Delay is " << low
              << " (set is 1000)" << std::endl;

    facade.enableStrobeLamp(slot, &code);
    if (!checkError("Set strobe failed", code)) return false;
    std::cout << " Spectrometer strobe is enabled" << std::endl;

    std::cout << " Setting integration time:" << std::endl;
    facade.setTriggerMode(slot, &code, 0);
    if (!checkError("Disable trigger failed", code)) return false;
    std::cout << "   Trigger mode is Software (0)" << std::endl;

    const auto minimum = static_cast<std::uint32_t>(facade.getMinIntegrationTimeMicros(slot, &code));
    if (!checkError("Get min integration time failed", code)) return false;
    const auto maximum = static_cast<std::uint32_t>(facade.getMaxIntegrationTimeMicros(slot, &code));
    if (!checkError("Get max integration time failed", code)) return false;

    const std::uint32_t configured = record.integrationTime_us;
    if (record.integrationTime_us > maximum) {
        std::cout << "   Integration time (" << configured
                  << " us) is higher than maximum integration time (" << maximum
                  << " us), using maximum." << std::endl;
        record.integrationTime_us = maximum;
    }
    if (record.integrationTime_us < minimum) {
        std::cout << "   Integration time (" << record.integrationTime_us
                  << " us) is lower than minimum integration time (" << minimum
                  << " us), using minimum." << std::endl;
        record.integrationTime_us = minimum;
    }
    facade.setIntegrationTimeMicros(slot, &code, record.integrationTime_us);
    if (!checkError("Set integration time failed", code)) return false;

    // The unit's own word on its integration time replaces the field (a unit without a status
    // block leaves it as set); a value outside its limits (0 would make the sampling frequency
    // infinite) is a failed transfer.
    auto reported = static_cast<std::int32_t>(record.integrationTime_us);
    const int filled = facade.queryStatus(slot, &code, &reported);
    const auto reportedTime = static_cast<std::uint32_t>(reported);
    if (code == SpectroWrapper::SUCCESS && filled > 0 &&
        (reported < 0 || reportedTime < minimum || reportedTime > maximum))
        code = SpectroWrapper::DATA_TRANSFER_ERROR;
    if (!checkError("Get status/integration time failed", code)) return false;
    if (filled > 0) record.integrationTime_us = reportedTime;
    std::cout << "   Integration time is " << record.integrationTime_us << " us" << std::endl;
    if (record.integrationTime_us != configured)
        emitStatus(AppStatus().warning("Integration time changed."));

    record.spectrumLength = facade.getSpectrumLength(slot, &code);
    if (!checkError("Get spectrum length failed", code)) return false;
    std::cout << "   Spectrum length is " << record.spectrumLength << std::endl;
    std::cout << "   Specta count is " << record.spectraCount << std::endl;

    if (!buffersCanExist(record)) return false;
    const auto length = static_cast<std::size_t>(record.spectrumLength);
    const auto count = static_cast<std::size_t>(record.spectraCount);
    // Zero-filled: a unit without the burst, or a burst that fails, must not leave whatever
    // memory held in the shot file.
    record.spectra.assign(count * length, 0.0);
    record.timeDifferences.assign(count, 0.0);
    record.wavelengths.assign(length, 0.0);
    record.testSpectrum.assign(length, 0.0);

    const int wavelengths = facade.getWavelengths(slot, &code, record.wavelengths.data(),
                                                  record.spectrumLength);
    if (!checkError("Get wavelength axis failed", code)) return false;
    if (wavelengths != record.spectrumLength) std::cout << " Incomplete wavelength axis." << std::endl;

    const int order = facade.getCalibration(slot, &code, &record.nonLinearityCalibration,
                                            &record.strayLightConstant);
    if (!checkError("Get calibration failed", code)) return false;
    if (order + 1 < 8) std::cout << " NonLinCal has only order " << order << std::endl;

    // The test spectrum has a buffer of its own, so that it never shows in the shot file.
    facade.getSpectrum(slot, &code, record.testSpectrum.data(), record.spectrumLength);
    if (!checkError("Get test spectrum failed", code)) return false;
    std::cout << "   Spectrum was acquired to set spectrometer" << std::endl;

    const std::int32_t mode = triggerOverride ? 0 : record.triggerType;
    facade.setTriggerMode(slot, &code, mode);
    if (!checkError("Set trigger mode failed", code)) return false;
    std::cout << "   Trigger mode is " << TRIGGER_TYPE_NAMES.at(static_cast<std::size_t>(mode))
              << std::endl;
    std::cout << " Done" << std::endl;

    record.dataFilePath = formatNamed(
        record.dataFilePath, {FormatArg::ofULong("shot", static_cast<std::uint32_t>(shotNumber))});
    emitStatus(AppStatus().message(STATUS_HW_CONFIGURATION, "HW configuration", record.name));
    return true;
}

}  // namespace

bool setupSpectrometers(SpectroWrapper& facade, std::vector<SpectrometerRecord>& records,
                        bool triggerOverride, std::int32_t shotNumber) {
    for (auto& record : records) {
        if (!setupOne(facade, record, triggerOverride, shotNumber)) return false;
    }
    return true;
}

}  // namespace quillfen
