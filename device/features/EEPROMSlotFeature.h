#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/common/Feature.h"
#include "device/protocols/ProtocolInterfaces.h"

namespace spectro {

// Reads and writes the numbered information slots of a legacy device through its EEPROM
// protocol implementation, and parses the decimal texts that numeric slots hold.
class EEPROMSlotFeatureBase : public FeatureImpl {
  public:
    // Bytes of one slot as the device keeps it.
    static constexpr std::size_t SLOT_LENGTH = 15;

    // Holds one LegacyEEPROMProtocol.
    EEPROMSlotFeatureBase();
    // Holds the given implementation instead.
    explicit EEPROMSlotFeatureBase(std::unique_ptr<ProtocolHelper> implementation);

    virtual std::vector<std::uint8_t> readEEPROMSlot(const Protocol& protocol, const Bus& bus,
                                                     unsigned int slot);
    virtual int writeEEPROMSlot(const Protocol& protocol, const Bus& bus, unsigned int slot,
                                const std::vector<std::uint8_t>& data);

    // The decimal number at the start of the slot's text (0 when there is none).
    double readDouble(const Protocol& protocol, const Bus& bus, unsigned int slot);
    long readLong(const Protocol& protocol, const Bus& bus, unsigned int slot);

  protected:
    // readEEPROMSlot without the check for a missing result, for callers that report it in
    // their own words.
    std::optional<std::vector<std::uint8_t>> readSlotContents(const Protocol& protocol,
                                                              const Bus& bus, unsigned int slot);

  private:
    std::string readSlotText(const Protocol& protocol, const Bus& bus, unsigned int slot);
};

// The text of a slot: its bytes up to the first zero byte, at most `limit` of them, never
// beyond the bytes given.
std::string slotText(const std::vector<std::uint8_t>& bytes, std::size_t offset, std::size_t limit);

class EEPROMSlotFeatureInterface : public virtual Feature {
  public:
    virtual std::vector<std::vector<std::uint8_t>> readAllEEPROMSlots(const Protocol& protocol,
                                                                      const Bus& bus) = 0;
    virtual std::vector<std::uint8_t> readEEPROMSlot(const Protocol& protocol, const Bus& bus,
                                                     unsigned int slot) = 0;
    virtual int writeEEPROMSlot(const Protocol& protocol, const Bus& bus, unsigned int slot,
                                const std::vector<std::uint8_t>& data) = 0;
};

// Raw access to slots 0 to slotCount - 1.
class EEPROMSlotFeature : public EEPROMSlotFeatureInterface, public EEPROMSlotFeatureBase {
  public:
    explicit EEPROMSlotFeature(unsigned int slotCount);
    EEPROMSlotFeature(unsigned int slotCount, std::unique_ptr<ProtocolHelper> implementation);

    std::vector<std::vector<std::uint8_t>> readAllEEPROMSlots(const Protocol& protocol,
                                                              const Bus& bus) override;
    std::vector<std::uint8_t> readEEPROMSlot(const Protocol& protocol, const Bus& bus,
                                             unsigned int slot) override;
    int writeEEPROMSlot(const Protocol& protocol, const Bus& bus, unsigned int slot,
                        const std::vector<std::uint8_t>& data) override;
    FeatureFamily getFeatureFamily() override;

    unsigned int getSlotCount() const { return slotCount; }

  private:
    void checkSlot(unsigned int slot) const;

    unsigned int slotCount;
};

}  // namespace spectro
