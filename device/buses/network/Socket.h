#pragma once

#include <cstdint>
#include <string>

namespace spectro {

// A TCP stream to one unit. Failures throw the bus exception kinds; texts end with "Error "
// and the system's error number.
class Socket {
  public:
    virtual ~Socket() = default;
    // Resolves the name (BusConnectException "Failed to resolve hostname [name]: code") and
    // connects to its first IPv4 address.
    virtual void connect(const std::string& hostName, std::int32_t port) = 0;
    // `address` is in network byte order. BusConnectException "Socket connect failed: ...".
    virtual void connect(std::uint32_t address, std::int32_t port) = 0;
    // BusException "Got error when trying to close socket: ..."; nothing when already closed.
    virtual void close() = 0;
    virtual bool isClosed() const = 0;
    virtual bool isBound() const = 0;
    // The linger time in seconds, 0 when lingering is off.
    virtual std::int32_t getSOLinger() const = 0;
    virtual void setSOLinger(bool enable, std::int32_t seconds) = 0;
    // 0 means reads wait for ever.
    virtual std::int32_t getReadTimeoutMillis() const = 0;
    virtual void setReadTimeoutMillis(std::int32_t milliseconds) = 0;
    // One receive: the count read, 0 when the peer has closed. SocketTimeoutException when
    // the time-out passes, SocketException for other failures.
    virtual std::int32_t read(std::uint8_t* buffer, std::uint32_t size) = 0;
    // One send: the count written. BusTransferException on failure.
    virtual std::int32_t write(const std::uint8_t* buffer, std::uint32_t size) = 0;
};

}  // namespace spectro
