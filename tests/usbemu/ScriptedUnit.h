#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "sim/usbemu/EmulatedUnit.h"

namespace spectro::test {

// A unit on the emulated bus that answers with the replies a test queues and records what the
// host did with it. The bus calls it on umockdev's worker thread, the test on its own.
class ScriptedUnit final : public sim::EmulatedUnit {
  public:
    // Queues one reply on an IN endpoint; a read takes as much of it as fits, the rest stays
    // for the next read. A read waits until there is a reply.
    void reply(std::uint8_t endpoint, std::vector<std::uint8_t> bytes);
    // "claim 0", "write 0x01 09", "read 0x82 4097" (the read's length, when it is answered),
    // "clear 0x81", "release 0", in order.
    std::vector<std::string> events() const;
    // Writes as they arrived, with their endpoints.
    std::vector<std::pair<std::uint8_t, std::vector<std::uint8_t>>> writes() const;
    // From now on every request fails; the bus takes the unit off the listing when asked to.
    void unplug();

    bool present() const override;
    bool open(unsigned interface) override;
    void close(unsigned interface) override;
    void clearHalt(std::uint8_t endpoint) override;
    int write(std::uint8_t endpoint, const std::uint8_t* data, int length) override;
    sim::PollResult poll(std::uint8_t endpoint, std::uint8_t* into, int length) override;

  private:
    mutable std::mutex mutex_;
    bool unplugged_ = false;
    std::map<std::uint8_t, std::deque<std::vector<std::uint8_t>>> replies_;
    std::vector<std::string> events_;
    std::vector<std::pair<std::uint8_t, std::vector<std::uint8_t>>> writes_;
};

}  // namespace spectro::test
