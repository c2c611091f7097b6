#include "device/models/LegacyModels.h"

#include "device/buses/network/TCPIPv4BusModels.h"
#include "device/buses/usb/USBBusModels.h"
#include "device/features/SpectrometerModelFeatures.h"

namespace spectro::models {

using namespace legacyFeatures;
using F = LegacySpectrumFormat;
using G = GainReference;

// One row per model. The spectrometer constants are in microseconds; their integration time
// base is also the unit the model's integration time command counts in.
// clang-format off
const LegacyModelRow& hr2000Plus() {
    static const LegacyModelRow row{
        .name = "HR2000+",
        .productId = 0x1016,
        .usbBus = &makeBus<HR2000PlusUSB>,
        .endpoints = {.cmdOut = 0x01, .replyIn = 0x81, .auxOut = 0x00, .dataIn = 0x82, .dataIn2 = 0x86},
        .spectrometerFeature = &makeSpectrometerFeature<HR2000PlusSpectrometerFeature>,
        .spectrometer = {
            .numberOfPixels = 2048,
            .maxIntensity = 16383,
            .integrationTimeMinimum = 1000,
            .integrationTimeMaximum = 655350000,
            .integrationTimeBase = 1,
            .integrationTimeIncrement = 1000,
            .darkPixelRanges = {{2, 23}},
            .triggerModes = {0, 1, 2, 3},
        },
        .format = F::HRFPGA,
        .frameLength = 4097,
        .gainReference = G::None,
        .features = {Spec, Serial, EEPROM(17), Strobe, CStrobe, Irrad(2048), NL, SL, Raw, Extra(1)},
    };
    return row;
}

const LegacyModelRow& hr4000() {
    static const LegacyModelRow row{
        .name = "HR4000",
        .productId = 0x1012,
        .usbBus = &makeBus<HR4000USB>,
        .endpoints = {.cmdOut = 0x01, .replyIn = 0x81, .auxOut = 0x00, .dataIn = 0x82, .dataIn2 = 0x86},
        .spectrometerFeature = &makeSpectrometerFeature<HR4000SpectrometerFeature>,
        .spectrometer = {
            .numberOfPixels = 3648,
            .maxIntensity = 16383,
            .integrationTimeMinimum = 10,
            .integrationTimeMaximum = 655350000,
            .integrationTimeBase = 1,
            .integrationTimeIncrement = 10,
            .darkPixelRanges = {{2, 12}},
            .triggerModes = {0, 1, 2, 3},
        },
        .format = F::HRFPGA,
        .frameLength = 7681,
        .gainReference = G::None,
        .features = {Spec, Serial, EEPROM(17), Strobe, CStrobe, Irrad(3648), NL, SL, Raw},
    };
    return row;
}

const LegacyModelRow& hr2000() {
    static const LegacyModelRow row{
        .name = "HR2000",
        .productId = 0x100A,
        .usbBus = &makeBus<HR2000USB>,
        .endpoints = {.cmdOut = 0x02, .replyIn = 0x82, .auxOut = 0x07, .dataIn = 0x87, .dataIn2 = 0x00},
        .spectrometerFeature = &makeSpectrometerFeature<HR2000SpectrometerFeature>,
        .spectrometer = {
            .numberOfPixels = 2048,
            .maxIntensity = 4095,
            .integrationTimeMinimum = 3000,
            .integrationTimeMaximum = 655350000,
            .integrationTimeBase = 1000,
            .integrationTimeIncrement = 1000,
            .darkPixelRanges = {{2, 23}},
            .triggerModes = {0, 1, 3},
        },
        .format = F::Legacy2K,
        .frameLength = 4097,
        .gainReference = G::None,
        .features = {Spec, Serial, EEPROM(17), Strobe, NL, SL, Raw},
    };
    return row;
}

const LegacyModelRow& usb2000() {
    static const LegacyModelRow row{
        .name = "USB2000",
        .productId = 0x1002,
        .usbBus = &makeBus<USB2000USB>,
        .endpoints = {.cmdOut = 0x02, .replyIn = 0x82, .auxOut = 0x07, .dataIn = 0x87, .dataIn2 = 0x00},
        .spectrometerFeature = &makeSpectrometerFeature<USB2000SpectrometerFeature>,
        .spectrometer = {
            .numberOfPixels = 2048,
            .maxIntensity = 4095,
            .integrationTimeMinimum = 3000,
            .integrationTimeMaximum = 655350000,
            .integrationTimeBase = 1000,
            .integrationTimeIncrement = 1000,
            .darkPixelRanges = {{2, 23}},
            .triggerModes = {0, 1, 3},
        },
        .format = F::Legacy2K,
        .frameLength = 4097,
        .gainReference = G::None,
        .features = {Spec, Serial, EEPROM(17), Strobe, Irrad(2048), NL, SL, Raw},
    };
    return row;
}

const LegacyModelRow& usb2000Plus() {
    static const LegacyModelRow row{
        .name = "USB2000+",
        .productId = 0x101E,
        .usbBus = &makeBus<USB2000PlusUSB>,
        .endpoints = {.cmdOut = 0x01, .replyIn = 0x81, .auxOut = 0x00, .dataIn = 0x82, .dataIn2 = 0x86},
        .spectrometerFeature = &makeSpectrometerFeature<USB2000PlusSpectrometerFeature>,
        .spectrometer = {
            .numberOfPixels = 2048,
            .maxIntensity = 65535,
            .integrationTimeMinimum = 1000,
            .integrationTimeMaximum = 655350000,
            .integrationTimeBase = 1,
            .integrationTimeIncrement = 1000,
            .darkPixelRanges = {{6, 20}},
            .triggerModes = {0, 1, 2, 3},
        },
        .format = F::USBFPGA,
        .frameLength = 4097,
        .gainReference = G::SaturationSlot,
        .features = {Spec, Serial, EEPROM(30), Strobe, CStrobe, Irrad(2048), NL, SL, Raw},
    };
    return row;
}

const LegacyModelRow& usb4000() {
    static const LegacyModelRow row{
        .name = "USB4000",
        .productId = 0x1022,
        .usbBus = &makeBus<USB4000USB>,
        .endpoints = {.cmdOut = 0x01, .replyIn = 0x81, .auxOut = 0x00, .dataIn = 0x82, .dataIn2 = 0x86},
        .spectrometerFeature = &makeSpectrometerFeature<USB4000SpectrometerFeature>,
        .spectrometer = {
            .numberOfPixels = 3648,
            .maxIntensity = 65535,
            .integrationTimeMinimum = 10,
            .integrationTimeMaximum = 655350000,
            .integrationTimeBase = 1,
            .integrationTimeIncrement = 10,
            .darkPixelRanges = {{5, 15}},
            .triggerModes = {0, 1, 2, 3},
        },
        .format = F::USBFPGA,
        .frameLength = 7681,
        .gainReference = G::SaturationSlot,
        .features = {Spec, Serial, EEPROM(17), Strobe, CStrobe, Irrad(3648), NL, SL, Raw},
    };
    return row;
}

const LegacyModelRow& torus() {
    static const LegacyModelRow row{
        .name = "Torus",
        .productId = 0x1040,
        .usbBus = &makeBus<TorusUSB>,
        .endpoints = {.cmdOut = 0x00, .replyIn = 0x00, .auxOut = 0x00, .dataIn = 0x00, .dataIn2 = 0x00},
        .spectrometerFeature = &makeSpectrometerFeature<USB2000PlusSpectrometerFeature>,
        .spectrometer = {
            .numberOfPixels = 2048,
            .maxIntensity = 65535,
            .integrationTimeMinimum = 1000,
            .integrationTimeMaximum = 655350000,
            .integrationTimeBase = 1,
            .integrationTimeIncrement = 1000,
            .darkPixelRanges = {{6, 20}},
            .triggerModes = {0, 1, 2, 3},
        },
        .format = F::USBFPGA,
        .frameLength = 4097,
        .gainReference = G::SaturationSlot,
        .features = {Spec, Serial, EEPROM(17), Strobe, CStrobe, Irrad(2048), NL, SL, Raw},
    };
    return row;
}

const LegacyModelRow& maya2000() {
    static const LegacyModelRow row{
        .name = "Maya2000",
        .productId = 0x102C,
        .usbBus = &makeBus<Maya2000USB>,
        .endpoints = {.cmdOut = 0x01, .replyIn = 0x81, .auxOut = 0x00, .dataIn = 0x82, .dataIn2 = 0x86},
        .spectrometerFeature = &makeSpectrometerFeature<Maya2000SpectrometerFeature>,
        .spectrometer = {
            .numberOfPixels = 2080,
            .maxIntensity = 65535,
            .integrationTimeMinimum = 15000,
            .integrationTimeMaximum = 1600000000,
            .integrationTimeBase = 1,
            .integrationTimeIncrement = 1000,
            .darkPixelRanges = {{0, 7}, {2072, 2079}},
            .triggerModes = {0, 1, 3},
        },
        .format = F::FPGA,
        .frameLength = 4609,
        .gainReference = G::None,
        .features = {Spec, Serial, EEPROM(17), Strobe, CStrobe, Irrad(2080), Delay, NL, SL, Raw},
    };
    return row;
}

const LegacyModelRow& maya2000Pro() {
    static const LegacyModelRow row{
        .name = "Maya2000Pro",
        .productId = 0x102A,
        .usbBus = &makeBus<Maya2000ProUSB>,
        .endpoints = {.cmdOut = 0x01, .replyIn = 0x81, .auxOut = 0x00, .dataIn = 0x82, .dataIn2 = 0x86},
        .spectrometerFeature = &makeSpectrometerFeature<Maya2000ProSpectrometerFeature>,
        .spectrometer = {
            .numberOfPixels = 2068,
            .maxIntensity = 64000,
            .integrationTimeMinimum = 7200,
            .integrationTimeMaximum = 65000000,
            .integrationTimeBase = 1,
            .integrationTimeIncrement = 1000,
            .darkPixelRanges = {{0, 3}, {2064, 2067}},
            .triggerModes = {0, 1, 2, 3},
        },
        .format = F::MayaPro,
        .frameLength = 4609,
        .gainReference = G::SaturationSlotMayaPro,
        .features = {Spec, Serial, EEPROM(17), Strobe, CStrobe, Irrad(2068), NL, SL, Raw, Extra(2)},
    };
    return row;
}

const LegacyModelRow& mayaLSL() {
    static const LegacyModelRow row{
        .name = "MayaLSL",
        .productId = 0x1046,
        .usbBus = &makeBus<MayaLSLUSB>,
        .endpoints = {.cmdOut = 0x01, .replyIn = 0x81, .auxOut = 0x00, .dataIn = 0x82, .dataIn2 = 0x86},
        .spectrometerFeature = &makeSpectrometerFeature<MayaLSLSpectrometerFeature>,
        .spectrometer = {
            .numberOfPixels = 2068,
            .maxIntensity = 64000,
            .integrationTimeMinimum = 7200,
            .integrationTimeMaximum = 65000000,
            .integrationTimeBase = 1,
            .integrationTimeIncrement = 1000,
            .darkPixelRanges = {{0, 3}, {2064, 2067}},
            .triggerModes = {0, 1, 2, 3},
        },
        .format = F::MayaPro,
        .frameLength = 4609,
        .gainReference = G::SaturationSlotMayaPro,
        .features = {Spec, Serial, EEPROM(17), Strobe, CStrobe, Irrad(2068), NL, SL, Raw},
    };
    return row;
}

const LegacyModelRow& apex() {
    static const LegacyModelRow row{
        .name = "Apex",
        .productId = 0x1044,
        .usbBus = &makeBus<ApexUSB>,
        .endpoints = {.cmdOut = 0x01, .replyIn = 0x81, .auxOut = 0x00, .dataIn = 0x82, .dataIn2 = 0x00},
        .spectrometerFeature = &makeSpectrometerFeature<ApexSpectrometerFeature>,
        .spectrometer = {
            .numberOfPixels = 2068,
            .maxIntensity = 64000,
            .integrationTimeMinimum = 15000,
            .integrationTimeMaximum = 1600000000,
            .integrationTimeBase = 1,
            .integrationTimeIncrement = 1000,
            .darkPixelRanges = {{0, 3}, {2064, 2067}},
            .triggerModes = {0},
        },
        .format = F::MayaPro,
        .frameLength = 4609,
        .gainReference = G::SaturationSlotMayaPro,
        .features = {Spec, Serial, EEPROM(17), Irrad(2068), NL, SL},
    };
    return row;
}

const LegacyModelRow& qe65000() {
    static const LegacyModelRow row{
        .name = "QE65000",
        .productId = 0x1018,
        .usbBus = &makeBus<QE65000USB>,
        .endpoints = {.cmdOut = 0x01, .replyIn = 0x81, .auxOut = 0x00, .dataIn = 0x82, .dataIn2 = 0x86},
        .spectrometerFeature = &makeSpectrometerFeature<QE65000SpectrometerFeature>,
        .spectrometer = {
            .numberOfPixels = 1044,
            .maxIntensity = 65535,
            .integrationTimeMinimum = 8000,
            .integrationTimeMaximum = 1600000000,
            .integrationTimeBase = 1000,
            .integrationTimeIncrement = 1000,
            .darkPixelRanges = {{0, 3}, {1040, 1043}},
            .triggerModes = {0, 1, 3},
        },
        .format = F::QE,
        .frameLength = 2561,
        .gainReference = G::None,
        .features = {Spec, Serial, EEPROM(18), Strobe, CStrobe, TEC, Irrad(1044), Delay, NL, SL, Raw},
    };
    return row;
}

const LegacyModelRow& nirQuest512() {
    static const LegacyModelRow row{
        .name = "NIRQuest512",
        .productId = 0x1026,
        .usbBus = &makeBus<NIRQuest512USB>,
        .endpoints = {.cmdOut = 0x01, .replyIn = 0x81, .auxOut = 0x00, .dataIn = 0x82, .dataIn2 = 0x86},
        .spectrometerFeature = &makeSpectrometerFeature<NIRQuestSpectrometerFeature>,
        .spectrometer = {
            .numberOfPixels = 512,
            .maxIntensity = 65535,
            .integrationTimeMinimum = 1000,
            .integrationTimeMaximum = 1600000000,
            .integrationTimeBase = 1000,
            .integrationTimeIncrement = 1000,
            .darkPixelRanges = {},
            .triggerModes = {0, 1, 2, 3},
        },
        .format = F::NIRQuest,
        .frameLength = 1025,
        .gainReference = G::SaturationSlotNIRQuest,
        .features = {Spec, Serial, EEPROM(20), Strobe, CStrobe, TEC, Irrad(512), Delay, NL, SL, Raw},
    };
    return row;
}

const LegacyModelRow& nirQuest256() {
    static const LegacyModelRow row{
        .name = "NIRQuest256",
        .productId = 0x1028,
        .usbBus = &makeBus<NIRQuest256USB>,
        .endpoints = {.cmdOut = 0x01, .replyIn = 0x81, .auxOut = 0x00, .dataIn = 0x82, .dataIn2 = 0x86},
        .spectrometerFeature = &makeSpectrometerFeature<NIRQuestSpectrometerFeature>,
        .spectrometer = {
            .numberOfPixels = 256,
            .maxIntensity = 65535,
            .integrationTimeMinimum = 1000,
            .integrationTimeMaximum = 1600000000,
            .integrationTimeBase = 1000,
            .integrationTimeIncrement = 1000,
            .darkPixelRanges = {},
            .triggerModes = {0, 1, 2, 3},
        },
        .format = F::NIRQuest,
        .frameLength = 513,
        .gainReference = G::SaturationSlotNIRQuest,
        .features = {Spec, Serial, EEPROM(20), Strobe, CStrobe, TEC, Irrad(256), Delay, NL, SL, Raw},
    };
    return row;
}

const LegacyModelRow& flameNIR() {
    static const LegacyModelRow row{
        .name = "Flame-NIR",
        .productId = 0x104B,
        .usbBus = &makeBus<FlameNIRUSB>,
        .endpoints = {.cmdOut = 0x01, .replyIn = 0x81, .auxOut = 0x00, .dataIn = 0x82, .dataIn2 = 0x86},
        .spectrometerFeature = &makeSpectrometerFeature<FlameNIRSpectrometerFeature>,
        .spectrometer = {
            .numberOfPixels = 128,
            .maxIntensity = 65535,
            .integrationTimeMinimum = 1000,
            .integrationTimeMaximum = 655350000,
            .integrationTimeBase = 1,
            .integrationTimeIncrement = 1000,
            .darkPixelRanges = {},
            .triggerModes = {0, 1, 2, 3},
        },
        .format = F::FlameNIR,
        .frameLength = 256,
        .gainReference = G::SaturationSlot,
        .features = {Spec, Serial, EEPROM(30), Strobe, CStrobe, Irrad(128), NL, SL, Raw},
    };
    return row;
}

const LegacyModelRow& jaz() {
    static const LegacyModelRow row{
        .name = "Jaz",
        .productId = 0x2000,
        .usbBus = &makeBus<JazUSB>,
        .endpoints = {.cmdOut = 0x01, .replyIn = 0x81, .auxOut = 0x00, .dataIn = 0x82, .dataIn2 = 0x00},
        .spectrometerFeature = &makeSpectrometerFeature<JazSpectrometerFeature>,
        .spectrometer = {
            .numberOfPixels = 2048,
            .maxIntensity = 65535,
            .integrationTimeMinimum = 1000,
            .integrationTimeMaximum = 655350000,
            .integrationTimeBase = 1,
            .integrationTimeIncrement = 1000,
            .darkPixelRanges = {{2, 23}},
            .triggerModes = {0, 1, 2, 3},
        },
        .format = F::Jaz,
        .frameLength = 4096,
        .gainReference = G::SaturationSlot,
        .features = {Spec, Serial, EEPROM(17), Strobe, NL, SL, Raw},
        .speaksOverTCPIPv4 = true,
        .furtherBuses = {&makeBus<JazTCPIPv4>},
    };
    return row;
}

// clang-format on

const std::vector<const LegacyModelRow*>& legacyModelRows() {
    static const std::vector<const LegacyModelRow*> rows{
        &hr2000Plus(), &hr4000(),   &hr2000(),      &usb2000(),     &usb2000Plus(), &usb4000(),
        &torus(),      &maya2000(), &maya2000Pro(), &mayaLSL(),     &apex(),        &qe65000(),
        &nirQuest512(), &nirQuest256(), &flameNIR(), &jaz(),
    };
    return rows;
}

}  // namespace spectro::models
