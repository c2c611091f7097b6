#pragma once

#include <cstdint>
#include <vector>

#include "device/buses/usb/SpectrometerUSBInterface.h"

namespace spectro {

// How a model's bus pairs endpoints into helpers once it is open.
enum class USBHelperScheme {
    FPGA,             // spectrum 0x01 to 0x82, control 0x01 to 0x81
    FPGASpeedChoice,  // as FPGA, but the two-endpoint spectrum read on a high-speed port
    Legacy2K,         // spectrum 0x02 to 0x82, control 0x02 to 0x87
    Jaz,              // spectrum 0x01 to 0x82, control 0x01 to 0x81
    SimpleDual,       // both hints 0x01 to 0x81
    Ventana,          // both hints 0x01 to 0x82
    Blaze,            // both hints 0x01 to 0x81, padded to multiples of 4 bytes
};

// One row of the model table.
struct USBModelSetup {
    std::int32_t productId;
    USBHelperScheme scheme;
    std::vector<std::uint8_t> pipeResets;  // reset after every successful open, in order
};

// A model's USB bus, driven by its row of the table. Opening (re)builds the helpers, spectrum
// pair first, then resets the model's pipes.
class USBModelInterface : public SpectrometerUSBInterface {
  public:
    bool open() override;

  protected:
    explicit USBModelInterface(const USBModelSetup& setup);

  private:
    const USBModelSetup& setup;
};

// The USB bus of each model; its row of the table says everything that differs.
class HR2000PlusUSB : public USBModelInterface {
  public:
    HR2000PlusUSB();
};

class USB2000PlusUSB : public USBModelInterface {
  public:
    USB2000PlusUSB();
};

class QE65000USB : public USBModelInterface {
  public:
    QE65000USB();
};

class Maya2000ProUSB : public USBModelInterface {
  public:
    Maya2000ProUSB();
};

class NIRQuest512USB : public USBModelInterface {
  public:
    NIRQuest512USB();
};

class NIRQuest256USB : public USBModelInterface {
  public:
    NIRQuest256USB();
};

class TorusUSB : public USBModelInterface {
  public:
    TorusUSB();
};

class ApexUSB : public USBModelInterface {
  public:
    ApexUSB();
};

class FlameNIRUSB : public USBModelInterface {
  public:
    FlameNIRUSB();
};

class HR4000USB : public USBModelInterface {
  public:
    HR4000USB();
};

class USB4000USB : public USBModelInterface {
  public:
    USB4000USB();
};

class MayaLSLUSB : public USBModelInterface {
  public:
    MayaLSLUSB();
};

class Maya2000USB : public USBModelInterface {
  public:
    Maya2000USB();
};

class HR2000USB : public USBModelInterface {
  public:
    HR2000USB();
};

class USB2000USB : public USBModelInterface {
  public:
    USB2000USB();
};

class JazUSB : public USBModelInterface {
  public:
    JazUSB();
};

class STSUSB : public USBModelInterface {
  public:
    STSUSB();
};

class QEProUSB : public USBModelInterface {
  public:
    QEProUSB();
};

class SparkUSB : public USBModelInterface {
  public:
    SparkUSB();
};

class VentanaUSB : public USBModelInterface {
  public:
    VentanaUSB();
};

class BlazeUSB : public USBModelInterface {
  public:
    BlazeUSB();
};

}  // namespace spectro
