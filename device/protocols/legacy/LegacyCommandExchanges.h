#pragma once

// The single-byte commands of the legacy protocol that carry a setting or read a short reply.
// Each is built once with zero-filled buffers; the setters store a value that is written into
// the buffer only when the exchange runs. All carry the control hint, except the spectrum
// request, which goes out on the spectrum hint.

#include <cstdint>
#include <memory>
#include <vector>

#include "device/common/Exchange.h"

namespace spectro::legacyProtocol {

// 0x02, integration time in device units as unsigned 32-bit.
class IntegrationTimeExchange : public Transfer {
  public:
    // timeBase: microseconds per device unit (1 or 1000).
    explicit IntegrationTimeExchange(std::uint32_t timeBase);
    // Stores micros / timeBase; the remainder is dropped.
    void setIntegrationTimeMicros(std::uint32_t micros);
    std::uint32_t getIntegrationTime() const { return integrationTime; }
    std::unique_ptr<Data> transfer(TransferHelper& helper) override;

  private:
    std::uint32_t timeBase;
    std::uint32_t integrationTime = 100000;
};

// 0x03, enable (1 or 0), 0x00.
class StrobeEnableExchange : public Transfer {
  public:
    StrobeEnableExchange();
    void setStrobeEnable(bool enable) { this->enable = enable; }
    std::unique_ptr<Data> transfer(TransferHelper& helper) override;

  private:
    bool enable = false;
};

// 0x09: the unit answers with one spectrum on the spectrum endpoint.
class RequestSpectrumExchange : public Transfer {
  public:
    RequestSpectrumExchange();
};

// 0x0A, mode as unsigned 16-bit.
class TriggerModeExchange : public Transfer {
  public:
    TriggerModeExchange();
    void setTriggerMode(std::int32_t mode) { this->mode = mode; }
    std::unique_ptr<Data> transfer(TransferHelper& helper) override;

  private:
    std::int32_t mode = 0;
};

// The cooler commands. Only the QE variants are ever built.
class TECEnableExchange : public Transfer {
  public:
    virtual void setEnable(bool enable) = 0;

  protected:
    TECEnableExchange();
};

// 0x71, enable (1 or 0), 0x00.
class TECQEEnableExchange : public TECEnableExchange {
  public:
    TECQEEnableExchange();
    void setEnable(bool enable) override { this->enable = enable; }
    std::unique_ptr<Data> transfer(TransferHelper& helper) override;

  private:
    bool enable = false;
};

class WriteTECSetPointExchange : public Transfer {
  public:
    virtual void setSetPointCelsius(double degreesC) = 0;

  protected:
    WriteTECSetPointExchange();
};

// 0x73, set point in tenths of a degree as signed 16-bit.
class WriteTECQESetPointExchange : public WriteTECSetPointExchange {
  public:
    WriteTECQESetPointExchange();
    // Stores degrees x 10, truncated toward zero.
    void setSetPointCelsius(double degreesC) override;
    std::int32_t getSetPointTenths() const { return setPointTenths; }
    std::unique_ptr<Data> transfer(TransferHelper& helper) override;

  private:
    std::int32_t setPointTenths = 0;
};

class ReadTECTemperatureExchange : public Transaction {
  protected:
    ReadTECTemperatureExchange() = default;
};

// Write 0x72, then read 2 bytes: tenths of a degree as signed 16-bit. The result is a
// DoubleVector of one value in degrees Celsius.
class ReadTECQETemperatureExchange : public ReadTECTemperatureExchange {
  public:
    ReadTECQETemperatureExchange();
    std::unique_ptr<Data> transfer(TransferHelper& helper) override;
};

// The irradiance calibration lives in a 64 KiB memory addressed in 60-byte chunks; every value
// is 32 bits, most significant byte first.
class LegacyIrradCalExchange : public Transaction {
  public:
    static constexpr std::uint32_t CHUNK_LENGTH = 60;
    static constexpr std::uint32_t LAST_CHUNK_ADDRESS = 0xFFC4;

  protected:
    explicit LegacyIrradCalExchange(std::uint32_t valueCount) : valueCount(valueCount) {}
    std::uint32_t valueCount;
};

// One pair per chunk: write 0x6D, address as unsigned 16-bit; read 60 bytes. Its transfer
// collects 4 x valueCount reply bytes into one ByteVector.
class LegacyReadIrradCalExchange : public LegacyIrradCalExchange {
  public:
    explicit LegacyReadIrradCalExchange(std::uint32_t valueCount);
    std::unique_ptr<Data> transfer(TransferHelper& helper) override;
};

// One 63-byte write per chunk: 0x6E, address as unsigned 16-bit, up to fifteen values.
class LegacyWriteIrradCalExchange : public LegacyIrradCalExchange {
  public:
    static constexpr std::uint32_t VALUES_PER_CHUNK = 15;

    explicit LegacyWriteIrradCalExchange(std::uint32_t valueCount);
    // Builds the chunks from the first min(valueCount, values.size()) values; returns that count.
    std::uint32_t setValues(const std::vector<std::uint32_t>& values);
};

// The missing-result message of the cooler temperature exchange.
extern const char* const TEC_TEMPERATURE_MISSING;

}  // namespace spectro::legacyProtocol
