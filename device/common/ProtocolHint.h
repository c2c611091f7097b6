#pragma once

#include <cstdint>
#include <string>

namespace spectro {

// Tells a bus which channel an exchange needs. Buses match hints by hintID only, so the
// control hints of both protocols select the same transfer helper.
class ProtocolHint {
  public:
    ProtocolHint(std::int32_t hintID, std::string description)
        : hintID(hintID), description(std::move(description)) {}
    virtual ~ProtocolHint() = default;

    std::int32_t getHintID() const { return hintID; }
    const std::string& getDescription() const { return description; }

  private:
    std::int32_t hintID;
    std::string description;
};

namespace legacyProtocol {

class ControlHint : public ProtocolHint {
  public:
    static constexpr std::int32_t ID = 1000;
    ControlHint() : ProtocolHint(ID, "Control transfer") {}
};

class SpectrumHint : public ProtocolHint {
  public:
    static constexpr std::int32_t ID = 1001;
    SpectrumHint() : ProtocolHint(ID, "Spectrum transfer") {}
};

}  // namespace legacyProtocol

namespace framedBinaryProtocol {

class FBPControlHint : public ProtocolHint {
  public:
    static constexpr std::int32_t ID = 1000;
    FBPControlHint() : ProtocolHint(ID, "Control transfer") {}
};

class FBPSpectrumHint : public ProtocolHint {
  public:
    static constexpr std::int32_t ID = 1001;
    FBPSpectrumHint() : ProtocolHint(ID, "FBPSpectrum transfer") {}
};

}  // namespace framedBinaryProtocol
}  // namespace spectro
