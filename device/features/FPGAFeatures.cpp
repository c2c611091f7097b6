#include "device/features/FPGAFeatures.h"

#include <bit>

#include "device/features/ForwardingFeatures.h"
#include "device/protocols/legacy/LegacyFeatureProtocols.h"

namespace spectro {

namespace {

using legacyProtocol::FPGARegisterProtocol;
using legacyProtocol::LegacyProtocol;

const char* const CONTINUOUS_STROBE =
    "Could not find matching protocol implementation to control continuous strobe.";
const char* const SET_DELAY =
    "Could not find matching protocol implementation to set acquisition delay.";
const char* const WRITE_REGISTER =
    "Could not find matching protocol implementation to write FPGA register";

}  // namespace

// ----- registers -----

std::uint16_t FPGARegisterFeature::readRegister(const Protocol&, const Bus& bus,
                                                std::uint8_t address) {
    FPGARegisterProtocol registers;
    return registers.readRegister(bus, address);
}

void FPGARegisterFeature::writeRegister(const Protocol&, const Bus& bus, std::uint8_t address,
                                        std::uint16_t value) {
    FPGARegisterProtocol registers;
    try {
        registers.writeRegister(bus, address, value);
    } catch (const ProtocolException& e) {
        throw FeatureControlException(std::string("Caught protocol exception: ") + e.what());
    }
}

std::uint8_t FPGARegisterFeature::getMajorVersion(const Protocol& protocol, const Bus& bus) {
    return static_cast<std::uint8_t>(readRegister(protocol, bus, FIRMWARE_VERSION_REGISTER) >> 12);
}

FeatureFamily FPGARegisterFeature::getFeatureFamily() { return api::FeatureFamilies().UNDEFINED; }

// ----- continuous strobe over a protocol -----

ContinuousStrobeFeature::ContinuousStrobeFeature(std::unique_ptr<ProtocolHelper> implementation)
    : FeatureImpl(std::move(implementation)) {}

void ContinuousStrobeFeature::setContinuousStrobePeriodMicroseconds(const Protocol& protocol,
                                                                    const Bus& bus,
                                                                    std::uint16_t index,
                                                                    std::uint32_t period) {
    forward<ContinuousStrobeProtocolInterface>(protocol, CONTINUOUS_STROBE, [&](auto& strobe) {
        strobe.setContinuousStrobePeriodMicroseconds(bus, index, period);
    });
}

void ContinuousStrobeFeature::setContinuousStrobeEnable(const Protocol& protocol, const Bus& bus,
                                                        std::uint16_t index, bool enable) {
    forwardPlain<ContinuousStrobeProtocolInterface>(
        protocol, [&](auto& strobe) { strobe.setContinuousStrobeEnable(bus, index, enable); });
}

FeatureFamily ContinuousStrobeFeature::getFeatureFamily() {
    return api::FeatureFamilies().CONTINUOUS_STROBE;
}

// ----- continuous strobe over FPGA registers -----

void ContinuousStrobeFeature_FPGA::setContinuousStrobePeriodMicroseconds(const Protocol& protocol,
                                                                         const Bus& bus,
                                                                         std::uint16_t index,
                                                                         std::uint32_t period) {
    if (index != 0) {
        throw FeatureException("feature only supports one continuous strobe generator");
    }
    FPGARegisterFeature registers;
    const std::uint8_t majorVersion = registers.getMajorVersion(protocol, bus);

    std::uint16_t divisor = 0;
    std::uint16_t count = 0;
    if (majorVersion == 1) {
        // Periods below 2^16 us count microseconds (48 MHz / 48); longer ones count
        // milliseconds (48 MHz / 48000), up to 2^26 us.
        const int exponent = std::bit_width(period) - 1;  // floor(log2(period)); -1 for 0
        if (exponent >= 16) {
            // The count register holds 16 bits, so the last 1.5 s below 2^26 us would wrap.
            if (exponent + 1 > 26 || period / 1000 - 1 > 0xFFFF) {
                throw ProtocolException("Input strobe period too large");
            }
            divisor = 48000;
            count = static_cast<std::uint16_t>(period / 1000 - 1);
        } else {
            divisor = 48;
            count = static_cast<std::uint16_t>(period - 1);
        }
    } else if (majorVersion == 3) {
        // A 32-bit count of 48 MHz ticks split over the two registers.
        const std::uint64_t ticks = std::uint64_t{period} * 48;
        if ((ticks >> 16) > 0xFFFF) throw ProtocolException("Input strobe period too large");
        divisor = static_cast<std::uint16_t>(ticks >> 16);
        count = static_cast<std::uint16_t>(ticks & 0xFFFF);
    } else {
        throw FeatureException("unsupported FPGA major version");
    }
    registers.writeRegister(protocol, bus, DIVISOR_REGISTER, divisor);
    registers.writeRegister(protocol, bus, COUNT_REGISTER, count);
}

void ContinuousStrobeFeature_FPGA::setContinuousStrobeEnable(const Protocol&, const Bus& bus,
                                                             std::uint16_t, bool enable) {
    // The continuous strobe runs on the strobe/lamp enable line.
    StrobeLampFeature lamp(std::make_unique<legacyProtocol::LegacyStrobeLampProtocol>());
    lamp.setStrobeLampEnable(LegacyProtocol(), bus, enable);
}

FeatureFamily ContinuousStrobeFeature_FPGA::getFeatureFamily() {
    return api::FeatureFamilies().CONTINUOUS_STROBE;
}

// ----- acquisition delay over a protocol -----

AcquisitionDelayFeature::AcquisitionDelayFeature(std::unique_ptr<ProtocolHelper> implementation)
    : FeatureImpl(std::move(implementation)) {}

std::uint32_t AcquisitionDelayFeature::getAcquisitionDelayMicroseconds() {
    if (!delayKnown) {
        throw FeatureException(
            "Cannot read acquisition delay from device, and no previously set value is cached.");
    }
    return lastDelayMicroseconds;
}

void AcquisitionDelayFeature::setAcquisitionDelayMicroseconds(const Protocol& protocol,
                                                              const Bus& bus, std::uint32_t delay) {
    forward<AcquisitionDelayProtocolInterface>(protocol, SET_DELAY, [&](auto& acquisitionDelay) {
        acquisitionDelay.setAcquisitionDelayMicroseconds(bus, delay);
    });
    remember(delay);
}

void AcquisitionDelayFeature::remember(std::uint32_t delay) {
    lastDelayMicroseconds = delay;
    delayKnown = true;
}

FeatureFamily AcquisitionDelayFeature::getFeatureFamily() {
    return api::FeatureFamilies().ACQUISITION_DELAY;
}

// ----- acquisition delay over FPGA registers -----

AcquisitionDelayFeature_FPGA::AcquisitionDelayFeature_FPGA()
    : AcquisitionDelayFeature(std::make_unique<FPGARegisterProtocol>()) {}

std::uint64_t AcquisitionDelayFeature_FPGA::microsecondsToCounts(std::uint32_t micros) const {
    return std::uint64_t{micros} * countsPerMicrosecond;
}

std::uint32_t AcquisitionDelayFeature_FPGA::countsToMicroseconds(std::uint32_t counts) const {
    return counts / countsPerMicrosecond;
}

std::uint32_t AcquisitionDelayFeature_FPGA::getAcquisitionDelayIncrementMicroseconds(
    const Protocol&, const Bus&) {
    return incrementMicroseconds;
}

std::uint32_t AcquisitionDelayFeature_FPGA::getAcquisitionDelayMaximumMicroseconds(const Protocol&,
                                                                                   const Bus&) {
    return countsToMicroseconds(maximumCounts);
}

std::uint32_t AcquisitionDelayFeature_FPGA::getAcquisitionDelayMinimumMicroseconds(const Protocol&,
                                                                                   const Bus&) {
    return countsToMicroseconds(minimumCounts);
}

void AcquisitionDelayFeature_FPGA::setAcquisitionDelayMicroseconds(const Protocol& protocol,
                                                                   const Bus& bus,
                                                                   std::uint32_t delay) {
    const std::uint64_t counts = microsecondsToCounts(delay);
    if (counts > maximumCounts || counts < minimumCounts) {
        throw FeatureException("Supplied acquisition delay out of range.");
    }
    forward<FPGARegisterProtocolInterface>(protocol, WRITE_REGISTER, [&](auto& registers) {
        registers.writeRegister(bus, registerAddress, static_cast<std::uint16_t>(counts));
    });
    remember(delay);
}

}  // namespace spectro
