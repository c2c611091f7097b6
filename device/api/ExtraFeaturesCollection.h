#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <span>

#include "device/common/Feature.h"

namespace spectro {

// What the acquisition program needs past the protocol layers: the timed burst, the FPGA
// firmware version, the board temperature, the single-strobe delays, the status block and the
// calibration slots. Operations are listed in the order of the original interface.
class ExtraFeaturesCollectionInterface : public virtual Feature {
  public:
    virtual std::int32_t CollectSpectra(const Bus& bus, std::int32_t count,
                                        std::span<double> spectra, std::int32_t* pixelsPerSpectrum,
                                        std::span<double> intervals,
                                        std::optional<std::int64_t>* firstTimestamp,
                                        std::atomic<std::uint8_t>* startedFlag) = 0;
    virtual std::int32_t getFWversion(const Bus& bus) = 0;
    virtual double getBoardTemperature(const Bus& bus) = 0;
    virtual void setSingleStrobeHighClockTransitionDelay(const Bus& bus, std::int32_t value) = 0;
    virtual std::int32_t getSingleStrobeHighClockTransitionDelay(const Bus& bus) = 0;
    virtual void setSingleStrobeLowClockTransitionDelay(const Bus& bus, std::int32_t value) = 0;
    virtual std::int32_t getSingleStrobeLowClockTransitionDelay(const Bus& bus) = 0;
    virtual int queryStatus(const Bus& bus, std::int16_t* pixelCount, std::int32_t* integrationTime,
                            bool* lampEnabled, std::uint8_t* triggerMode,
                            std::uint8_t* acquisitionStatus, std::uint8_t* packetsInSpectrum,
                            bool* powerDown, std::uint8_t* packetCount, bool* highSpeed) = 0;
    virtual std::int32_t getCalibration(const Bus& bus, std::array<double, 4>* wavelengthCoeffs,
                                        std::array<double, 8>* nonlinearityCoeffs,
                                        double* strayLight) = 0;
    virtual std::int32_t readUSB(const Bus& bus, std::uint8_t endpoint, std::uint8_t* buffer,
                                 std::int32_t length) = 0;
    virtual std::int32_t writeUSB(const Bus& bus, std::uint8_t endpoint, const std::uint8_t* buffer,
                                  std::int32_t length) = 0;
    virtual double getPCBTemperature(const Bus& bus) = 0;
    virtual std::int32_t collectSpectraType1(const Bus& bus, std::int32_t count,
                                             std::span<double> spectra,
                                             std::int32_t* pixelsPerSpectrum,
                                             std::span<double> intervals,
                                             std::optional<std::int64_t>* firstTimestamp,
                                             std::atomic<std::uint8_t>* startedFlag) = 0;
    virtual std::int32_t collectSpectraType2(const Bus& bus, std::int32_t count,
                                             std::span<double> spectra,
                                             std::int32_t* pixelsPerSpectrum,
                                             std::span<double> intervals,
                                             std::optional<std::int64_t>* firstTimestamp,
                                             std::atomic<std::uint8_t>* startedFlag) = 0;
};

// Raw pipe transfers on the endpoints of the owning model, no protocol implementations.
// Spectrometer type 1 (HR2000+) and 2 (Maya2000Pro) select the spectrum frame layout.
// One device, one thread at a time; only the burst's started flag is shared with others.
//
// Every failure is a FeatureException with the operation's message, or a
// FeatureControlException "Caught BusTransferException in readUSB: " / "... in writeUSB: "
// when a transfer moves nothing (or the bus has no USB object).
class ExtraFeaturesCollection : public ExtraFeaturesCollectionInterface, public FeatureImpl {
  public:
    ExtraFeaturesCollection(std::int32_t spectrometerType, std::uint8_t cmdOutEndpoint,
                            std::uint8_t replyInEndpoint, std::uint8_t auxOutEndpoint,
                            std::uint8_t dataInEndpoint, std::uint8_t dataIn2Endpoint);

    std::int32_t getSpectrometerType() const { return spectrometerType; }

