#include "device/support/Scripted.h"

#include <algorithm>

namespace spectro::test {

void ScriptedTransferHelper::maybeFail(const char* message) {
    const std::size_t index = operationCount++;
    if (failure && *failure == index) throw BusTransferException(message);
}

std::int32_t ScriptedTransferHelper::receive(std::vector<std::uint8_t>& buffer,
                                             std::uint32_t length) {
    maybeFail("Failed to read any data from USB.");
    if (length > buffer.size()) throw std::logic_error("receive beyond the buffer");
    if (replies.empty()) throw BusTransferException("Failed to read any data from USB.");
    Bytes reply = std::move(replies.front());
    replies.pop_front();
    const std::size_t count = std::min<std::size_t>(reply.size(), length);
    std::copy_n(reply.begin(), count, buffer.begin());
    log.push_back({Operation::RECEIVE, reply, length});
    return static_cast<std::int32_t>(count);
}

std::int32_t ScriptedTransferHelper::send(const std::vector<std::uint8_t>& buffer,
                                          std::uint32_t length) {
    maybeFail("Failed to write any data to USB.");
    if (length > buffer.size()) throw std::logic_error("send beyond the buffer");
    log.push_back({Operation::SEND, Bytes(buffer.begin(), buffer.begin() + length), length});
    return static_cast<std::int32_t>(length);
}

std::vector<Bytes> ScriptedTransferHelper::sent() const {
    std::vector<Bytes> result;
    for (const auto& operation : log) {
        if (operation.kind == Operation::SEND) result.push_back(operation.bytes);
    }
    return result;
}

ScriptedBus::ScriptedBus() {
    // One helper object per hint id is what the registry owns; both ids share a log through
    // a forwarding helper so that tests see one conversation.
    auto helper = std::make_unique<ScriptedTransferHelper>();
    shared = helper.get();
    addHelper(1000, std::move(helper));

    class Forwarder : public TransferHelper {
      public:
        explicit Forwarder(ScriptedTransferHelper& target) : target(target) {}
        std::int32_t receive(std::vector<std::uint8_t>& b, std::uint32_t n) override {
            return target.receive(b, n);
        }
        std::int32_t send(const std::vector<std::uint8_t>& b, std::uint32_t n) override {
            return target.send(b, n);
        }

      private:
        ScriptedTransferHelper& target;
    };
    addHelper(1001, std::make_unique<Forwarder>(*shared));
}

std::unique_ptr<ScriptedBus> ScriptedBus::withoutHelpers() {
    return std::unique_ptr<ScriptedBus>(new ScriptedBus(NoHelpers{}));
}

ScriptedTransferHelper& ScriptedBus::addScriptedHelper(std::int32_t hintID) {
    auto helper = std::make_unique<ScriptedTransferHelper>();
    ScriptedTransferHelper& result = *helper;
    addHelper(hintID, std::move(helper));
    return result;
}

void ScriptedBus::setLocation(const DeviceLocatorInterface& locator) {
    if (throwOnSetLocation) throw BusException("scripted failure");
    location = locator.clone();
}

Bytes textBytes(const std::string& text, std::size_t length) {
    Bytes bytes(text.begin(), text.end());
    if (bytes.size() < length) bytes.resize(length, 0);
    return bytes;
}

Bytes slotReply(std::uint8_t slot, const Bytes& contents) {
    // A slot reply is always 17 bytes: opcode, slot number and up to 15 bytes of contents.
    Bytes reply(17, 0);
    reply[0] = 0x05;
    reply[1] = slot;
    std::copy_n(contents.begin(), std::min<std::size_t>(contents.size(), 15), reply.begin() + 2);
    return reply;
}

Bytes slotReply(std::uint8_t slot, const std::string& text) {
    return slotReply(slot, textBytes(text));
}

void queueWavelengthSlots(ScriptedBus& bus) {
    bus.helper().reply(slotReply(1, "500.0"));
    bus.helper().reply(slotReply(2, "0.5"));
    bus.helper().reply(slotReply(3, "0"));
    bus.helper().reply(slotReply(4, "0"));
}

}  // namespace spectro::test
