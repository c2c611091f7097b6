#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace spectro {

// A kind of bus. Two families are the same when their types are equal; the name is only for
// people.
class BusFamily {
  public:
    BusFamily(std::string name, std::int32_t type) : name(std::move(name)), type(type) {}
    virtual ~BusFamily() = default;
    BusFamily(const BusFamily&) = default;
    BusFamily& operator=(const BusFamily&) = default;

    virtual std::string getName() const { return name; }
    virtual bool equals(const BusFamily& other) const { return type == other.type; }

  protected:
    std::string name;
    std::int32_t type;
};

class USBBusFamily : public BusFamily {
  public:
    USBBusFamily() : BusFamily("USB", 0) {}
};

class EthernetBusFamily : public BusFamily {
  public:
    EthernetBusFamily() : BusFamily("Ethernet", 1) {}
};

class RS232BusFamily : public BusFamily {
  public:
    RS232BusFamily() : BusFamily("RS232", 2) {}
};

class TCPIPv4BusFamily : public BusFamily {
  public:
    TCPIPv4BusFamily() : BusFamily("TCP/IPv4", 3) {}
};

class UDPIPv4BusFamily : public BusFamily {
  public:
    UDPIPv4BusFamily() : BusFamily("UDP/IPv4", 4) {}
};

// One instance of every bus family, in table order.
class BusFamilies {
  public:
    const USBBusFamily USB;
    const EthernetBusFamily ETHERNET;
    const RS232BusFamily RS232;
    const TCPIPv4BusFamily TCPIPv4;
    const UDPIPv4BusFamily UDPIPv4;

    std::vector<BusFamily> getAllBusFamilies() const {
        return {USB, ETHERNET, RS232, TCPIPv4, UDPIPv4};
    }
};

}  // namespace spectro
