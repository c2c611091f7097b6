#pragma once

#include <cstdint>

namespace spectro {

// USB endpoint addresses of one hardware generation; bit 7 set means IN.

// Command OUT plus up to three IN endpoints (0 where a generation has none).
class USBCypressEndpointMap {
  public:
    virtual ~USBCypressEndpointMap() = default;

    std::int32_t getControlInEndpoint() const { return controlInEndpoint; }
    std::int32_t getCommandOutEndpoint() const { return commandOutEndpoint; }
    std::int32_t getSpectrumInEndpoint() const { return spectrumInEndpoint; }
    std::int32_t getSecondSpectrumInEndpoint() const { return secondSpectrumInEndpoint; }

  protected:
    USBCypressEndpointMap(std::int32_t controlIn, std::int32_t commandOut, std::int32_t spectrumIn,
                          std::int32_t secondSpectrumIn)
        : controlInEndpoint(controlIn),
          commandOutEndpoint(commandOut),
          spectrumInEndpoint(spectrumIn),
          secondSpectrumInEndpoint(secondSpectrumIn) {}

    std::int32_t controlInEndpoint;
    std::int32_t commandOutEndpoint;
    std::int32_t spectrumInEndpoint;
    std::int32_t secondSpectrumInEndpoint;
};

class USBLegacy2KEndpointMap : public USBCypressEndpointMap {
  public:
    USBLegacy2KEndpointMap() : USBCypressEndpointMap(0x87, 0x02, 0x82, 0) {}
};

class USBFPGAEndpointMap : public USBCypressEndpointMap {
  public:
    USBFPGAEndpointMap() : USBCypressEndpointMap(0x81, 0x01, 0x82, 0x86) {}
};

class USBJazEndpointMap : public USBCypressEndpointMap {
  public:
    USBJazEndpointMap() : USBCypressEndpointMap(0x81, 0x01, 0x82, 0) {}
};

// One IN and one OUT endpoint that carry everything.
class USBBidirectionalEndpointMap {
  public:
    virtual ~USBBidirectionalEndpointMap() = default;

    virtual std::int32_t getPrimaryInEndpoint() const { return primaryInEndpoint; }
    virtual std::int32_t getPrimaryOutEndpoint() const { return primaryOutEndpoint; }

  protected:
    USBBidirectionalEndpointMap(std::int32_t primaryIn, std::int32_t primaryOut)
        : primaryInEndpoint(primaryIn), primaryOutEndpoint(primaryOut) {}

    std::int32_t primaryInEndpoint;
    std::int32_t primaryOutEndpoint;
};

class USBDualBidirectionalEndpointMap : public USBBidirectionalEndpointMap {
  public:
    std::int32_t getSecondaryInEndpoint() const { return secondaryInEndpoint; }
    std::int32_t getSecondaryOutEndpoint() const { return secondaryOutEndpoint; }

  protected:
    USBDualBidirectionalEndpointMap(std::int32_t primaryIn, std::int32_t primaryOut,
                                    std::int32_t secondaryIn, std::int32_t secondaryOut)
        : USBBidirectionalEndpointMap(primaryIn, primaryOut),
          secondaryInEndpoint(secondaryIn),
          secondaryOutEndpoint(secondaryOut) {}

    std::int32_t secondaryInEndpoint;
    std::int32_t secondaryOutEndpoint;
};

class USBSimpleDualEndpointMap : public USBDualBidirectionalEndpointMap {
  public:
    USBSimpleDualEndpointMap() : USBDualBidirectionalEndpointMap(0x81, 0x01, 0x82, 0x02) {}
};

class USBVentanaEndpointMap : public USBBidirectionalEndpointMap {
  public:
    USBVentanaEndpointMap() : USBBidirectionalEndpointMap(0x82, 0x01) {}
};

}  // namespace spectro
