#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/BenchConfig.h"
#include "sim/fbp/FbpMessage.h"
#include "sim/fbp/FbpModelTable.h"

namespace spectro::sim {

// What a framed-binary unit's firmware holds and answers, spectra aside (FbpUnit times those).
// It is strict: a message of a group the model lacks, request data of another length than the
// message has, an index, value or mode outside what the unit has are refused.
// Not thread-safe: its unit guards it.
class FbpFirmware {
  public:
    struct Answer {
        enum class Kind {
            Refused,  // the unit sends a NACK
            Done,     // a command was carried out; nothing to send unless an ACK was asked for
            Data,     // a query: the data goes back in a message of the request's type
        };
        Kind kind;
        std::vector<std::uint8_t> data;
    };

    FbpFirmware(const FbpModel& model, const UnitConfig& config);

    // A message of a type this model does not answer (spectrum requests among them: the unit
    // times those itself) is refused.
    Answer answer(const FbpRequest& request);

    std::uint32_t integrationUs() const { return integrationUs_; }
    std::uint8_t triggerMode() const { return triggerMode_; }
    // Pixels of the next spectrum: fewer on a binning unit.
    int spectrumPixels() const { return model_.pixels >> binningFactor_; }
    // A spectrum was made: a buffering unit holds one more, up to its capacity.
    void spectrumStored();

  private:
    using Bytes = std::vector<std::uint8_t>;
    struct Handler;
    static const std::vector<Handler>& handlers();

    float temperatureC(std::size_t sensor) const;

    const FbpModel& model_;
    const std::string serial_;
    const double boardTemperatureC_;
    const std::array<float, 4> wavelengthCoefficients_;

    // Settings the host writes; they survive closing, as on a real unit.
    std::uint32_t integrationUs_ = 100000;
    std::uint8_t triggerMode_ = 0;
    std::uint8_t binningFactor_ = 0;
    std::uint8_t defaultBinningFactor_ = 0;
    bool lampOn_ = false;
    std::uint32_t acquisitionDelayUs_ = 0;
    bool shutterOpen_ = true;
    std::uint16_t scansToAverage_ = 1;
    std::uint8_t boxcarWidth_ = 0;
    std::vector<float> irradiance_;
    float collectionArea_ = 0.119f;
    std::uint32_t strobePeriodUs_ = 100000;
    bool strobeOn_ = false;
    bool coolerOn_ = false;
    float coolerSetPointC_;
    std::uint32_t bufferCapacity_;
    std::uint32_t bufferElements_ = 0;
    bool lightSourceOn_ = false;
    float lightSourceIntensity_ = 1.0f;
};

}  // namespace spectro::sim
