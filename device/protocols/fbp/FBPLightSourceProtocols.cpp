#include "device/protocols/fbp/FBPLightSourceProtocols.h"

#include "device/protocols/fbp/FBPCatalogue.h"
#include "device/protocols/fbp/FBPProtocolSupport.h"

namespace spectro::framedBinaryProtocol {

namespace {

using namespace support;

// Both reads report a missing reply with the same words.
const char* const NO_LIGHT_SOURCE_DATA = "Got back no data when trying to get enable status";

const char* const BAD_MODULE = "Invalid module index";
const char* const BAD_SOURCE = "Invalid light source index";

}  // namespace

FBPLightSourceProtocol::FBPLightSourceProtocol()
    : ProtocolHelper(std::make_unique<FramedBinaryProtocol>()) {}

void FBPLightSourceProtocol::checkIndices(int module, int source) {
    if (module < 0 || module >= getModuleCount()) throw ProtocolException(BAD_MODULE);
    if (source < 0 || source >= getLightSourceCount(module)) throw ProtocolException(BAD_SOURCE);
}

bool FBPLightSourceProtocol::isLightSourceEnabled(const Bus& bus, int module, int source) {
    checkIndices(module, source);
    FBPLightSourceEnabledQuery query;
    query.setLightSource(module, source);
    return askAtLeast(bus, query, 1, NO_LIGHT_SOURCE_DATA)[0] != 0;
}

void FBPLightSourceProtocol::setLightSourceEnable(const Bus& bus, int module, int source,
                                                  bool enable) {
    checkIndices(module, source);
    FBPLightSourceEnableCommand command;
    command.setLightSourceEnable(module, source, enable);
    tell(bus, command);  // the unit's acknowledgement is not examined
}

double FBPLightSourceProtocol_NormalizedIntensity::getLightSourceIntensity(const Bus& bus,
                                                                           int module,
                                                                           int source) {
    checkIndices(module, source);
    FBPLightSourceIntensityQuery query;
    query.setLightSource(module, source);
    return readF32(askAtLeast(bus, query, 4, NO_LIGHT_SOURCE_DATA).data());
}

void FBPLightSourceProtocol_NormalizedIntensity::setLightSourceIntensity(const Bus& bus,
                                                                         int module, int source,
                                                                         double intensity) {
    checkIndices(module, source);
    FBPLightSourceIntensityCommand command;
    command.setLightSourceIntensity(module, source, intensity);
    tell(bus, command);  // the unit's acknowledgement is not examined
}

void FBPLightSourceProtocol_Ventana::checkOnlySource(int module, int source) {
    if (module != 0) throw ProtocolException(BAD_MODULE);
    if (source != 0) throw ProtocolException(BAD_SOURCE);
}

bool FBPLightSourceProtocol_Ventana::hasLightSourceEnable(const Bus&, int module, int source) {
    checkOnlySource(module, source);
    return true;
}

bool FBPLightSourceProtocol_Ventana::hasVariableIntensity(const Bus&, int module, int source) {
    checkOnlySource(module, source);
    return true;
}

int FBPLightSourceProtocol_Ventana::getModuleCount() { return 1; }

int FBPLightSourceProtocol_Ventana::getLightSourceCount(int module) { return module == 0 ? 1 : 0; }

double FBPLightSourceProtocol_Ventana::getLightSourceIntensityMinimum(const Bus&, int module,
                                                                      int source) {
    checkOnlySource(module, source);
    return 0.0;
}

double FBPLightSourceProtocol_Ventana::getLightSourceIntensityMaximum(const Bus&, int module,
                                                                      int source) {
    checkOnlySource(module, source);
    return 1.0;
}

}  // namespace spectro::framedBinaryProtocol
