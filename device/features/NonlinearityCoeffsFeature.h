#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "device/common/Feature.h"
#include "device/features/EEPROMSlotFeature.h"

namespace spectro {

class NonlinearityCoeffsFeatureInterface : public virtual Feature {
  public:
    // None only when a protocol implementation reports no coefficients.
    virtual std::optional<std::vector<double>> getNonlinearityCoefficients(const Protocol& protocol,
                                                                           const Bus& bus) = 0;
};

// The nonlinearity polynomial of a legacy device: its order in information slot 14, its
// coefficients in slots 6 and up. A coefficient that cannot be parsed turns the whole
// result into the identity (1, 0, 0, ...).
class NonlinearityEEPROMSlotFeature : public NonlinearityCoeffsFeatureInterface,
                                      public EEPROMSlotFeatureBase {
  public:
    static constexpr unsigned int FIRST_COEFFICIENT_SLOT = 6;
    static constexpr unsigned int ORDER_SLOT = 14;
    // Slots 6 to 13 hold coefficients, so no order above 7 can be stored.
    static constexpr long MAXIMUM_ORDER = 7;

    using EEPROMSlotFeatureBase::EEPROMSlotFeatureBase;

    std::optional<std::vector<double>> getNonlinearityCoefficients(const Protocol& protocol,
                                                                   const Bus& bus) override;
    FeatureFamily getFeatureFamily() override;
};

// The nonlinearity coefficients asked of a protocol implementation.
class NonlinearityCoeffsFeature : public NonlinearityCoeffsFeatureInterface, public FeatureImpl {
  public:
    explicit NonlinearityCoeffsFeature(std::unique_ptr<ProtocolHelper> implementation);

    std::optional<std::vector<double>> getNonlinearityCoefficients(const Protocol& protocol,
                                                                   const Bus& bus) override;
    FeatureFamily getFeatureFamily() override;
};

}  // namespace spectro
