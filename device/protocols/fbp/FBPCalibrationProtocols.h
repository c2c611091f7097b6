#pragma once

// Framed-protocol implementations of the calibrations a unit holds: wavelength, nonlinearity
// and stray-light coefficients, and the irradiance calibration with its collection area. Each
// builds fresh queries per call and owns a FramedBinaryProtocol identity.

#include <cstdint>
#include <optional>
#include <vector>

#include "device/common/Protocol.h"
#include "device/protocols/ProtocolInterfaces.h"

namespace spectro::framedBinaryProtocol {

class FBPWaveCalProtocol : public WaveCalProtocolInterface, public ProtocolHelper {
  public:
    FBPWaveCalProtocol();
    // Four coefficients, constant term first.
    std::vector<double> readWavelengthCoeffs(const Bus& bus) override;
};

class FBPNonlinearityCoeffsProtocol : public NonlinearityCoeffsProtocolInterface,
                                      public ProtocolHelper {
  public:
    FBPNonlinearityCoeffsProtocol();
    // None when the unit gives no count or more than 16 coefficients.
    std::optional<std::vector<double>> readNonlinearityCoeffs(const Bus& bus) override;
};

class FBPStrayLightCoeffsProtocol : public StrayLightCoeffsProtocolInterface,
                                    public ProtocolHelper {
  public:
    FBPStrayLightCoeffsProtocol();
    // None when the unit gives no count or more than 16 coefficients.
    std::optional<std::vector<double>> readStrayLightCoeffs(const Bus& bus) override;
};

class FBPIrradCalProtocol : public IrradCalProtocolInterface, public ProtocolHelper {
  public:
    explicit FBPIrradCalProtocol(std::uint32_t numberOfPixels);
    std::vector<float> readIrradCal(const Bus& bus) override;
    // Sends at most one value per pixel and returns how many it sent.
    int writeIrradCal(const Bus& bus, const std::vector<float>& values) override;
    bool hasCollectionArea(const Bus& bus) override;
    double readCollectionArea(const Bus& bus) override;
    void writeCollectionArea(const Bus& bus, double area) override;

  private:
    std::uint32_t numberOfPixels;
};

}  // namespace spectro::framedBinaryProtocol
