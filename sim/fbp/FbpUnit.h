#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "sim/SimUnit.h"
#include "sim/fbp/FbpFirmware.h"
#include "sim/fbp/FbpMessage.h"
#include "sim/fbp/FbpModelTable.h"

namespace spectro::sim {

// One simulated framed-binary spectrometer (STS, QE-PRO, Spark, Ventana, Blaze). Commands
// arrive on OUT 0x01 or from a byte stream and may come in pieces: the unit gathers a message
// until its header's length is complete. Each message gets one reply message of its type, all
// on the model's reply endpoint: the data of a query, an ACK when a command asked for one, a
// NACK when the model refuses it (or the bench lists its type), and for a spectrum request the
// spectrum, one integration time later. Bytes that hold no message fail the write, as does a
// message that comes while reply bytes are unread. The Blaze pads its messages, both ways, on
// USB only: a byte stream (its network link) carries them as they are. Thread rules are those
// of SimUnit.
class FbpUnit final : public SimUnit {
  public:
    FbpUnit(UnitConfig config, std::shared_ptr<SimClock> clock,
            std::shared_ptr<HardwareTrigger> trigger);

  private:
    bool takeCommand(const std::uint8_t* data, std::size_t length, bool wholeTransfer) override;
    void dropPartialCommand() override { input_.clear(); }

    void answer(const FbpRequest& request);
    void requestSpectrum(const FbpRequest& request);
    std::vector<std::uint8_t> spectrumData(std::uint64_t index, SimTime due) const;
    void reply(std::uint32_t messageType, std::uint16_t flags,
               const std::vector<std::uint8_t>& data);

    const FbpModel& model_;
    FbpFirmware firmware_;
    std::vector<std::uint8_t> input_;  // the start of a message still coming
    bool paddedLink_ = false;          // messages either way are padded to 4-byte multiples
};

}  // namespace spectro::sim
