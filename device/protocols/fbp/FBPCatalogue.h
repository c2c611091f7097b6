#pragma once

// Every query and command the library sends to a framed-protocol device. Each constructor fixes
// the message type and a zero-filled request of the length the device expects (or the stated
// default); the protocol writes the request data before each use, with setPayload or one of
// the setters below. Replies are interpreted by the protocols.

#include <cstdint>

#include "device/protocols/fbp/FBPTransaction.h"

namespace spectro::framedBinaryProtocol {

// A query or command with a fixed type and a request of `RequestLength` zero bytes.
template <class Base, std::uint32_t Type, std::size_t RequestLength>
class FBPFixed : public Base {
  public:
    static constexpr std::uint32_t MESSAGE_TYPE = Type;
    static constexpr std::size_t REQUEST_LENGTH = RequestLength;
    FBPFixed() : Base(Type, RequestLength) {}

  protected:
    explicit FBPFixed(Bytes request) : Base(Type, 0) { this->payload = std::move(request); }
};

template <std::uint32_t Type, std::size_t RequestLength>
using FBPFixedQuery = FBPFixed<FBPQuery, Type, RequestLength>;
template <std::uint32_t Type, std::size_t RequestLength>
using FBPFixedCommand = FBPFixed<FBPCommand, Type, RequestLength>;

// Identity, revision and serial number.
class FBPGetHardwareRevisionExchange : public FBPFixedQuery<0x00000080, 1> {};
class FBPGetFirmwareRevisionExchange : public FBPFixedQuery<0x00000090, 2> {};
class FBPGetSerialNumberExchange : public FBPFixedQuery<0x00000100, 0> {};
class FBPGetSerialNumberMaximumLengthExchange : public FBPFixedQuery<0x00000101, 0> {};

// Acquisition settings.
// u32 integration time in units of integrationTimeBase microseconds.
class FBPIntegrationTimeExchange : public FBPFixedCommand<0x00110010, 4> {
  public:
    // Stores micros / integrationTimeBase (the remainder is dropped) and writes it.
    void setIntegrationTimeMicros(std::uint32_t micros);
    std::uint32_t getIntegrationTimeBase() const { return integrationTimeBase; }
    std::uint32_t getIntegrationTimeUnits() const { return integrationTimeUnits; }

