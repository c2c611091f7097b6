#pragma once

#include <stdexcept>
#include <string>

// The library's failure kinds. Each layer catches the kind of the layer below and rethrows
// its own, so callers only ever need to know the kinds of the layer they call.
namespace spectro {

class BusException : public std::runtime_error {
  public:
    explicit BusException(const std::string& message) : std::runtime_error(message) {}
};

class BusTransferException : public BusException {
  public:
    explicit BusTransferException(const std::string& message) : BusException(message) {}
};

class BusConnectException : public BusException {
  public:
    explicit BusConnectException(const std::string& message) : BusException(message) {}
};

class SocketException : public BusException {
  public:
    explicit SocketException(const std::string& message) : BusException(message) {}
};

class SocketTimeoutException : public SocketException {
  public:
    explicit SocketTimeoutException(const std::string& message) : SocketException(message) {}
};

class ProtocolException : public std::runtime_error {
  public:
    explicit ProtocolException(const std::string& message) : std::runtime_error(message) {}
};

class ProtocolBusMismatchException : public ProtocolException {
  public:
    explicit ProtocolBusMismatchException(const std::string& message)
        : ProtocolException(message) {}
};

class ProtocolFormatException : public ProtocolException {
  public:
    explicit ProtocolFormatException(const std::string& message) : ProtocolException(message) {}
};

class FeatureException : public std::runtime_error {
  public:
    explicit FeatureException(const std::string& message) : std::runtime_error(message) {}
};

class FeatureControlException : public FeatureException {
  public:
    explicit FeatureControlException(const std::string& message) : FeatureException(message) {}
};

class FeatureProtocolNotFoundException : public FeatureException {
  public:
    explicit FeatureProtocolNotFoundException(const std::string& message)
        : FeatureException(message) {}
};

class IllegalArgumentException : public std::invalid_argument {
  public:
    explicit IllegalArgumentException(const std::string& message)
        : std::invalid_argument(message) {}
};

class NumberFormatException : public std::runtime_error {
  public:
    explicit NumberFormatException(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace spectro
