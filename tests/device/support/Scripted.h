#pragma once

// Test doubles for the device framework: a transfer helper that records every byte sent and
// serves prepared replies, and a bus that hands it out by hint id.

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/common/Bus.h"
#include "device/common/Exceptions.h"
#include "device/common/Protocol.h"

namespace spectro::test {

using Bytes = std::vector<std::uint8_t>;

// One recorded operation of a scripted helper.
struct Operation {
    enum Kind { SEND, RECEIVE } kind;
    Bytes bytes;           // sent bytes, or the reply served
    std::uint32_t length;  // the length asked for
};

class ScriptedTransferHelper : public TransferHelper {
  public:
    // Queues the reply of the next receive. A reply shorter than the length asked for is
    // served as a short read; the rest of the caller's buffer stays as it was.
    void reply(Bytes bytes) { replies.push_back(std::move(bytes)); }
    // Makes operation number `index` (counting sends and receives from 0) throw.
    void failAt(std::size_t index) { failure = index; }

    std::int32_t receive(std::vector<std::uint8_t>& buffer, std::uint32_t length) override;
    std::int32_t send(const std::vector<std::uint8_t>& buffer, std::uint32_t length) override;

    // Every send, in order.
    std::vector<Bytes> sent() const;
    const std::vector<Operation>& operations() const { return log; }
    std::size_t pendingReplies() const { return replies.size(); }

  private:
    void maybeFail(const char* message);

    std::deque<Bytes> replies;
    std::vector<Operation> log;
    std::optional<std::size_t> failure;
    std::size_t operationCount = 0;
};

// A USB-family bus whose helpers are scripted. By default one helper answers both the
// control hint (1000) and the spectrum hint (1001).
class ScriptedBus : public Bus {
  public:
    ScriptedBus();
    // A bus with no helpers at all.
    static std::unique_ptr<ScriptedBus> withoutHelpers();

    ScriptedTransferHelper& helper() { return *shared; }
    // Registers a distinct helper for one hint id and returns it.
    ScriptedTransferHelper& addScriptedHelper(std::int32_t hintID);

    BusFamily getBusFamily() const override { return family; }
    void setLocation(const DeviceLocatorInterface& location) override;
    bool open() override { return openResult; }
    void close() override { ++closeCount; }
    DeviceLocatorInterface* getLocation() override { return location.get(); }

    BusFamily family = BusFamilies().USB;
    bool openResult = true;
    bool throwOnSetLocation = false;
    int closeCount = 0;

  private:
    struct NoHelpers {};
    explicit ScriptedBus(NoHelpers) {}

    // Helpers handed to the registry are owned there; these are borrowed views.
    ScriptedTransferHelper* shared = nullptr;
    std::unique_ptr<DeviceLocatorInterface> location;
};

// A protocol identity with any id.
class TestProtocol : public Protocol {
  public:
    explicit TestProtocol(std::int32_t id) : Protocol(id) {}
    ProtocolFamily getProtocolFamily() const override {
        return api::ProtocolFamilies().VIRTUAL_PROTOCOL;
    }
};

// The text as bytes, zero-padded to `length`.
Bytes textBytes(const std::string& text, std::size_t length = 0);

// A 17-byte slot reply: 0x05, slot, then the 15 content bytes (zero-padded).
Bytes slotReply(std::uint8_t slot, const Bytes& contents);
Bytes slotReply(std::uint8_t slot, const std::string& text);

// Queues the replies to reading wavelength slots 1 to 4 in order: 500 nm + 0.5 nm per pixel.
void queueWavelengthSlots(ScriptedBus& bus);

}  // namespace spectro::test