  private:
    std::uint32_t integrationTimeBase = 1;
    std::uint32_t integrationTimeUnits = 100000;
};

// u8 trigger mode, 0 until set.
class FBPTriggerModeExchange : public FBPFixedCommand<0x00110110, 1> {
  public:
    // The low 8 bits of the mode value.
    void setTriggerMode(std::int32_t mode);
};

class FBPGetPixelBinningExchange : public FBPFixedQuery<0x00110280, 1> {};
class FBPGetMaxPixelBinningExchange : public FBPFixedQuery<0x00110281, 1> {};
class FBPGetDefaultPixelBinningExchange : public FBPFixedQuery<0x00110285, 1> {};
class FBPSetPixelBinningExchange : public FBPFixedCommand<0x00110290, 1> {};
// u8 default factor; an empty request resets the default.
class FBPSetDefaultPixelBinningExchange : public FBPFixedCommand<0x00110295, 1> {};
class FBPLampEnableCommand : public FBPFixedCommand<0x00110410, 1> {};
// u32 delay in microseconds.
class FBPSetAcquisitionDelayExchange : public FBPFixedCommand<0x00110510, 4> {};
// u8 0 closed, 1 open; open until set.
class FBPShutterExchange : public FBPFixedCommand<0x00110610, 1> {
  public:
    FBPShutterExchange() : FBPFixed(Bytes{1}) {}
};

// On-device spectrum processing.
class FBPGetScansToAverageExchange : public FBPFixedQuery<0x00120000, 2> {};
class FBPSetScansToAverageExchange : public FBPFixedCommand<0x00120010, 2> {};
class FBPGetBoxcarWidthExchange : public FBPFixedQuery<0x00121000, 1> {};
class FBPSetBoxcarWidthExchange : public FBPFixedCommand<0x00121010, 1> {};

// Calibration data held by the device. The coefficient queries take a u8 index.
class FBPGetWaveCalExchange : public FBPFixedQuery<0x00180101, 1> {};
class FBPGetNonlinearityCoeffsCountExchange : public FBPFixedQuery<0x00181100, 0> {};
class FBPGetNonlinearityCoeffExchange : public FBPFixedQuery<0x00181101, 1> {};
class FBPGetIrradCalExchange : public FBPFixedQuery<0x00182001, 0> {};
class FBPGetIrradCollectionAreaExchange : public FBPFixedQuery<0x00182003, 0> {};
// f32 values back to back, as many as the protocol sends.
class FBPSetIrradCalExchange : public FBPFixedCommand<0x00182011, 0> {};
class FBPSetIrradCollectionAreaExchange : public FBPFixedCommand<0x00182013, 4> {};
class FBPGetStrayLightCoeffsCountExchange : public FBPFixedQuery<0x00183100, 0> {};
class FBPGetStrayLightCoeffExchange : public FBPFixedQuery<0x00183101, 1> {};
class FBPGetOpticalBenchIDExchange : public FBPFixedQuery<0x001B0000, 0> {};
class FBPGetOpticalBenchSerialNumberExchange : public FBPFixedQuery<0x001B0100, 0> {};
class FBPGetOpticalBenchSlitWidthMicronsExchange : public FBPFixedQuery<0x001B0200, 1> {};
class FBPGetOpticalBenchFiberDiameterMicronsExchange : public FBPFixedQuery<0x001B0300, 1> {};
class FBPGetOpticalBenchGratingExchange : public FBPFixedQuery<0x001B0400, 0> {};
class FBPGetOpticalBenchFilterExchange : public FBPFixedQuery<0x001B0500, 0> {};
class FBPGetOpticalBenchCoatingExchange : public FBPFixedQuery<0x001B0600, 0> {};

// Detector saturation and the data buffer.
class FBPGetSaturationExchange : public FBPFixedQuery<0x001010A0, 0> {};
class FBPGetDataBufferMaximumCapacityExchange : public FBPFixedQuery<0x00100820, 0> {};
class FBPGetDataBufferCapacityExchange : public FBPFixedQuery<0x00100822, 0> {};
class FBPDataBufferClearExchange : public FBPFixedCommand<0x00100830, 0> {};
// u32 capacity in spectra.
class FBPSetDataBufferCapacityExchange : public FBPFixedCommand<0x00100832, 4> {};
class FBPGetDataBufferElementCountExchange : public FBPFixedQuery<0x00100900, 0> {};

// Strobe, temperatures, thermo-electric cooler and light sources.
// u32 period in microseconds, 100000 until set.
class FBPContinuousStrobePeriodExchange : public FBPFixedCommand<0x00310010, 4> {
  public:
    FBPContinuousStrobePeriodExchange() : FBPFixed(u32Bytes(100000)) {}
};
// u8 0 off, 1 on; off until set.
class FBPContinuousStrobeEnableExchange : public FBPFixedCommand<0x00310011, 1> {};
class FBPGetTemperatureCountExchange : public FBPFixedQuery<0x00400000, 0> {};
// The sensor index in the first of four bytes.
class FBPGetTemperatureExchange : public FBPFixedQuery<0x00400001, 4> {
  public:
    void setSensorIndex(std::uint8_t index) { payload = {index, 0, 0, 0}; }
};
class FBPGetAllTemperaturesExchange : public FBPFixedQuery<0x00400002, 1> {};
class FBPGetThermoElectricTemperatureExchange : public FBPFixedQuery<0x00420004, 0> {};
class FBPSetThermoElectricEnableExchange : public FBPFixedCommand<0x00420010, 1> {};
// f32 set point in degrees Celsius.
class FBPSetThermoElectricSetpointExchange : public FBPFixedCommand<0x00420011, 4> {};

// u8 module index, u8 light source index.
class FBPLightSourceEnabledQuery : public FBPFixedQuery<0x00810021, 2> {
  public:
    void setLightSource(int module, int source);
};

class FBPLightSourceEnableCommand : public FBPFixedCommand<0x00810031, 3> {
  public:
    virtual void setLightSourceEnable(int module, int source, bool enable);
};

class FBPLightSourceIntensityQuery : public FBPFixedQuery<0x00810041, 2> {
  public:
    void setLightSource(int module, int source);
};

// u8 module, u8 source, f32 normalised intensity.
class FBPLightSourceIntensityCommand : public FBPFixedCommand<0x00810051, 6> {
  public:
    virtual void setLightSourceIntensity(int module, int source, double intensity);
};

}  // namespace spectro::framedBinaryProtocol
