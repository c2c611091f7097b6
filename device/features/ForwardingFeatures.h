#pragma once

// The thin auxiliary features: each finds its protocol implementation and forwards one call.
// Operations marked "plain" convert nothing: a missing implementation gives the generic
// "Could not find matching protocol implementation." and the implementation's exceptions pass
// unchanged. The others name themselves when no implementation matches and turn a
// ProtocolException into FeatureControlException "Caught protocol exception: ...".

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/common/Feature.h"
#include "device/protocols/ProtocolInterfaces.h"

namespace spectro {

class StrobeLampFeatureInterface : public virtual Feature {
  public:
    virtual void setStrobeLampEnable(const Protocol& protocol, const Bus& bus, bool enable) = 0;
};

class StrobeLampFeature : public StrobeLampFeatureInterface, public FeatureImpl {
  public:
    explicit StrobeLampFeature(std::unique_ptr<ProtocolHelper> implementation);
    void setStrobeLampEnable(const Protocol& protocol, const Bus& bus, bool enable) override;
    FeatureFamily getFeatureFamily() override;
};

class ShutterFeatureInterface : public virtual Feature {
  public:
    virtual void setShutterOpen(const Protocol& protocol, const Bus& bus, bool open) = 0;
};

class ShutterFeature : public ShutterFeatureInterface, public FeatureImpl {
  public:
    explicit ShutterFeature(std::unique_ptr<ProtocolHelper> implementation);
    void setShutterOpen(const Protocol& protocol, const Bus& bus, bool open) override;
    FeatureFamily getFeatureFamily() override;
};

class IrradCalFeatureInterface : public virtual Feature {
  public:
    virtual std::vector<float> readIrradianceCalibration(const Protocol& protocol,
                                                         const Bus& bus) = 0;
    virtual int writeIrradianceCalibration(const Protocol& protocol, const Bus& bus,
                                           const std::vector<float>& values) = 0;
    virtual bool hasCollectionArea(const Protocol& protocol, const Bus& bus) = 0;
    virtual double readCollectionArea(const Protocol& protocol, const Bus& bus) = 0;
    virtual void writeCollectionArea(const Protocol& protocol, const Bus& bus, double area) = 0;
};

class IrradCalFeature : public IrradCalFeatureInterface, public FeatureImpl {
  public:
    IrradCalFeature(std::unique_ptr<ProtocolHelper> implementation, int numberOfPixels);
    std::vector<float> readIrradianceCalibration(const Protocol& protocol, const Bus& bus) override;
    // Plain.
    int writeIrradianceCalibration(const Protocol& protocol, const Bus& bus,
                                   const std::vector<float>& values) override;
    bool hasCollectionArea(const Protocol& protocol, const Bus& bus) override;
    double readCollectionArea(const Protocol& protocol, const Bus& bus) override;
    void writeCollectionArea(const Protocol& protocol, const Bus& bus, double area) override;
    FeatureFamily getFeatureFamily() override;

    int getNumberOfPixels() const { return numberOfPixels; }

