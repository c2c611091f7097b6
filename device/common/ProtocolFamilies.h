#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace spectro {

// A kind of protocol, compared by its 16-bit type.
class ProtocolFamily {
  public:
    ProtocolFamily(std::string name, std::uint16_t type) : name(std::move(name)), type(type) {}
    virtual ~ProtocolFamily() = default;
    ProtocolFamily(const ProtocolFamily&) = default;
    ProtocolFamily& operator=(const ProtocolFamily&) = default;

    virtual std::string getName() const { return name; }
    virtual bool equals(const ProtocolFamily& other) const { return type == other.type; }
    virtual std::uint16_t getType() const { return type; }

  protected:
    std::string name;
    std::uint16_t type;
};

namespace api {

class UndefinedProtocolFamily : public ProtocolFamily {
  public:
    UndefinedProtocolFamily() : ProtocolFamily("Undefined", 0) {}
};

class LegacyProtocolFamily : public ProtocolFamily {
  public:
    LegacyProtocolFamily() : ProtocolFamily("LegacyUSB", 2) {}
};

class FramedBinaryProtocolFamily : public ProtocolFamily {
  public:
    FramedBinaryProtocolFamily() : ProtocolFamily("FramedBinary", 3) {}
};

class JazMessagingProtocolFamily : public ProtocolFamily {
  public:
    JazMessagingProtocolFamily() : ProtocolFamily("JazMessaging", 4) {}
};

class VirtualProtocolFamily : public ProtocolFamily {
  public:
    VirtualProtocolFamily() : ProtocolFamily("Virtual", 1) {}
};

// One instance of every protocol family, in table order.
class ProtocolFamilies {
  public:
    const UndefinedProtocolFamily UNDEFINED_PROTOCOL;
    const LegacyProtocolFamily LEGACY_USB_PROTOCOL;
    const FramedBinaryProtocolFamily FRAMED_BINARY_PROTOCOL;
    const JazMessagingProtocolFamily JAZ_MESSAGING_PROTOCOL;
    const VirtualProtocolFamily VIRTUAL_PROTOCOL;

    std::vector<ProtocolFamily> getAllProtocolFamilies() const {
        return {UNDEFINED_PROTOCOL, LEGACY_USB_PROTOCOL, FRAMED_BINARY_PROTOCOL,
                JAZ_MESSAGING_PROTOCOL, VIRTUAL_PROTOCOL};
    }
};

}  // namespace api
}  // namespace spectro
