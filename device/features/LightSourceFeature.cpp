#include "device/features/LightSourceFeature.h"

#include <algorithm>

namespace spectro {

namespace {

const char* const CONTROL_SOURCE =
    "Could not find matching protocol implementation to control light source.";
const char* const READ_INTENSITY =
    "Could not find matching protocol implementation to control light source";
const char* const WRITE_INTENSITY =
    "Could not find matching protocol implementation to control lamp";

// The range of a source's intensity, ordered whichever way the device reports it.
struct Range {
    double low;
    double high;
    static Range of(double minimum, double maximum) {
        return {std::min(minimum, maximum), std::max(minimum, maximum)};
    }
};

}  // namespace

LightSourceFeatureBase::LightSourceFeatureBase(std::unique_ptr<ProtocolHelper> implementation,
                                               int moduleIndex)
    : FeatureImpl(std::move(implementation)), moduleIndex(moduleIndex) {}

void LightSourceFeatureBase::checkIndex(const Protocol& protocol, const Bus& bus, int index,
                                        const char* message) {
    if (index < 0 || index >= getLightSourceCount(protocol, bus)) throw FeatureException(message);
}

template <class Call>
decltype(auto) LightSourceFeatureBase::forwardToSource(const Protocol& protocol, const Bus& bus,
                                                       int index, Call&& call) {
    checkIndex(protocol, bus, index, "Invalid light source index");
    return forward<LightSourceProtocolInterface>(protocol, CONTROL_SOURCE,
                                                 std::forward<Call>(call));
}

bool LightSourceFeatureBase::hasLightSourceEnable(const Protocol& protocol, const Bus& bus,
                                                  int index) {
    return forwardToSource(protocol, bus, index, [&](auto& source) {
        return source.hasLightSourceEnable(bus, moduleIndex, index);
    });
}

bool LightSourceFeatureBase::isLightSourceEnabled(const Protocol& protocol, const Bus& bus,
                                                  int index) {
    return forwardToSource(protocol, bus, index, [&](auto& source) {
        return source.isLightSourceEnabled(bus, moduleIndex, index);
    });
}

void LightSourceFeatureBase::setLightSourceEnable(const Protocol& protocol, const Bus& bus,
                                                  int index, bool enable) {
    forwardToSource(protocol, bus, index, [&](auto& source) {
        source.setLightSourceEnable(bus, moduleIndex, index, enable);
    });
}

bool LightSourceFeatureBase::hasVariableIntensity(const Protocol& protocol, const Bus& bus,
                                                  int index) {
    return forwardToSource(protocol, bus, index, [&](auto& source) {
        return source.hasVariableIntensity(bus, moduleIndex, index);
    });
}

double LightSourceFeatureBase::getLightSourceIntensity(const Protocol& protocol, const Bus& bus,
                                                       int index) {
    checkIndex(protocol, bus, index, "Invalid light source index");
    auto& source = findImplementation<LightSourceProtocolInterface>(protocol, READ_INTENSITY);
    double value = 0.0;
    Range range{};
    try {
        if (auto* normalized =
                dynamic_cast<LightSourceProtocolInterface_NormalizedIntensity*>(&source)) {
            value = normalized->getLightSourceIntensity(bus, moduleIndex, index);
            range = Range::of(normalized->getLightSourceIntensityMinimum(bus, moduleIndex, index),
                              normalized->getLightSourceIntensityMaximum(bus, moduleIndex, index));
        } else if (auto* counts = dynamic_cast<LightSourceProtocolInterface_Counts*>(&source)) {
            value = counts->getLightSourceIntensityCounts(bus, moduleIndex, index);
            range =
                Range::of(counts->getLightSourceIntensityMinimumCounts(bus, moduleIndex, index),
                          counts->getLightSourceIntensityMaximumCounts(bus, moduleIndex, index));
        } else {
            throw FeatureException("Cannot find interface allowing intensity to be determined.");
        }
    } catch (const ProtocolException& e) {
        throw FeatureException(std::string("Caught protocol exception: ") + e.what());
    }
    if (range.low == range.high) {
        throw FeatureException("Minimum and maximum intensity values are equal");
    }
    return (value - range.low) / (range.high - range.low);
}

void LightSourceFeatureBase::setLightSourceIntensity(const Protocol& protocol, const Bus& bus,
                                                     int index, double normalized) {
    checkIndex(protocol, bus, index, "Invalid lamp index");
    auto& source = findImplementation<LightSourceProtocolInterface>(protocol, WRITE_INTENSITY);
    auto target = [normalized](Range range) {
        return std::clamp(range.low + normalized * (range.high - range.low), range.low, range.high);
    };
    try {
        if (auto* intensity =
                dynamic_cast<LightSourceProtocolInterface_NormalizedIntensity*>(&source)) {
            const Range range =
                Range::of(intensity->getLightSourceIntensityMinimum(bus, moduleIndex, index),
                          intensity->getLightSourceIntensityMaximum(bus, moduleIndex, index));
            intensity->setLightSourceIntensity(bus, moduleIndex, index, target(range));
        } else if (auto* counts = dynamic_cast<LightSourceProtocolInterface_Counts*>(&source)) {
            const Range range =
                Range::of(counts->getLightSourceIntensityMinimumCounts(bus, moduleIndex, index),
                          counts->getLightSourceIntensityMaximumCounts(bus, moduleIndex, index));
            counts->setLightSourceIntensityCounts(bus, moduleIndex, index,
                                                  static_cast<int>(target(range)));
        } else {
            throw FeatureException("Cannot find interface allowing intensity to be controlled.");
        }
    } catch (const ProtocolException& e) {
        throw FeatureException(std::string("Caught protocol exception: ") + e.what());
    }
}

FeatureFamily LightSourceFeatureBase::getFeatureFamily() {
    return api::FeatureFamilies().LIGHT_SOURCE;
}

LightSourceFeatureImpl::LightSourceFeatureImpl(std::unique_ptr<ProtocolHelper> implementation,
                                               int moduleIndex, int lightSourceCount)
    : LightSourceFeatureBase(std::move(implementation), moduleIndex),
      lightSourceCount(lightSourceCount) {}

int LightSourceFeatureImpl::getLightSourceCount(const Protocol&, const Bus&) {
    return lightSourceCount;
}

}  // namespace spectro
