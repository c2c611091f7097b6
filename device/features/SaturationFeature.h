#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "device/common/Feature.h"
#include "device/features/EEPROMSlotFeature.h"

namespace spectro {

class ProgrammableSaturationFeatureInterface : public virtual Feature {
  public:
    // The level cached by initialize; no bus traffic.
    virtual int getSaturation() = 0;
};

// Reads the saturation level once, when the device is initialised, and serves it from the
// cache afterwards. Subclasses say how the level is read.
class ProgrammableSaturationFeatureBase : public ProgrammableSaturationFeatureInterface {
  public:
    // Reads the level from the device.
    virtual unsigned int readSaturation(const Protocol& protocol, const Bus& bus) = 0;

    // Caches the level read; a FeatureException leaves the cache invalid. Always true.
    bool initialize(const Protocol& protocol, const Bus& bus) override;
    // The cached level, or FeatureException "Saturation level not properly initialized".
    int getSaturation() override;
    // The cached level, or none when it could not be read.
    std::optional<int> cachedSaturation() const {
        return saturationValid ? std::optional<int>(saturation) : std::nullopt;
    }
    FeatureFamily getFeatureFamily() override;

  protected:
    int saturation = 0;
    bool saturationValid = false;
};

// The saturation level kept in information slot 17 of a legacy device; the subclasses say
// where in the slot.
class SaturationEEPROMSlotFeatureBase : public EEPROMSlotFeatureBase,
                                        public ProgrammableSaturationFeatureBase {
  public:
    static constexpr unsigned int SATURATION_SLOT = 17;

    using EEPROMSlotFeatureBase::EEPROMSlotFeatureBase;

    unsigned int readSaturation(const Protocol& protocol, const Bus& bus) override;
    bool initialize(const Protocol& protocol, const Bus& bus) override;
    FeatureFamily getFeatureFamily() override;

  protected:
    // Bytes the slot must hold for the value to be taken from it.
    virtual std::size_t requiredLength() const = 0;
    // The value, from a slot of at least requiredLength() bytes.
    virtual unsigned int decode(const std::vector<std::uint8_t>& slot) const = 0;

    int saturationSlot = SATURATION_SLOT;
};

// Bytes 4 (low) and 5 (high).
class SaturationEEPROMSlotFeature : public SaturationEEPROMSlotFeatureBase {
  public:
    using SaturationEEPROMSlotFeatureBase::SaturationEEPROMSlotFeatureBase;

  protected:
    std::size_t requiredLength() const override { return 6; }
    unsigned int decode(const std::vector<std::uint8_t>& slot) const override;
};

// Bytes 0 (low) and 1 (high).
class SaturationEEPROMSlotFeature_MayaPro : public SaturationEEPROMSlotFeatureBase {
  public:
    using SaturationEEPROMSlotFeatureBase::SaturationEEPROMSlotFeatureBase;

  protected:
    std::size_t requiredLength() const override { return 8; }
    unsigned int decode(const std::vector<std::uint8_t>& slot) const override;
};

// Bytes 4 to 7, little-endian.
class SaturationEEPROMSlotFeature_NIRQuest : public SaturationEEPROMSlotFeatureBase {
  public:
    using SaturationEEPROMSlotFeatureBase::SaturationEEPROMSlotFeatureBase;

  protected:
    std::size_t requiredLength() const override { return 8; }
    unsigned int decode(const std::vector<std::uint8_t>& slot) const override;
};

// The saturation level asked of a protocol implementation (Framed Binary Protocol).
class ProgrammableSaturationFeatureImpl : public FeatureImpl,
                                          public ProgrammableSaturationFeatureBase {
  public:
    explicit ProgrammableSaturationFeatureImpl(std::unique_ptr<ProtocolHelper> implementation);

    unsigned int readSaturation(const Protocol& protocol, const Bus& bus) override;
    bool initialize(const Protocol& protocol, const Bus& bus) override;
    FeatureFamily getFeatureFamily() override;
};

}  // namespace spectro
