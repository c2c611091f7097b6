#pragma once

#include <array>
#include <memory>

namespace spectro {

class Device;

// The only door from the application to the spectrometers: a process-wide table of device
// slots addressed by index. Every call reports its outcome as an integer code stored through a
// pointer that may be null; no exception from a device reaches the caller.
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

    static SpectroWrapper& getInstance();

    // Copies the message of `code`, cut to bufferLength - 1 characters and zero-terminated.
    static void getErrorMessage(int code, char* buffer, int bufferLength);

    // Opens the index-th attached unit (in model order) into slot `index`. 0 opened, 1 not.
    int openSpectrometer(int index, int* errorCode);
    void closeSpectrometer(int index, int* errorCode);
    int getModelName(int index, int* errorCode, char* buffer);
    int getSerialNumber(int index, int* errorCode, char* buffer);

    SpectroWrapper(const SpectroWrapper&) = delete;
    SpectroWrapper& operator=(const SpectroWrapper&) = delete;

  private:
    SpectroWrapper();
    ~SpectroWrapper();

    std::array<std::unique_ptr<Device>, SLOT_COUNT> slots;
};

}  // namespace spectro
