#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "device/common/Feature.h"
#include "device/features/EEPROMSlotFeature.h"

namespace spectro {

class StrayLightCoeffsFeatureInterface : public virtual Feature {
  public:
    // None only when a protocol implementation reports no coefficients.
    virtual std::optional<std::vector<double>> getStrayLightCoefficients(const Protocol& protocol,
                                                                         const Bus& bus) = 0;
};

// The stray-light constant of a legacy device in information slot 5: one number, or two
// when a second text follows the first one's terminating zero byte.
class StrayLightEEPROMSlotFeature : public StrayLightCoeffsFeatureInterface,
                                    public EEPROMSlotFeatureBase {
  public:
    static constexpr unsigned int STRAY_LIGHT_SLOT = 5;
    // The longest text read for the second number.
    static constexpr std::size_t SECOND_NUMBER_LENGTH = 20;

    using EEPROMSlotFeatureBase::EEPROMSlotFeatureBase;

    std::optional<std::vector<double>> getStrayLightCoefficients(const Protocol& protocol,
                                                                 const Bus& bus) override;
    FeatureFamily getFeatureFamily() override;
};

// The stray-light coefficients asked of a protocol implementation.
class StrayLightCoeffsFeature : public StrayLightCoeffsFeatureInterface, public FeatureImpl {
  public:
    explicit StrayLightCoeffsFeature(std::unique_ptr<ProtocolHelper> implementation);

    std::optional<std::vector<double>> getStrayLightCoefficients(const Protocol& protocol,
                                                                 const Bus& bus) override;
    FeatureFamily getFeatureFamily() override;
};

}  // namespace spectro
