#pragma once

#include <cstdint>

// The message types a framed-binary unit answers.
namespace spectro::sim::fbp {

constexpr std::uint32_t getHardwareRevision = 0x00000080;
constexpr std::uint32_t getFirmwareRevision = 0x00000090;
constexpr std::uint32_t getSerialNumber = 0x00000100;
constexpr std::uint32_t getSerialNumberMaximumLength = 0x00000101;

constexpr std::uint32_t setIntegrationTime = 0x00110010;
constexpr std::uint32_t setTriggerMode = 0x00110110;
constexpr std::uint32_t getPixelBinning = 0x00110280;
constexpr std::uint32_t getMaxPixelBinning = 0x00110281;
constexpr std::uint32_t getDefaultPixelBinning = 0x00110285;
constexpr std::uint32_t setPixelBinning = 0x00110290;
constexpr std::uint32_t setDefaultPixelBinning = 0x00110295;
constexpr std::uint32_t setLampEnable = 0x00110410;
constexpr std::uint32_t setAcquisitionDelay = 0x00110510;
constexpr std::uint32_t setShutter = 0x00110610;

constexpr std::uint32_t getScansToAverage = 0x00120000;
constexpr std::uint32_t setScansToAverage = 0x00120010;
constexpr std::uint32_t getBoxcarWidth = 0x00121000;
constexpr std::uint32_t setBoxcarWidth = 0x00121010;

constexpr std::uint32_t getWavelengthCoefficient = 0x00180101;
constexpr std::uint32_t getNonlinearityCount = 0x00181100;
constexpr std::uint32_t getNonlinearityCoefficient = 0x00181101;
constexpr std::uint32_t getIrradianceCalibration = 0x00182001;
constexpr std::uint32_t getCollectionArea = 0x00182003;
constexpr std::uint32_t setIrradianceCalibration = 0x00182011;
constexpr std::uint32_t setCollectionArea = 0x00182013;
constexpr std::uint32_t getStrayLightCount = 0x00183100;
constexpr std::uint32_t getStrayLightCoefficient = 0x00183101;

constexpr std::uint32_t getOpticalBenchId = 0x001B0000;
constexpr std::uint32_t getOpticalBenchSerialNumber = 0x001B0100;
constexpr std::uint32_t getSlitWidth = 0x001B0200;
constexpr std::uint32_t getFiberDiameter = 0x001B0300;
constexpr std::uint32_t getGrating = 0x001B0400;
constexpr std::uint32_t getFilter = 0x001B0500;
constexpr std::uint32_t getCoating = 0x001B0600;

constexpr std::uint32_t requestSpectrum16 = 0x00101000;  // the spectrum comes back with this type
constexpr std::uint32_t getSaturationLevel = 0x001010A0;
constexpr std::uint32_t getBufferMaximumCapacity = 0x00100820;
constexpr std::uint32_t getBufferCapacity = 0x00100822;
constexpr std::uint32_t clearBuffer = 0x00100830;
constexpr std::uint32_t setBufferCapacity = 0x00100832;
constexpr std::uint32_t getBufferElementCount = 0x00100900;
constexpr std::uint32_t requestSpectrum32WithMetadata = 0x00100928;  // and its answer

constexpr std::uint32_t setStrobePeriod = 0x00310010;
constexpr std::uint32_t setStrobeEnable = 0x00310011;
constexpr std::uint32_t getTemperatureCount = 0x00400000;
constexpr std::uint32_t getTemperature = 0x00400001;
constexpr std::uint32_t getAllTemperatures = 0x00400002;
constexpr std::uint32_t getCoolerTemperature = 0x00420004;
constexpr std::uint32_t setCoolerEnable = 0x00420010;
constexpr std::uint32_t setCoolerSetPoint = 0x00420011;

constexpr std::uint32_t getLightSourceEnabled = 0x00810021;
constexpr std::uint32_t setLightSourceEnable = 0x00810031;
constexpr std::uint32_t getLightSourceIntensity = 0x00810041;
constexpr std::uint32_t setLightSourceIntensity = 0x00810051;

}  // namespace spectro::sim::fbp
