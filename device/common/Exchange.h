#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "device/common/DataVectors.h"
#include "device/common/ProtocolHint.h"
#include "device/common/TransferHelper.h"

namespace spectro {

class Bus;

// A prepared conversation with a device: it knows its bytes and the kind of channel it
// needs (its hints), and runs itself through a transfer helper.
class Exchange {
  public:
    using HintList = std::vector<const ProtocolHint*>;

    Exchange() = default;
    virtual ~Exchange() = default;
    Exchange(const Exchange&) = delete;
    Exchange& operator=(const Exchange&) = delete;

    // Runs the exchange; the result (or none) belongs to the caller.
    virtual std::unique_ptr<Data> transfer(TransferHelper& helper) = 0;

    // The hints, borrowed from this exchange (or, for a transaction, from its transfers).
    const HintList& getHints() const { return hints; }

  protected:
    void addHint(std::unique_ptr<ProtocolHint> hint);
    void referHints(const HintList& borrowed);

  private:
    std::vector<std::unique_ptr<ProtocolHint>> ownedHints;
    HintList hints;
};

// One movement of bytes in one direction.
class Transfer : public Exchange {
  public:
    enum Direction : int { TO_DEVICE = 1, FROM_DEVICE = 2 };

    // The buffer is grown with zero bytes to `length` when it is shorter.
    Transfer(std::vector<std::unique_ptr<ProtocolHint>> hints, std::vector<std::uint8_t> buffer,
             int direction, std::uint32_t length);
    // A single-hint transfer with a zero-filled buffer of `length` bytes.
    Transfer(std::unique_ptr<ProtocolHint> hint, int direction, std::uint32_t length);

    std::unique_ptr<Data> transfer(TransferHelper& helper) override;

    std::uint32_t getLength() const { return length; }
    int getDirection() const { return direction; }
    const std::vector<std::uint8_t>& getBuffer() const { return buffer; }
    // Bytes the last read of this transfer delivered (0 before the first read).
    std::uint32_t getReceivedLength() const { return receivedLength; }

  protected:
    // The read alone, into the buffer, without the copy transfer() returns; sets and returns
    // the received length. A bus failure is ProtocolException "Failed to read from bus.".
    std::uint32_t receive(TransferHelper& helper);

    std::uint32_t length;
    std::uint32_t receivedLength = 0;
    std::vector<std::uint8_t> buffer;
    int direction;
};

// An ordered list of transfers run through one helper, typically a command and its reply.
class Transaction : public Exchange {
  public:
    Transaction() = default;

    // Runs every transfer in order and returns the result of the last one.
    std::unique_ptr<Data> transfer(TransferHelper& helper) override;

    void addTransfer(std::unique_ptr<Transfer> transfer);
    const std::vector<std::unique_ptr<Transfer>>& getTransfers() const { return transfers; }

  private:
    std::vector<std::unique_ptr<Transfer>> transfers;
};

// The first step of every protocol operation: the bus's helper for the exchange's hints, or
// ProtocolBusMismatchException "Failed to find a helper to bridge given protocol and bus.".
TransferHelper& findTransferHelper(const Bus& bus, const Exchange& exchange);

// findTransferHelper followed by exchange.transfer.
std::unique_ptr<Data> runExchange(const Bus& bus, Exchange& exchange);

}  // namespace spectro
