#pragma once

// A legacy unit answers a spectrum request with one raw frame on its spectrum endpoint: 16-bit
// pixel words in a layout of its hardware generation, usually ended by the sync byte 0x69.
// ReadSpectrumExchange reads the frame in one receive; its subclasses check and decode it.
// One device, one thread at a time: the frame buffer is reused for every read.

#include <cstdint>
#include <memory>

#include "device/common/Exchange.h"
#include "device/protocols/GainAdjustmentSource.h"

namespace spectro::legacyProtocol {

// The raw frame: a ByteVector of the bytes received.
class ReadSpectrumExchange : public Transfer {
  public:
    static constexpr std::uint8_t SYNC_BYTE = 0x69;

    ReadSpectrumExchange(std::uint32_t frameLength, std::uint32_t pixelCount);

    std::uint32_t getPixelCount() const { return pixelCount; }

  protected:
    // Reads one frame into the buffer. A missing or short frame throws: the sync-byte message
    // (as ProtocolFormatException) when the format has one, else the missing-result message,
    // so that bytes of an earlier frame are never decoded as this one's.
    void readFrame(TransferHelper& helper, const char* missing, const char* badSync);
    // The read alone: false when fewer bytes than the frame arrived.
    bool receiveFrame(TransferHelper& helper, const char* missing);
    // ProtocolFormatException unless the frame arrived whole and ends with the sync byte.
    void checkSync(const char* badSync, bool complete) const;

    // The first pixelCount words (each XOR wordXor), as far as the frame holds them.
    std::size_t wordsToDecode() const;
    std::unique_ptr<UShortVector> decodeLittleEndian(std::uint16_t wordXor) const;
    // The same words with gain adjustment (A), in one pass.
    std::unique_ptr<DoubleVector> decodeGainA(std::uint16_t wordXor,
                                              GainAdjustmentSource& source) const;
    std::unique_ptr<UShortVector> decode2KBlocks() const;

    std::uint32_t pixelCount;
};

// 128-byte blocks of 64 pixels: their low bytes, then their high bytes; 12 bits.
class Legacy2KSpectrumExchange : public ReadSpectrumExchange {
  public:
    using ReadSpectrumExchange::ReadSpectrumExchange;
    std::unique_ptr<Data> transfer(TransferHelper& helper) override;
};

// Little-endian words whose high byte arrives XOR 0x20.
class HRFPGASpectrumExchange : public ReadSpectrumExchange {
  public:
    using ReadSpectrumExchange::ReadSpectrumExchange;
    std::unique_ptr<Data> transfer(TransferHelper& helper) override;
};

// Plain little-endian words.
class FPGASpectrumExchange : public ReadSpectrumExchange {
  public:
    using ReadSpectrumExchange::ReadSpectrumExchange;
    std::unique_ptr<Data> transfer(TransferHelper& helper) override;
};

// Little-endian words whose high byte arrives XOR 0x80.
class QESpectrumExchange : public ReadSpectrumExchange {
  public:
    using ReadSpectrumExchange::ReadSpectrumExchange;
    std::unique_ptr<Data> transfer(TransferHelper& helper) override;
};

// FPGA words, then gain adjustment (A).
class USBFPGASpectrumExchange : public FPGASpectrumExchange {
  public:
    USBFPGASpectrumExchange(std::uint32_t frameLength, std::uint32_t pixelCount,
                            GainAdjustmentSource* source);
    std::unique_ptr<Data> transfer(TransferHelper& helper) override;

  private:
    GainAdjustmentSource* source;  // borrowed from the owning feature; may be none
};

// QE words, then gain adjustment (A).
class NIRQuestSpectrumExchange : public QESpectrumExchange {
  public:
    NIRQuestSpectrumExchange(std::uint32_t frameLength, std::uint32_t pixelCount,
                             GainAdjustmentSource* source);
    std::unique_ptr<Data> transfer(TransferHelper& helper) override;

  private:
    GainAdjustmentSource* source;
};

// Little-endian words, then gain adjustment (B); M and S are read before the sync check.
class MayaProSpectrumExchange : public ReadSpectrumExchange {
  public:
    MayaProSpectrumExchange(std::uint32_t frameLength, std::uint32_t pixelCount,
                            GainAdjustmentSource* source);
    std::unique_ptr<Data> transfer(TransferHelper& helper) override;

  private:
    GainAdjustmentSource* source;
};

// Little-endian words without a sync byte, then gain adjustment (A).
class JazSpectrumExchange : public ReadSpectrumExchange {
  public:
    JazSpectrumExchange(std::uint32_t frameLength, std::uint32_t pixelCount,
                        GainAdjustmentSource* source);
    std::unique_ptr<Data> transfer(TransferHelper& helper) override;

  private:
    GainAdjustmentSource* source;
};

class FlameNIRSpectrumExchange : public ReadSpectrumExchange {
  public:
    FlameNIRSpectrumExchange(std::uint32_t frameLength, std::uint32_t pixelCount,
                             GainAdjustmentSource* source);
    std::unique_ptr<Data> transfer(TransferHelper& helper) override;

  private:
    GainAdjustmentSource* source;
};

}  // namespace spectro::legacyProtocol