    // A burst of `count` spectra, each one request and one frame read back to back; frames
    // are decoded into `spectra` (row-major, values past its end skipped) after the last one.
    // intervals[k] is the time from request k to request k + 1 (the last to the end), in
    // seconds; `firstTimestamp` gets the steady clock in nanoseconds taken right after frame 0
    // arrived; `startedFlag` becomes 1 at that moment. Returns count times the values per frame.
    // Empty `spectra` or `intervals`: returns 0 and touches nothing. `count` 0 or below: no
    // I/O, only `pixelsPerSpectrum` is stored. A burst that fails part-way keeps the frames
    // it took (rows and intervals no frame filled become 0, `firstTimestamp` is none when no
    // frame arrived) and then throws.
    std::int32_t CollectSpectra(const Bus& bus, std::int32_t count, std::span<double> spectra,
                                std::int32_t* pixelsPerSpectrum, std::span<double> intervals,
                                std::optional<std::int64_t>* firstTimestamp,
                                std::atomic<std::uint8_t>* startedFlag) override;
    std::int32_t getFWversion(const Bus& bus) override;
    // The PCB temperature on type 1; not-a-number without any I/O otherwise.
    double getBoardTemperature(const Bus& bus) override;
    void setSingleStrobeHighClockTransitionDelay(const Bus& bus, std::int32_t value) override;
    std::int32_t getSingleStrobeHighClockTransitionDelay(const Bus& bus) override;
    void setSingleStrobeLowClockTransitionDelay(const Bus& bus, std::int32_t value) override;
    std::int32_t getSingleStrobeLowClockTransitionDelay(const Bus& bus) override;
    // Fills the outputs that are given and returns how many that were.
    int queryStatus(const Bus& bus, std::int16_t* pixelCount, std::int32_t* integrationTime,
                    bool* lampEnabled, std::uint8_t* triggerMode, std::uint8_t* acquisitionStatus,
                    std::uint8_t* packetsInSpectrum, bool* powerDown, std::uint8_t* packetCount,
                    bool* highSpeed) override;
    // Reads only the slots whose output is given; returns the nonlinearity order (slot 14,
    // read with the nonlinearity coefficients), 0 when it was not read.
    std::int32_t getCalibration(const Bus& bus, std::array<double, 4>* wavelengthCoeffs,
                                std::array<double, 8>* nonlinearityCoeffs,
                                double* strayLight) override;
    // One pipe transfer; returns the count moved, also when short. A zero-length read
    // returns 0 without waiting on the pipe.
    std::int32_t readUSB(const Bus& bus, std::uint8_t endpoint, std::uint8_t* buffer,
                         std::int32_t length) override;
    std::int32_t writeUSB(const Bus& bus, std::uint8_t endpoint, const std::uint8_t* buffer,
                          std::int32_t length) override;
    double getPCBTemperature(const Bus& bus) override;
    std::int32_t collectSpectraType1(const Bus& bus, std::int32_t count, std::span<double> spectra,
                                     std::int32_t* pixelsPerSpectrum, std::span<double> intervals,
                                     std::optional<std::int64_t>* firstTimestamp,
                                     std::atomic<std::uint8_t>* startedFlag) override;
    std::int32_t collectSpectraType2(const Bus& bus, std::int32_t count, std::span<double> spectra,
                                     std::int32_t* pixelsPerSpectrum, std::span<double> intervals,
                                     std::optional<std::int64_t>* firstTimestamp,
                                     std::atomic<std::uint8_t>* startedFlag) override;

    FeatureFamily getFeatureFamily() override;

  private:
    // One command to cmdOutEndpoint; a short write throws the operation's write failure.
    void command(const Bus& bus, std::span<const std::uint8_t> bytes, const char* operation);
    // One reply from replyInEndpoint; a short read throws the operation's read failure.
    void reply(const Bus& bus, std::span<std::uint8_t> bytes, const char* operation);
    std::int32_t readRegister(const Bus& bus, std::uint8_t address, const char* operation);
    void writeRegister(const Bus& bus, std::uint8_t address, std::int32_t value,
                       const char* operation);

    const std::int32_t spectrometerType;
    const std::uint8_t cmdOutEndpoint;
    const std::uint8_t replyInEndpoint;
    [[maybe_unused]] const std::uint8_t auxOutEndpoint;  // kept from the model, not used
    const std::uint8_t dataInEndpoint;
    [[maybe_unused]] const std::uint8_t dataIn2Endpoint;  // kept from the model, not used
};

}  // namespace spectro
