#include "device/buses/usb/USBBusModels.h"

#include "device/buses/usb/USBEndpointMaps.h"
#include "device/buses/usb/USBTransferHelpers.h"
#include "device/common/ProtocolHint.h"

namespace spectro {

namespace {

using S = USBHelperScheme;

const std::vector<std::uint8_t> fpgaResets = {0x81, 0x82, 0x01};

const USBModelSetup hr2000Plus{0x1016, S::FPGA, fpgaResets};
const USBModelSetup usb2000Plus{0x101E, S::FPGA, fpgaResets};
const USBModelSetup qe65000{0x1018, S::FPGA, fpgaResets};
const USBModelSetup maya2000Pro{0x102A, S::FPGA, fpgaResets};
const USBModelSetup nirQuest512{0x1026, S::FPGA, fpgaResets};
const USBModelSetup nirQuest256{0x1028, S::FPGA, fpgaResets};
const USBModelSetup torus{0x1040, S::FPGA, fpgaResets};
const USBModelSetup apex{0x1044, S::FPGA, fpgaResets};
const USBModelSetup flameNIR{0x104B, S::FPGA, fpgaResets};
const USBModelSetup hr4000{0x1012, S::FPGASpeedChoice, {0x81, 0x82, 0x86, 0x01}};
const USBModelSetup usb4000{0x1022, S::FPGASpeedChoice, {}};
const USBModelSetup mayaLSL{0x1046, S::FPGA, {}};
const USBModelSetup maya2000{0x102C, S::FPGA, {}};
const USBModelSetup hr2000{0x100A, S::Legacy2K, {0x87, 0x82, 0x02}};
const USBModelSetup usb2000{0x1002, S::Legacy2K, {0x87, 0x82, 0x02}};
const USBModelSetup jaz{0x2000, S::Jaz, {0x01, 0x08, 0x81, 0x82}};
const USBModelSetup sts{0x4000, S::SimpleDual, {}};
const USBModelSetup qePro{0x4004, S::SimpleDual, {}};
const USBModelSetup spark{0x4200, S::SimpleDual, {}};
const USBModelSetup ventana{0x5000, S::Ventana, {}};
const USBModelSetup blaze{0x2001, S::Blaze, {}};

// A full-speed port has packets of at most 64 bytes; larger ones mean high speed.
constexpr int fullSpeedPacketSize = 64;

}  // namespace

USBModelInterface::USBModelInterface(const USBModelSetup& setup)
    : SpectrometerUSBInterface(spectrometerVendorId, setup.productId), setup(setup) {}

bool USBModelInterface::open() {
    const bool opened = SpectrometerUSBInterface::open();
    if (!opened) return false;

    const bool framedBinary =
        setup.scheme == S::SimpleDual || setup.scheme == S::Ventana || setup.scheme == S::Blaze;
    std::unique_ptr<ProtocolHint> controlHint;
    std::unique_ptr<ProtocolHint> spectrumHint;
    if (framedBinary) {
        controlHint = std::make_unique<framedBinaryProtocol::FBPControlHint>();
        spectrumHint = std::make_unique<framedBinaryProtocol::FBPSpectrumHint>();
    } else {
        controlHint = std::make_unique<legacyProtocol::ControlHint>();
        spectrumHint = std::make_unique<legacyProtocol::SpectrumHint>();
    }
    clearHelpers();

    USB* device = usb.get();
    std::unique_ptr<TransferHelper> spectrumHelper;
    std::unique_ptr<TransferHelper> controlHelper;
    switch (setup.scheme) {
        case S::FPGA:
        case S::FPGASpeedChoice: {
            const USBFPGAEndpointMap map;
            if (setup.scheme == S::FPGASpeedChoice &&
                device->getMaxPacketSize() > fullSpeedPacketSize)
                spectrumHelper = std::make_unique<USB4KSpectrumTransferHelper>(device, map);
            else
                spectrumHelper = std::make_unique<USBSpectrumTransferHelper>(device, map);
            controlHelper = std::make_unique<USBControlTransferHelper>(device, map);
            break;
        }
        case S::Legacy2K: {
            const USBLegacy2KEndpointMap map;
            spectrumHelper = std::make_unique<USBSpectrumTransferHelper>(device, map);
            controlHelper = std::make_unique<USBControlTransferHelper>(device, map);
            break;
        }
        case S::Jaz: {
            const USBJazEndpointMap map;
            spectrumHelper = std::make_unique<USBSpectrumTransferHelper>(device, map);
            controlHelper = std::make_unique<USBControlTransferHelper>(device, map);
            break;
        }
        case S::SimpleDual: {
            const USBSimpleDualEndpointMap map;
            spectrumHelper = std::make_unique<USBTrivialTransferHelper>(device, map);
            controlHelper = std::make_unique<USBTrivialTransferHelper>(device, map);
            break;
        }
        case S::Ventana: {
            const USBVentanaEndpointMap map;
            spectrumHelper = std::make_unique<USBTrivialTransferHelper>(device, map);
            controlHelper = std::make_unique<USBTrivialTransferHelper>(device, map);
            break;
        }
        case S::Blaze: {
            const USBSimpleDualEndpointMap map;
            spectrumHelper = std::make_unique<BlazeUSBTransferHelper>(device, map);
            controlHelper = std::make_unique<BlazeUSBTransferHelper>(device, map);
            break;
        }
    }
    addHelper(std::move(spectrumHint), std::move(spectrumHelper));
    addHelper(std::move(controlHint), std::move(controlHelper));

    for (std::uint8_t endpoint : setup.pipeResets) device->resetPipe(endpoint);
    return opened;
}

HR2000PlusUSB::HR2000PlusUSB() : USBModelInterface(hr2000Plus) {}
USB2000PlusUSB::USB2000PlusUSB() : USBModelInterface(usb2000Plus) {}
QE65000USB::QE65000USB() : USBModelInterface(qe65000) {}
Maya2000ProUSB::Maya2000ProUSB() : USBModelInterface(maya2000Pro) {}
NIRQuest512USB::NIRQuest512USB() : USBModelInterface(nirQuest512) {}
NIRQuest256USB::NIRQuest256USB() : USBModelInterface(nirQuest256) {}
TorusUSB::TorusUSB() : USBModelInterface(torus) {}
ApexUSB::ApexUSB() : USBModelInterface(apex) {}
FlameNIRUSB::FlameNIRUSB() : USBModelInterface(flameNIR) {}
HR4000USB::HR4000USB() : USBModelInterface(hr4000) {}
USB4000USB::USB4000USB() : USBModelInterface(usb4000) {}
MayaLSLUSB::MayaLSLUSB() : USBModelInterface(mayaLSL) {}
Maya2000USB::Maya2000USB() : USBModelInterface(maya2000) {}
HR2000USB::HR2000USB() : USBModelInterface(hr2000) {}
USB2000USB::USB2000USB() : USBModelInterface(usb2000) {}
JazUSB::JazUSB() : USBModelInterface(jaz) {}
STSUSB::STSUSB() : USBModelInterface(sts) {}
QEProUSB::QEProUSB() : USBModelInterface(qePro) {}
SparkUSB::SparkUSB() : USBModelInterface(spark) {}
VentanaUSB::VentanaUSB() : USBModelInterface(ventana) {}
BlazeUSB::BlazeUSB() : USBModelInterface(blaze) {}

}  // namespace spectro
