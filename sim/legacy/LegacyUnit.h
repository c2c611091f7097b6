#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "sim/SimUnit.h"
#include "sim/legacy/InformationSlots.h"
#include "sim/legacy/LegacyModelTable.h"

namespace spectro::sim {

// One simulated legacy spectrometer: the device side of every single-byte command, its frames
// and its information slots. It is strict where a host mistake would otherwise pass unseen: a
// command of the wrong length, an unknown register, a trigger mode or integration time the
// model does not have, or a command sent before the last reply was read whole, fails.
// Over USB every transfer is one command; over a byte stream the opcode tells how many bytes
// make the command. Thread rules are those of SimUnit.
class LegacyUnit final : public SimUnit {
  public:
    LegacyUnit(UnitConfig config, std::shared_ptr<SimClock> clock,
               std::shared_ptr<HardwareTrigger> trigger);

  private:
    bool takeCommand(const std::uint8_t* data, std::size_t length, bool wholeTransfer) override;
    void dropPartialCommand() override { partial_.clear(); }

    bool execute(const std::uint8_t* data, std::size_t length);
    void requestSpectrum();
    std::vector<std::uint8_t> statusBlock() const;
    std::uint32_t integrationUs() const;

    const LegacyModel& model_;

    // Settings the host writes; they survive closing, as on a real unit.
    std::uint32_t integrationUnits_;
    bool lamp_ = false;
    std::uint16_t triggerMode_ = 0;
    bool coolerOn_ = false;
    std::int16_t coolerSetPointTenths_ = 0;
    std::vector<SlotBytes> slots_;
    std::map<std::uint8_t, std::uint16_t> registers_;
    std::vector<std::uint8_t> irradiance_;

    std::vector<std::uint8_t> partial_;  // the start of a command from a byte stream
};

}  // namespace spectro::sim
