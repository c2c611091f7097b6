#pragma once

// Framed-protocol implementations of the settings around an acquisition: pixel binning,
// on-device processing, acquisition delay, saturation level, the continuous strobe, the
// shutter and the strobe lamp. The strobe and shutter keep their commands (one device, one
// thread at a time); the others build fresh exchanges per call.

#include <cstdint>

#include "device/common/Protocol.h"
#include "device/protocols/ProtocolInterfaces.h"
#include "device/protocols/fbp/FBPCatalogue.h"

namespace spectro::framedBinaryProtocol {

class FBPPixelBinningProtocol : public PixelBinningProtocolInterface, public ProtocolHelper {
  public:
    FBPPixelBinningProtocol();
    std::uint8_t readPixelBinningFactor(const Bus& bus) override;
    void writePixelBinningFactor(const Bus& bus, std::uint8_t factor) override;
    std::uint8_t readDefaultPixelBinningFactor(const Bus& bus) override;
    // Sends the default-factor command without data.
    void resetDefaultPixelBinningFactor(const Bus& bus) override;
    void writeDefaultPixelBinningFactor(const Bus& bus, std::uint8_t factor) override;
    std::uint8_t readMaxPixelBinningFactor(const Bus& bus) override;
};

class FBPSpectrumProcessingProtocol : public SpectrumProcessingProtocolInterface,
                                      public ProtocolHelper {
  public:
    FBPSpectrumProcessingProtocol();
    std::uint8_t readBoxcarWidth(const Bus& bus) override;
    std::uint16_t readScansToAverage(const Bus& bus) override;
    void writeBoxcarWidth(const Bus& bus, std::uint8_t width) override;
    void writeScansToAverage(const Bus& bus, std::uint16_t scans) override;
};

class FBPAcquisitionDelayProtocol : public AcquisitionDelayProtocolInterface,
                                    public ProtocolHelper {
  public:
    FBPAcquisitionDelayProtocol();
    void setAcquisitionDelayMicroseconds(const Bus& bus, std::uint32_t micros) override;
};

class FBPProgrammableSaturationProtocol : public ProgrammableSaturationProtocolInterface,
                                          public ProtocolHelper {
  public:
    FBPProgrammableSaturationProtocol();
    std::uint32_t getSaturation(const Bus& bus) override;
};

// One strobe generator, index 0.
class FBPContinuousStrobeProtocol : public ContinuousStrobeProtocolInterface,
                                    public ProtocolHelper {
  public:
    FBPContinuousStrobeProtocol();
    bool setContinuousStrobePeriodMicroseconds(const Bus& bus, std::uint16_t index,
                                               std::uint32_t period) override;
    bool setContinuousStrobeEnable(const Bus& bus, std::uint16_t index, bool enable) override;

  private:
    FBPContinuousStrobePeriodExchange periodExchange;
    FBPContinuousStrobeEnableExchange enableExchange;
};

class FBPShutterProtocol : public ShutterProtocolInterface, public ProtocolHelper {
  public:
    FBPShutterProtocol();
    bool setShutterOpen(const Bus& bus, bool open) override;

  private:
    FBPShutterExchange shutterExchange;
};

class FBPStrobeLampProtocol : public StrobeLampProtocolInterface, public ProtocolHelper {
  public:
    FBPStrobeLampProtocol();
    void setStrobeLampEnable(const Bus& bus, bool enable) override;
};

}  // namespace spectro::framedBinaryProtocol
