#pragma once

#include <memory>

#include "device/common/Feature.h"
#include "device/protocols/ProtocolInterfaces.h"

namespace spectro {

class LightSourceFeatureInterface : public virtual Feature {
  public:
    virtual int getLightSourceCount(const Protocol& protocol, const Bus& bus) = 0;
    virtual bool hasLightSourceEnable(const Protocol& protocol, const Bus& bus, int index) = 0;
    virtual bool isLightSourceEnabled(const Protocol& protocol, const Bus& bus, int index) = 0;
    virtual void setLightSourceEnable(const Protocol& protocol, const Bus& bus, int index,
                                      bool enable) = 0;
    virtual bool hasVariableIntensity(const Protocol& protocol, const Bus& bus, int index) = 0;
    // The intensity normalised to 0..1 over the source's range.
    virtual double getLightSourceIntensity(const Protocol& protocol, const Bus& bus, int index) = 0;
    virtual void setLightSourceIntensity(const Protocol& protocol, const Bus& bus, int index,
                                         double normalized) = 0;
};

// The light sources of one module. Every operation with an index checks it first. The enable
// operations forward and wrap protocol errors like any other feature; the intensity operations
// normalise between the source's minimum and maximum, through whichever intensity interface
// the implementation also has, and report protocol errors as a plain FeatureException.
class LightSourceFeatureBase : public LightSourceFeatureInterface, public FeatureImpl {
  public:
    LightSourceFeatureBase(std::unique_ptr<ProtocolHelper> implementation, int moduleIndex);

    bool hasLightSourceEnable(const Protocol& protocol, const Bus& bus, int index) override;
    bool isLightSourceEnabled(const Protocol& protocol, const Bus& bus, int index) override;
    void setLightSourceEnable(const Protocol& protocol, const Bus& bus, int index,
                              bool enable) override;
    bool hasVariableIntensity(const Protocol& protocol, const Bus& bus, int index) override;
    double getLightSourceIntensity(const Protocol& protocol, const Bus& bus, int index) override;
    void setLightSourceIntensity(const Protocol& protocol, const Bus& bus, int index,
                                 double normalized) override;
    FeatureFamily getFeatureFamily() override;

  protected:
    int moduleIndex;

  private:
    void checkIndex(const Protocol& protocol, const Bus& bus, int index, const char* message);

    // Checks the index, then forwards `call` to the enable interface of the implementation.
    template <class Call>
    decltype(auto) forwardToSource(const Protocol& protocol, const Bus& bus, int index,
                                   Call&& call);
};

// A module with a fixed number of light sources.
class LightSourceFeatureImpl : public LightSourceFeatureBase {
  public:
    LightSourceFeatureImpl(std::unique_ptr<ProtocolHelper> implementation, int moduleIndex,
                           int lightSourceCount);
    int getLightSourceCount(const Protocol& protocol, const Bus& bus) override;

  private:
    int lightSourceCount;
};

}  // namespace spectro
