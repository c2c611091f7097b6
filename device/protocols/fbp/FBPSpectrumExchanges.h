#pragma once

// Spectrum traffic of the framed protocol: plain transfers on the spectrum hint that carry whole
// messages. A request goes out as one 64-byte message and asks for no acknowledgement; the
// spectrum comes back as one message read in a single receive of a fixed length.
// One device, one thread at a time: the buffers are reused for every spectrum.

#include <cstdint>
#include <memory>

#include "device/common/Exchange.h"
#include "device/protocols/GainAdjustmentSource.h"
#include "device/protocols/fbp/FBPBytes.h"

namespace spectro::framedBinaryProtocol {

// Sends a message of type 0x00101000 without data.
class FBPRequestSpectrumExchange : public Transfer {
  public:
    static constexpr std::uint32_t MESSAGE_TYPE = 0x00101000;
    FBPRequestSpectrumExchange();
};

// Sends a message of type 0x00100928 without data.
class FBPRequestBufferedSpectrum32AndMetadataExchange : public Transfer {
  public:
    static constexpr std::uint32_t MESSAGE_TYPE = 0x00100928;
    FBPRequestBufferedSpectrum32AndMetadataExchange();
};

// A message of u16 pixels; yields a ByteVector of all its data.
class FBPReadRawSpectrumExchange : public Transfer {
  public:
    FBPReadRawSpectrumExchange(std::uint32_t length, std::uint32_t numberOfPixels);

    std::unique_ptr<Data> transfer(TransferHelper& helper) override;
    // After a change of pixel binning: a new read length and pixel count.
    void resize(std::uint32_t length, std::uint32_t numberOfPixels);
    std::uint32_t getNumberOfPixels() const { return numberOfPixels; }

  protected:
    std::uint32_t numberOfPixels;
};

// The same message; yields a UShortVector of numberOfPixels values.
class FBPReadSpectrumExchange : public FBPReadRawSpectrumExchange {
  public:
    using FBPReadRawSpectrumExchange::FBPReadRawSpectrumExchange;
    std::unique_ptr<Data> transfer(TransferHelper& helper) override;
};

// The same values rescaled to the detector's saturation level: a DoubleVector of
// min(M, raw * M / S). Without a source the UShortVector is yielded unchanged.
class FBPReadSpectrumWithGainExchange : public FBPReadSpectrumExchange {
  public:
    FBPReadSpectrumWithGainExchange(std::uint32_t length, std::uint32_t numberOfPixels,
                                    GainAdjustmentSource* source);
    std::unique_ptr<Data> transfer(TransferHelper& helper) override;

  private:
    GainAdjustmentSource* source;  // borrowed from the owning feature; may be none
};

// A message of type 0x00100928: 32 bytes of metadata, then u32 pixels. Yields a ByteVector of
// all its data.
class FBPReadRawSpectrum32AndMetadataExchange : public Transfer {
  public:
    static constexpr std::uint32_t MESSAGE_TYPE = 0x00100928;
    explicit FBPReadRawSpectrum32AndMetadataExchange(std::uint32_t numberOfPixels);

    std::unique_ptr<Data> transfer(TransferHelper& helper) override;
    std::uint32_t getNumberOfPixels() const { return numberOfPixels; }

  protected:
    std::uint32_t numberOfPixels;
    std::uint32_t metadataLength = 32;
};

// The same message; yields a U32Vector of numberOfPixels values after the metadata.
class FBPReadSpectrum32AndMetadataExchange : public FBPReadRawSpectrum32AndMetadataExchange {
  public:
    using FBPReadRawSpectrum32AndMetadataExchange::FBPReadRawSpectrum32AndMetadataExchange;
    std::unique_ptr<Data> transfer(TransferHelper& helper) override;
};

}  // namespace spectro::framedBinaryProtocol