  private:
    int numberOfPixels;
};

class TemperatureFeatureInterface : public virtual Feature {
  public:
    virtual std::uint8_t getTemperatureCount(const Protocol& protocol, const Bus& bus) = 0;
    virtual double readTemperature(const Protocol& protocol, const Bus& bus, int index) = 0;
    virtual std::optional<std::vector<double>> readAllTemperatures(const Protocol& protocol,
                                                                   const Bus& bus) = 0;
};

class TemperatureFeature : public TemperatureFeatureInterface, public FeatureImpl {
  public:
    explicit TemperatureFeature(std::unique_ptr<ProtocolHelper> implementation);
    std::uint8_t getTemperatureCount(const Protocol& protocol, const Bus& bus) override;
    // Plain.
    double readTemperature(const Protocol& protocol, const Bus& bus, int index) override;
    // Plain.
    std::optional<std::vector<double>> readAllTemperatures(const Protocol& protocol,
                                                           const Bus& bus) override;
    FeatureFamily getFeatureFamily() override;
};

class RevisionFeatureInterface : public virtual Feature {
  public:
    virtual std::uint8_t readHardwareRevision(const Protocol& protocol, const Bus& bus) = 0;
    virtual std::uint16_t readFirmwareRevision(const Protocol& protocol, const Bus& bus) = 0;
};

class RevisionFeature : public RevisionFeatureInterface, public FeatureImpl {
  public:
    explicit RevisionFeature(std::unique_ptr<ProtocolHelper> implementation);
    std::uint8_t readHardwareRevision(const Protocol& protocol, const Bus& bus) override;
    // Plain.
    std::uint16_t readFirmwareRevision(const Protocol& protocol, const Bus& bus) override;
    FeatureFamily getFeatureFamily() override;
};

class OpticalBenchFeatureInterface : public virtual Feature {
  public:
    virtual std::uint16_t readFiberDiameterMicrons(const Protocol& protocol, const Bus& bus) = 0;
    virtual std::uint16_t readSlitWidthMicrons(const Protocol& protocol, const Bus& bus) = 0;
    virtual std::string readOpticalBenchID(const Protocol& protocol, const Bus& bus) = 0;
    virtual std::string readOpticalBenchSerialNumber(const Protocol& protocol, const Bus& bus) = 0;
    virtual std::string readCoating(const Protocol& protocol, const Bus& bus) = 0;
    virtual std::string readFilter(const Protocol& protocol, const Bus& bus) = 0;
    virtual std::string readGrating(const Protocol& protocol, const Bus& bus) = 0;
};

// Every operation is plain except readOpticalBenchID.
class OpticalBenchFeature : public OpticalBenchFeatureInterface, public FeatureImpl {
  public:
    explicit OpticalBenchFeature(std::unique_ptr<ProtocolHelper> implementation);
    std::uint16_t readFiberDiameterMicrons(const Protocol& protocol, const Bus& bus) override;
    std::uint16_t readSlitWidthMicrons(const Protocol& protocol, const Bus& bus) override;
    std::string readOpticalBenchID(const Protocol& protocol, const Bus& bus) override;
    std::string readOpticalBenchSerialNumber(const Protocol& protocol, const Bus& bus) override;
    std::string readCoating(const Protocol& protocol, const Bus& bus) override;
    std::string readFilter(const Protocol& protocol, const Bus& bus) override;
    std::string readGrating(const Protocol& protocol, const Bus& bus) override;
    FeatureFamily getFeatureFamily() override;
};

class SpectrumProcessingFeatureInterface : public virtual Feature {
  public:
    virtual std::uint8_t readBoxcarWidth(const Protocol& protocol, const Bus& bus) = 0;
    virtual std::uint16_t readScansToAverage(const Protocol& protocol, const Bus& bus) = 0;
    virtual void writeBoxcarWidth(const Protocol& protocol, const Bus& bus, std::uint8_t width) = 0;
    virtual void writeScansToAverage(const Protocol& protocol, const Bus& bus,
                                     std::uint16_t scans) = 0;
};

// The boxcar operations are plain.
class SpectrumProcessingFeature : public SpectrumProcessingFeatureInterface, public FeatureImpl {
  public:
    explicit SpectrumProcessingFeature(std::unique_ptr<ProtocolHelper> implementation);
    std::uint8_t readBoxcarWidth(const Protocol& protocol, const Bus& bus) override;
    std::uint16_t readScansToAverage(const Protocol& protocol, const Bus& bus) override;
    void writeBoxcarWidth(const Protocol& protocol, const Bus& bus, std::uint8_t width) override;
    void writeScansToAverage(const Protocol& protocol, const Bus& bus,
                             std::uint16_t scans) override;
    FeatureFamily getFeatureFamily() override;
};

class DataBufferFeatureInterface : public virtual Feature {
  public:
    virtual std::uint32_t getNumberOfBuffers() = 0;
    virtual void clearBuffer(const Protocol& protocol, const Bus& bus, std::uint8_t index) = 0;
    virtual std::uint32_t getBufferCapacity(const Protocol& protocol, const Bus& bus,
                                            std::uint8_t index) = 0;
    virtual std::uint32_t getBufferCapacityMaximum(const Protocol& protocol, const Bus& bus,
                                                   std::uint8_t index) = 0;
    virtual std::uint32_t getBufferCapacityMinimum(const Protocol& protocol, const Bus& bus,
                                                   std::uint8_t index) = 0;
    virtual std::uint32_t getNumberOfElements(const Protocol& protocol, const Bus& bus,
                                              std::uint8_t index) = 0;
    virtual void setBufferCapacity(const Protocol& protocol, const Bus& bus, std::uint8_t index,
                                   std::uint32_t capacity) = 0;
};

class DataBufferFeatureBase : public DataBufferFeatureInterface, public FeatureImpl {
  public:
    DataBufferFeatureBase(std::unique_ptr<ProtocolHelper> implementation,
                          std::uint32_t numberOfBuffers);
    std::uint32_t getNumberOfBuffers() override { return numberOfBuffers; }
    void clearBuffer(const Protocol& protocol, const Bus& bus, std::uint8_t index) override;
    std::uint32_t getBufferCapacity(const Protocol& protocol, const Bus& bus,
                                    std::uint8_t index) override;
    std::uint32_t getBufferCapacityMaximum(const Protocol& protocol, const Bus& bus,
                                           std::uint8_t index) override;
    std::uint32_t getBufferCapacityMinimum(const Protocol& protocol, const Bus& bus,
                                           std::uint8_t index) override;
    std::uint32_t getNumberOfElements(const Protocol& protocol, const Bus& bus,
                                      std::uint8_t index) override;
    void setBufferCapacity(const Protocol& protocol, const Bus& bus, std::uint8_t index,
                           std::uint32_t capacity) override;
    FeatureFamily getFeatureFamily() override;

  protected:
    std::uint32_t numberOfBuffers;
};

// Pixel binning has no generic member; the STS model brings its own feature.
class PixelBinningFeatureInterface : public virtual Feature {
  public:
    virtual void setPixelBinningFactor(const Protocol& protocol, const Bus& bus,
                                       std::uint8_t factor) = 0;
    virtual std::uint8_t getPixelBinningFactor(const Protocol& protocol, const Bus& bus) = 0;
    virtual void resetDefaultPixelBinningFactor(const Protocol& protocol, const Bus& bus) = 0;
    virtual void setDefaultPixelBinningFactor(const Protocol& protocol, const Bus& bus,
                                              std::uint8_t factor) = 0;
    virtual std::uint8_t getDefaultPixelBinningFactor(const Protocol& protocol, const Bus& bus) = 0;
    virtual std::uint8_t getMaxPixelBinningFactor(const Protocol& protocol, const Bus& bus) = 0;
};

}  // namespace spectro
