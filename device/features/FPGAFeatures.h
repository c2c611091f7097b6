#pragma once

// The features that drive a legacy device's FPGA registers directly: register access, the
// continuous strobe generator and the acquisition delay. Each builds its own legacy
// register implementation, so they work whatever protocol object the caller passes.

#include <cstdint>
#include <memory>

#include "device/common/Feature.h"
#include "device/protocols/ProtocolInterfaces.h"

namespace spectro {

class FPGARegisterFeatureInterface : public virtual Feature {
  public:
    virtual std::uint16_t readRegister(const Protocol& protocol, const Bus& bus,
                                       std::uint8_t address) = 0;
    virtual void writeRegister(const Protocol& protocol, const Bus& bus, std::uint8_t address,
                               std::uint16_t value) = 0;
    virtual std::uint8_t getMajorVersion(const Protocol& protocol, const Bus& bus) = 0;
};

// Every operation runs a fresh FPGARegisterProtocol and ignores the protocol argument.
class FPGARegisterFeature : public FPGARegisterFeatureInterface, public FeatureImpl {
  public:
    static constexpr std::uint8_t FIRMWARE_VERSION_REGISTER = 0x04;

    // Plain.
    std::uint16_t readRegister(const Protocol& protocol, const Bus& bus,
                               std::uint8_t address) override;
    void writeRegister(const Protocol& protocol, const Bus& bus, std::uint8_t address,
                       std::uint16_t value) override;
    // Bits 12 to 15 of register 0x04 (plain).
    std::uint8_t getMajorVersion(const Protocol& protocol, const Bus& bus) override;
    FeatureFamily getFeatureFamily() override;
};

class ContinuousStrobeFeatureInterface : public virtual Feature {
  public:
    virtual void setContinuousStrobePeriodMicroseconds(const Protocol& protocol, const Bus& bus,
                                                       std::uint16_t index,
                                                       std::uint32_t period) = 0;
    virtual void setContinuousStrobeEnable(const Protocol& protocol, const Bus& bus,
                                           std::uint16_t index, bool enable) = 0;
};

// The continuous strobe of a protocol implementation (Framed Binary Protocol).
class ContinuousStrobeFeature : public ContinuousStrobeFeatureInterface, public FeatureImpl {
  public:
    explicit ContinuousStrobeFeature(std::unique_ptr<ProtocolHelper> implementation);
    void setContinuousStrobePeriodMicroseconds(const Protocol& protocol, const Bus& bus,
                                               std::uint16_t index, std::uint32_t period) override;
    // Plain.
    void setContinuousStrobeEnable(const Protocol& protocol, const Bus& bus, std::uint16_t index,
                                   bool enable) override;
    FeatureFamily getFeatureFamily() override;
};

// The continuous strobe of a legacy device: a divisor in register 0x08 and a count in
// register 0x0C, whose meaning depends on the FPGA's major version; it runs on the
// strobe/lamp enable line.
class ContinuousStrobeFeature_FPGA : public ContinuousStrobeFeatureInterface, public FeatureImpl {
  public:
    static constexpr std::uint8_t DIVISOR_REGISTER = 0x08;
    static constexpr std::uint8_t COUNT_REGISTER = 0x0C;

    void setContinuousStrobePeriodMicroseconds(const Protocol& protocol, const Bus& bus,
                                               std::uint16_t index, std::uint32_t period) override;
    void setContinuousStrobeEnable(const Protocol& protocol, const Bus& bus, std::uint16_t index,
                                   bool enable) override;
    FeatureFamily getFeatureFamily() override;
};

class AcquisitionDelayFeatureInterface : public virtual Feature {
  public:
    virtual std::uint32_t getAcquisitionDelayIncrementMicroseconds(const Protocol& protocol,
                                                                   const Bus& bus) = 0;
    virtual std::uint32_t getAcquisitionDelayMaximumMicroseconds(const Protocol& protocol,
                                                                 const Bus& bus) = 0;
    virtual std::uint32_t getAcquisitionDelayMinimumMicroseconds(const Protocol& protocol,
                                                                 const Bus& bus) = 0;
    virtual std::uint32_t getAcquisitionDelayMicroseconds() = 0;
    virtual void setAcquisitionDelayMicroseconds(const Protocol& protocol, const Bus& bus,
                                                 std::uint32_t delay) = 0;
};

// The acquisition delay as a protocol implementation sets it. The delay is never read back
// from the device: the last value set is remembered instead. Models give the limits.
class AcquisitionDelayFeature : public AcquisitionDelayFeatureInterface, public FeatureImpl {
  public:
    explicit AcquisitionDelayFeature(std::unique_ptr<ProtocolHelper> implementation);

    std::uint32_t getAcquisitionDelayMicroseconds() override;
    void setAcquisitionDelayMicroseconds(const Protocol& protocol, const Bus& bus,
                                         std::uint32_t delay) override;
    FeatureFamily getFeatureFamily() override;

  protected:
    void remember(std::uint32_t delay);

    std::uint32_t lastDelayMicroseconds = 0;
    bool delayKnown = false;
};

// The acquisition delay of a legacy device: register 0x28 counts 48 clock ticks per
// microsecond.
class AcquisitionDelayFeature_FPGA : public AcquisitionDelayFeature {
  public:
    // Holds one FPGARegisterProtocol.
    AcquisitionDelayFeature_FPGA();

    std::uint32_t getAcquisitionDelayIncrementMicroseconds(const Protocol& protocol,
                                                           const Bus& bus) override;
    std::uint32_t getAcquisitionDelayMaximumMicroseconds(const Protocol& protocol,
                                                         const Bus& bus) override;
    std::uint32_t getAcquisitionDelayMinimumMicroseconds(const Protocol& protocol,
                                                         const Bus& bus) override;
    void setAcquisitionDelayMicroseconds(const Protocol& protocol, const Bus& bus,
                                         std::uint32_t delay) override;

    // Widened so that no delay can wrap around into the range.
    std::uint64_t microsecondsToCounts(std::uint32_t micros) const;
    std::uint32_t countsToMicroseconds(std::uint32_t counts) const;

  private:
    std::uint8_t registerAddress = 0x28;
    std::uint32_t countsPerMicrosecond = 48;
    std::uint32_t minimumCounts = 0;
    std::uint32_t maximumCounts = 0xFFFF;
    std::uint32_t incrementMicroseconds = 1;
};

}  // namespace spectro
