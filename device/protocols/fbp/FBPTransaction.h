#pragma once

// The two request/reply engines of the framed protocol. A query sends a request and returns the
// data of a reply of the same type; a command asks for an acknowledgement and reports whether
// the device gave it. Each concrete request (FBPCatalogue.h) fixes its message type and request
// data shape; the protocol writes the request data before each use.
// One device, one thread at a time.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "device/common/Exchange.h"
#include "device/common/TransferHelper.h"
#include "device/protocols/fbp/FBPBytes.h"

namespace spectro::framedBinaryProtocol {

class FBPTransaction {
  public:
    // Replies whose payload is longer than this are refused before anything is allocated.
    static constexpr std::uint32_t MAX_REPLY_PAYLOAD_LENGTH = 1024 * 1024;

    virtual ~FBPTransaction() = default;
    FBPTransaction(const FBPTransaction&) = delete;
    FBPTransaction& operator=(const FBPTransaction&) = delete;

    // One FBPControlHint, owned by this transaction.
    virtual const Exchange::HintList& getHints() const { return hints; }

    // The reply's data; none when the reply is unreadable, refused or of another type.
    virtual std::optional<Bytes> queryDevice(TransferHelper& helper, std::uint32_t messageType,
                                             const Bytes& data);
    // True when acknowledged; false when unreadable, refused or of another type.
    virtual bool sendCommandToDevice(TransferHelper& helper, std::uint32_t messageType,
                                     const Bytes& data);

    std::uint32_t getMessageType() const { return messageType; }
    const Bytes& getPayload() const { return payload; }
    void setPayload(Bytes bytes) { payload = std::move(bytes); }

  protected:
    // A request of `requestLength` zero bytes.
    FBPTransaction(std::uint32_t messageType, std::size_t requestLength);

    std::uint32_t messageType;
    Bytes payload;

  private:
    std::vector<std::unique_ptr<ProtocolHint>> ownedHints;
    Exchange::HintList hints;
};

class FBPQuery : public FBPTransaction {
  public:
    using FBPTransaction::queryDevice;
    // Runs this query with its own message type and request data.
    virtual std::optional<Bytes> queryDevice(TransferHelper& helper);

  protected:
    using FBPTransaction::FBPTransaction;
};

class FBPCommand : public FBPTransaction {
  public:
    using FBPTransaction::sendCommandToDevice;
    // Runs this command with its own message type and request data.
    virtual bool sendCommandToDevice(TransferHelper& helper);

  protected:
    using FBPTransaction::FBPTransaction;
};

}  // namespace spectro::framedBinaryProtocol
