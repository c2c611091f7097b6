#pragma once

// Light sources over the framed protocol. The base class switches sources and reads their
// state for whatever modules and sources a model reports; the normalised-intensity class adds
// the intensity as a value from 0 to 1; the Ventana has one module with one source.
// Indices are checked before anything is sent.

#include "device/common/Protocol.h"
#include "device/protocols/ProtocolInterfaces.h"

namespace spectro::framedBinaryProtocol {

class FBPLightSourceProtocol : public LightSourceProtocolInterface, public ProtocolHelper {
  public:
    FBPLightSourceProtocol();
    bool isLightSourceEnabled(const Bus& bus, int module, int source) override;
    void setLightSourceEnable(const Bus& bus, int module, int source, bool enable) override;

  protected:
    // Module within getModuleCount(), then source within getLightSourceCount(module).
    void checkIndices(int module, int source);
};

class FBPLightSourceProtocol_NormalizedIntensity
    : public FBPLightSourceProtocol,
      public LightSourceProtocolInterface_NormalizedIntensity {
  public:
    double getLightSourceIntensity(const Bus& bus, int module, int source) override;
    void setLightSourceIntensity(const Bus& bus, int module, int source,
                                 double intensity) override;
};

class FBPLightSourceProtocol_Ventana : public FBPLightSourceProtocol_NormalizedIntensity {
  public:
    bool hasLightSourceEnable(const Bus& bus, int module, int source) override;
    bool hasVariableIntensity(const Bus& bus, int module, int source) override;
    int getModuleCount() override;
    int getLightSourceCount(int module) override;
    double getLightSourceIntensityMinimum(const Bus& bus, int module, int source) override;
    double getLightSourceIntensityMaximum(const Bus& bus, int module, int source) override;

  private:
    // The one source: module 0, source 0.
    static void checkOnlySource(int module, int source);
};

}  // namespace spectro::framedBinaryProtocol
