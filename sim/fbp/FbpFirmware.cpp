#include "sim/fbp/FbpFirmware.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

#include "sim/ByteOrder.h"
#include "sim/WavelengthPolynomial.h"
#include "sim/fbp/FbpMessageTypes.h"

namespace spectro::sim {

namespace {

using Bytes = std::vector<std::uint8_t>;
using Answer = FbpFirmware::Answer;

// Factory calibration and the fixed facts of the optical bench.
// 15 bytes and the terminating zero; a longer bench serial reports what it needs, up to 255.
constexpr std::size_t serialNumberMaximumLength = 16;
constexpr float nonlinearity[] = {0.95f, 8.5e-06f, -2.1e-10f, 4.0e-15f, 0.0f, 0.0f, 0.0f, 0.0f};
constexpr float strayLight[] = {0.25f, 1.5e-3f};
// Sensor 0 is the board; the others run a little warmer.
constexpr float temperatureOffsetsC[] = {0.0f, 1.25f, 3.5f};
constexpr std::size_t temperatureCount = std::size(temperatureOffsetsC);
constexpr std::uint16_t slitWidthMicrons = 25;
constexpr std::uint16_t fiberDiameterMicrons = 400;
const char* const grating = "600 lines/mm, 500 nm blaze";
const char* const filter = "OF1-GG395";
const char* const coating = "none";
// On-device processing takes these.
constexpr std::uint16_t mostScansToAverage = 5000;
constexpr std::uint8_t widestBoxcar = 15;
constexpr float coolestSetPointC = -50.0f;
constexpr float warmestSetPointC = 30.0f;

Answer refused() { return {Answer::Kind::Refused, {}}; }
Answer done() { return {Answer::Kind::Done, {}}; }
Answer data(Bytes bytes) { return {Answer::Kind::Data, std::move(bytes)}; }

Answer u8(std::uint8_t value) { return data({value}); }
Answer u16(std::uint16_t value) {
    Bytes bytes(2);
    writeLittle16(bytes.data(), value);
    return data(std::move(bytes));
}
Answer u32(std::uint32_t value) {
    Bytes bytes(4);
    writeLittle32(bytes.data(), value);
    return data(std::move(bytes));
}

void appendF32(Bytes& bytes, float value) {
    std::uint32_t raw = 0;
    std::memcpy(&raw, &value, sizeof raw);
    bytes.resize(bytes.size() + 4);
    writeLittle32(&bytes[bytes.size() - 4], raw);
}
float readF32(const std::uint8_t* at) {
    const std::uint32_t raw = readLittle32(at);
    float value = 0;
    std::memcpy(&value, &raw, sizeof value);
    return value;
}
Answer f32(float value) {
    Bytes bytes;
    appendF32(bytes, value);
    return data(std::move(bytes));
}

// Texts travel with their terminating zero.
Answer text(const std::string& value) {
    Bytes bytes(value.begin(), value.end());
    bytes.push_back(0);
    return data(std::move(bytes));
}

// A switch takes 0 (off) or 1 (on) and nothing else.
template <typename Set>
Answer onOff(std::uint8_t value, Set set) {
    if (value > 1) return refused();
    set(value == 1);
    return done();
}

std::array<float, 4> wavelengthCoefficients(const FbpModel& model) {
    const auto c =
        wavelengthPolynomial(model.pixels, model.firstWavelength, model.lastWavelength, 0);
    return {static_cast<float>(c[0]), static_cast<float>(c[1]), static_cast<float>(c[2]),
            static_cast<float>(c[3])};
}

std::vector<float> factoryIrradiance(int pixels) {
    std::vector<float> values(static_cast<std::size_t>(pixels));
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = 0.5f + 0.001f * static_cast<float>(i);
    return values;
}

}  // namespace

// One message type: the model feature that answers it (0: every model), the lengths its request
// data may have, and what it does.
struct FbpFirmware::Handler {
    std::uint32_t messageType;
    std::uint32_t feature;
    std::size_t shortestRequest;
    std::size_t longestRequest;
    Answer (*answer)(FbpFirmware& unit, const Bytes& request);
};

FbpFirmware::FbpFirmware(const FbpModel& model, const UnitConfig& config)
    : model_(model),
      serial_(config.serial),
      boardTemperatureC_(config.pcbTemperatureC),
      wavelengthCoefficients_(wavelengthCoefficients(model)),
      irradiance_(factoryIrradiance(model.pixels)),
      coolerSetPointC_(model.coolerDefaultSetPointC),
      bufferCapacity_(model.dataBufferMaxCapacity) {}

FbpFirmware::Answer FbpFirmware::answer(const FbpRequest& request) {
    for (const Handler& handler : handlers()) {
        if (handler.messageType != request.messageType) continue;
        if ((model_.features & handler.feature) != handler.feature) return refused();
        if (request.data.size() < handler.shortestRequest ||
            request.data.size() > handler.longestRequest)
            return refused();
        return handler.answer(*this, request.data);
    }
    return refused();
}

void FbpFirmware::spectrumStored() {
    if (model_.has(FbpFeature::DataBuffer))
        bufferElements_ = std::min(bufferElements_ + 1, bufferCapacity_);
}

float FbpFirmware::temperatureC(std::size_t sensor) const {
    return static_cast<float>(boardTemperatureC_) + temperatureOffsetsC[sensor];
}

const std::vector<FbpFirmware::Handler>& FbpFirmware::handlers() {
    using F = FbpFeature;
    using U = FbpFirmware;
    auto bit = [](F feature) { return static_cast<std::uint32_t>(feature); };
    // clang-format off
    static const std::vector<Handler> table{
        // Identity and revisions.
        {fbp::getSerialNumber, 0, 0, 0, [](U& u, const Bytes&) { return text(u.serial_); }},
        {fbp::getSerialNumberMaximumLength, 0, 0, 0,
         [](U& u, const Bytes&) {
             return u8(static_cast<std::uint8_t>(std::clamp<std::size_t>(
                 u.serial_.size() + 1, serialNumberMaximumLength, 255)));
         }},
        {fbp::getHardwareRevision, bit(F::Revisions), 1, 1,
         [](U& u, const Bytes&) { return u8(u.model_.hardwareRevision); }},
        {fbp::getFirmwareRevision, bit(F::Revisions), 2, 2,
         [](U& u, const Bytes&) { return u16(u.model_.firmwareRevision); }},

        // Acquisition settings.
        {fbp::setIntegrationTime, 0, 4, 4, [](U& u, const Bytes& r) {
             const std::uint32_t us = readLittle32(r.data());
             if (us < u.model_.integrationMinimumUs || us > u.model_.integrationMaximumUs)
                 return refused();
             u.integrationUs_ = us;
             return done();
         }},
        {fbp::setTriggerMode, 0, 1, 1, [](U& u, const Bytes& r) {
             const auto& modes = u.model_.triggerModes;
             if (std::find(modes.begin(), modes.end(), r[0]) == modes.end()) return refused();
             u.triggerMode_ = r[0];
             return done();
         }},
        {fbp::getPixelBinning, bit(F::PixelBinning), 1, 1,
         [](U& u, const Bytes&) { return u8(u.binningFactor_); }},
        {fbp::getMaxPixelBinning, bit(F::PixelBinning), 1, 1,
         [](U& u, const Bytes&) { return u8(u.model_.maxBinningFactor); }},
        {fbp::getDefaultPixelBinning, bit(F::PixelBinning), 1, 1,
         [](U& u, const Bytes&) { return u8(u.defaultBinningFactor_); }},
        {fbp::setPixelBinning, bit(F::PixelBinning), 1, 1, [](U& u, const Bytes& r) {
             if (r[0] > u.model_.maxBinningFactor) return refused();
             u.binningFactor_ = r[0];
             return done();
         }},
        // Without data the default goes back to no binning.
        {fbp::setDefaultPixelBinning, bit(F::PixelBinning), 0, 1, [](U& u, const Bytes& r) {
             const std::uint8_t factor = r.empty() ? 0 : r[0];
             if (factor > u.model_.maxBinningFactor) return refused();
             u.defaultBinningFactor_ = factor;
             return done();
         }},
        {fbp::setLampEnable, bit(F::StrobeLamp), 1, 1, [](U& u, const Bytes& r) {
             return onOff(r[0], [&](bool on) { u.lampOn_ = on; });
         }},
        {fbp::setAcquisitionDelay, bit(F::AcquisitionDelay), 4, 4, [](U& u, const Bytes& r) {
             const std::uint32_t us = readLittle32(r.data());
             if (us > u.model_.maxAcquisitionDelayUs) return refused();
             u.acquisitionDelayUs_ = us;
             return done();
         }},
        {fbp::setShutter, bit(F::Shutter), 1, 1, [](U& u, const Bytes& r) {
             return onOff(r[0], [&](bool open) { u.shutterOpen_ = open; });
         }},

        // On-device processing. The settings are kept and reported; the spectra keep their
        // pattern, so that a host can still predict every pixel.
        {fbp::getScansToAverage, bit(F::SpectrumProcessing), 2, 2,
         [](U& u, const Bytes&) { return u16(u.scansToAverage_); }},
        {fbp::setScansToAverage, bit(F::SpectrumProcessing), 2, 2, [](U& u, const Bytes& r) {
             const std::uint16_t scans = readLittle16(r.data());
             if (scans == 0 || scans > mostScansToAverage) return refused();
             u.scansToAverage_ = scans;
             return done();
         }},
        {fbp::getBoxcarWidth, bit(F::SpectrumProcessing), 1, 1,
         [](U& u, const Bytes&) { return u8(u.boxcarWidth_); }},
        {fbp::setBoxcarWidth, bit(F::SpectrumProcessing), 1, 1, [](U& u, const Bytes& r) {
             if (r[0] > widestBoxcar) return refused();
             u.boxcarWidth_ = r[0];
             return done();
         }},

        // Calibrations.
        {fbp::getWavelengthCoefficient, 0, 1, 1, [](U& u, const Bytes& r) {
             if (r[0] >= u.wavelengthCoefficients_.size()) return refused();
             return f32(u.wavelengthCoefficients_[r[0]]);
         }},
        {fbp::getNonlinearityCount, 0, 0, 0,
         [](U&, const Bytes&) { return u8(static_cast<std::uint8_t>(std::size(nonlinearity))); }},
        {fbp::getNonlinearityCoefficient, 0, 1, 1, [](U&, const Bytes& r) {
             if (r[0] >= std::size(nonlinearity)) return refused();
             return f32(nonlinearity[r[0]]);
         }},
        {fbp::getStrayLightCount, 0, 0, 0,
         [](U&, const Bytes&) { return u8(static_cast<std::uint8_t>(std::size(strayLight))); }},
        {fbp::getStrayLightCoefficient, 0, 1, 1, [](U&, const Bytes& r) {
             if (r[0] >= std::size(strayLight)) return refused();
             return f32(strayLight[r[0]]);
         }},
        {fbp::getIrradianceCalibration, bit(F::IrradianceCalibration), 0, 0,
         [](U& u, const Bytes&) {
             Bytes bytes;
             for (float value : u.irradiance_) appendF32(bytes, value);
             return data(std::move(bytes));
         }},
        // A shorter calibration replaces the values of the first pixels only.
        {fbp::setIrradianceCalibration, bit(F::IrradianceCalibration), 4, 0xFFFFFFFF,
         [](U& u, const Bytes& r) {
             if (r.size() % 4 != 0 || r.size() / 4 > u.irradiance_.size()) return refused();
             for (std::size_t i = 0; i < r.size() / 4; ++i) u.irradiance_[i] = readF32(&r[4 * i]);
             return done();
         }},
        {fbp::getCollectionArea, bit(F::IrradianceCalibration), 0, 0,
         [](U& u, const Bytes&) { return f32(u.collectionArea_); }},
        {fbp::setCollectionArea, bit(F::IrradianceCalibration), 4, 4, [](U& u, const Bytes& r) {
             const float area = readF32(r.data());
             if (!std::isfinite(area) || area <= 0.0f) return refused();
             u.collectionArea_ = area;
             return done();
         }},

        // The optical bench.
        {fbp::getOpticalBenchId, bit(F::OpticalBench), 0, 0,
         [](U& u, const Bytes&) { return text("OB-" + u.model_.name); }},
        {fbp::getOpticalBenchSerialNumber, bit(F::OpticalBench), 0, 0,
         [](U& u, const Bytes&) { return text("OB" + u.serial_); }},
        {fbp::getSlitWidth, bit(F::OpticalBench), 1, 1,
         [](U&, const Bytes&) { return u16(slitWidthMicrons); }},
        {fbp::getFiberDiameter, bit(F::OpticalBench), 1, 1,
         [](U&, const Bytes&) { return u16(fiberDiameterMicrons); }},
        {fbp::getGrating, bit(F::OpticalBench), 0, 0,
         [](U&, const Bytes&) { return text(grating); }},
        {fbp::getFilter, bit(F::OpticalBench), 0, 0,
         [](U&, const Bytes&) { return text(filter); }},
        {fbp::getCoating, bit(F::OpticalBench), 0, 0,
         [](U&, const Bytes&) { return text(coating); }},

        // Detector saturation and the data buffer.
        {fbp::getSaturationLevel, bit(F::Saturation), 0, 0,
         [](U& u, const Bytes&) { return u32(u.model_.saturationLevel); }},
        {fbp::getBufferMaximumCapacity, bit(F::DataBuffer), 0, 0,
         [](U& u, const Bytes&) { return u32(u.model_.dataBufferMaxCapacity); }},
        {fbp::getBufferCapacity, bit(F::DataBuffer), 0, 0,
         [](U& u, const Bytes&) { return u32(u.bufferCapacity_); }},
        {fbp::setBufferCapacity, bit(F::DataBuffer), 4, 4, [](U& u, const Bytes& r) {
             const std::uint32_t capacity = readLittle32(r.data());
             if (capacity == 0 || capacity > u.model_.dataBufferMaxCapacity) return refused();
             u.bufferCapacity_ = capacity;
             u.bufferElements_ = std::min(u.bufferElements_, capacity);
             return done();
         }},
        {fbp::clearBuffer, bit(F::DataBuffer), 0, 0, [](U& u, const Bytes&) {
             u.bufferElements_ = 0;
             return done();
         }},
        {fbp::getBufferElementCount, bit(F::DataBuffer), 0, 0,
         [](U& u, const Bytes&) { return u32(u.bufferElements_); }},

        // Strobe and temperatures.
        {fbp::setStrobePeriod, bit(F::ContinuousStrobe), 4, 4, [](U& u, const Bytes& r) {
             u.strobePeriodUs_ = readLittle32(r.data());
             return done();
         }},
        {fbp::setStrobeEnable, bit(F::ContinuousStrobe), 1, 1, [](U& u, const Bytes& r) {
             return onOff(r[0], [&](bool on) { u.strobeOn_ = on; });
         }},
        {fbp::getTemperatureCount, bit(F::Temperatures), 0, 0,
         [](U&, const Bytes&) { return u8(static_cast<std::uint8_t>(temperatureCount)); }},
        {fbp::getTemperature, bit(F::Temperatures), 4, 4, [](U& u, const Bytes& r) {
             if (r[0] >= temperatureCount) return refused();
             return f32(u.temperatureC(r[0]));
         }},
        {fbp::getAllTemperatures, bit(F::Temperatures), 1, 1, [](U& u, const Bytes&) {
             Bytes bytes;
             for (std::size_t sensor = 0; sensor < temperatureCount; ++sensor)
                 appendF32(bytes, u.temperatureC(sensor));
             return data(std::move(bytes));
         }},

        // The cooler: a running one holds its set point, an idle one sits at board temperature.
        {fbp::getCoolerTemperature, bit(F::Cooler), 0, 0, [](U& u, const Bytes&) {
             const auto idle = static_cast<float>(u.boardTemperatureC_);
             return f32(u.coolerOn_ ? u.coolerSetPointC_ : idle);
         }},
        {fbp::setCoolerEnable, bit(F::Cooler), 1, 1, [](U& u, const Bytes& r) {
             return onOff(r[0], [&](bool on) { u.coolerOn_ = on; });
         }},
        {fbp::setCoolerSetPoint, bit(F::Cooler), 4, 4, [](U& u, const Bytes& r) {
             const float setPoint = readF32(r.data());
             // Written so that a NaN fails too.
             if (!(setPoint >= coolestSetPointC && setPoint <= warmestSetPointC)) return refused();
             u.coolerSetPointC_ = setPoint;
             return done();
         }},

        // One light source on module 0.
        {fbp::getLightSourceEnabled, bit(F::LightSource), 2, 2, [](U& u, const Bytes& r) {
             if (r[0] != 0 || r[1] != 0) return refused();
             return u8(u.lightSourceOn_ ? 1 : 0);
         }},
        {fbp::setLightSourceEnable, bit(F::LightSource), 3, 3, [](U& u, const Bytes& r) {
             if (r[0] != 0 || r[1] != 0) return refused();
             return onOff(r[2], [&](bool on) { u.lightSourceOn_ = on; });
         }},
        {fbp::getLightSourceIntensity, bit(F::LightSource), 2, 2, [](U& u, const Bytes& r) {
             if (r[0] != 0 || r[1] != 0) return refused();
             return f32(u.lightSourceIntensity_);
         }},
        {fbp::setLightSourceIntensity, bit(F::LightSource), 6, 6, [](U& u, const Bytes& r) {
             const float intensity = readF32(&r[2]);
             if (r[0] != 0 || r[1] != 0 || !(intensity >= 0.0f && intensity <= 1.0f))
                 return refused();
             u.lightSourceIntensity_ = intensity;
             return done();
         }},
    };
    // clang-format on
    return table;
}

}  // namespace spectro::sim
