#pragma once

#include <map>
#include <string>

#include "device/common/Device.h"

namespace spectro::test {

// A device's features in list order, by family, in the abbreviations of the model tables.
inline std::string featureList(const Device& device) {
    const std::map<std::string, std::string> abbreviations{
        {"Spectrometer", "Spec"},          {"SerialNumber", "Serial"},
        {"EEPROM", "EEPROM"},              {"StrobeLampEnable", "Strobe"},
        {"ContinuousStrobe", "CStrobe"},   {"ThermoElectric", "TEC"},
        {"IrradianceCalibration", "Irrad"}, {"AcquisitionDelay", "Delay"},
        {"NonlinearityCoeffs", "NL"},      {"StrayLightCoeffs", "SL"},
        {"RawUSBBusAccess", "Raw"},        {"ExtraFeaturesCollection", "Extra"},
        {"PixelBinning", "Binning"},       {"Temperature", "Temp"},
        {"Revision", "Rev"},               {"OpticalBench", "Bench"},
        {"SpectrumProcessing", "Proc"},    {"DataBuffer", "Buffer"},
        {"LightSource", "Light"},
    };
    std::string list;
    for (Feature* feature : device.getFeatures()) {
        const std::string family = feature->getFeatureFamily().getName();
        const auto found = abbreviations.find(family);
        list += (list.empty() ? "" : ", ") + (found == abbreviations.end() ? family : found->second);
    }
    return list;
}

}  // namespace spectro::test
