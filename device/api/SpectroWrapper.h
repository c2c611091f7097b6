#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace spectro {

class Device;

// The only door from the application to the spectrometers: a process-wide table of device
// slots addressed by index. Every call reports its outcome as an integer code stored through a
// pointer that may be null; no exception from a device reaches the caller. An index outside
// 0..31 is an empty slot: code 2 and the call's neutral result.
//
// Threads: no locks. collectSpectra runs on one acquisition thread per device at the same
// time (each on its own slot); every other call, opening and closing included, on the main thread.
class SpectroWrapper {
  public:
    static constexpr int SLOT_COUNT = 32;
    static constexpr int MODEL_NAME_BUFFER = 1024;
    static constexpr int SERIAL_NUMBER_BUFFER = 1024;

    // Error codes.
    static constexpr int SUCCESS = 0;
    static constexpr int NO_DEVICE_FOUND = 2;
    static constexpr int NO_SUCH_FEATURE = 5;
    static constexpr int DATA_TRANSFER_ERROR = 6;
    static constexpr int INVALID_USER_BUFFER = 7;
    static constexpr int ARGUMENT_REFUSED = 8;

    // The fixed strobe delays of setStrobeHighDelay and setStrobeLowDelay.
    static constexpr std::int32_t STROBE_HIGH_DELAY = 0;
    static constexpr std::int32_t STROBE_LOW_DELAY = 1000;

    static SpectroWrapper& getInstance();

    // Copies the message of `code`, cut to bufferLength - 1 characters and zero-terminated.
    static void getErrorMessage(int code, char* buffer, int bufferLength);

    // Opens the index-th attached unit (in model order) into slot `index`. 0 opened, 1 not.
    int openSpectrometer(int index, int* errorCode);
    void closeSpectrometer(int index, int* errorCode);
    int getModelName(int index, int* errorCode, char* buffer);
    int getSerialNumber(int index, int* errorCode, char* buffer);

    // Through the spectrometer feature; a device without one gives code 5.
    void setTriggerMode(int index, int* errorCode, std::int32_t mode);
    // A time outside the model's limits is refused with code 8.
    void setIntegrationTimeMicros(int index, int* errorCode, std::uint32_t micros);
    // -1 on any failure.
    int getMinIntegrationTimeMicros(int index, int* errorCode);
    int getMaxIntegrationTimeMicros(int index, int* errorCode);
    int getSpectrumLength(int index, int* errorCode);
    // One spectrum (or the wavelength of each pixel) into `buffer`, at most `length` values;
    // returns the number copied. A null buffer gives code 7.
    int getSpectrum(int index, int* errorCode, double* buffer, int length);
    int getWavelengths(int index, int* errorCode, double* buffer, int length);

    // Through the strobe lamp feature; a device without one gives code 5.
    void enableStrobeLamp(int index, int* errorCode);

    // Through the extra features collection. A device without it gives code 0 and result 0
    // (the board temperature not-a-number, as a unit of type 2 gives).
    int getFWversion(int index, int* errorCode);
    double getPCBTemperature(int index, int* errorCode);
    void setStrobeHighDelay(int index, int* errorCode);  // STROBE_HIGH_DELAY
    int getStrobeHighDelay(int index, int* errorCode);
    void setStrobeLowDelay(int index, int* errorCode);  // STROBE_LOW_DELAY
    int getStrobeLowDelay(int index, int* errorCode);
    // The integration time of the status block, in microseconds; returns the fields filled.
    int queryStatus(int index, int* errorCode, std::int32_t* integrationTime);
    // The nonlinearity coefficients and the stray-light constant; returns the nonlinearity order.
    int getCalibration(int index, int* errorCode, std::array<double, 8>* nonlinearity,
                       double* strayLight);
    // The timed burst: `count` spectra into `spectra` (its size is the capacity), one interval
    // per spectrum into `intervals` (its size bounds them). Returns the values produced. A burst
    // that fails part-way gives code 6 and 0, and the frames it took stay in the buffers.
    int collectSpectra(int index, int* errorCode, std::int32_t count, std::span<double> spectra,
                       std::int32_t* pixelsPerSpectrum, std::span<double> intervals,
                       std::optional<std::int64_t>* firstTimestamp,
                       std::atomic<std::uint8_t>* startedFlag);

    SpectroWrapper(const SpectroWrapper&) = delete;
    SpectroWrapper& operator=(const SpectroWrapper&) = delete;

  private:
    SpectroWrapper();
    ~SpectroWrapper();

    // The device in the slot; null for an empty slot or an index outside the table.
    Device* deviceIn(int index) const;
    // Opens and initialises the unit into the slot; throws what the library throws.
    int openInto(int index, int* errorCode);

    std::array<std::unique_ptr<Device>, SLOT_COUNT> slots;
};

}  // namespace spectro
