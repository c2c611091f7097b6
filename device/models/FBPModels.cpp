#include "device/models/FBPModels.h"

#include "device/buses/network/TCPIPv4BusModels.h"
#include "device/buses/rs232/SpectrometerRS232Interface.h"
#include "device/buses/usb/USBBusModels.h"

namespace spectro::models {

using namespace fbpFeatures;
using K = FBPSpectrometerKind;

// One row per model; the spectrometer constants are those of the model's spectrometer feature.
// clang-format off
const FBPModelRow& sts() {
    static const FBPModelRow row{
        .name = "STS",
        .productId = 0x4000,
        .usbBus = &makeBus<STSUSB>,
        .furtherBuses = {&makeBus<SpectrometerRS232Interface>},
        .endpoints = {.cmdOut = 0x01, .replyIn = 0x81, .auxOut = 0x02, .dataIn = 0x82, .dataIn2 = 0x00},
        .spectrometer = K::STS,
        .features = {Spec, Binning, Serial, Shutter, Irrad(1024), NL, Temp, Rev, Bench, Proc, SL,
                     CStrobe, Delay, Strobe, Raw},
    };
    return row;
}

const FBPModelRow& qePro() {
    static const FBPModelRow row{
        .name = "QE-PRO",
        .productId = 0x4004,
        .usbBus = &makeBus<QEProUSB>,
        .furtherBuses = {&makeBus<SpectrometerRS232Interface>},
        .endpoints = {.cmdOut = 0x01, .replyIn = 0x81, .auxOut = 0x02, .dataIn = 0x82, .dataIn2 = 0x00},
        .spectrometer = K::QEPro,
        .features = {Spec, Buffer, Serial, Irrad(1044), NL, SL, TEC, CStrobe, Strobe, Raw},
    };
    return row;
}

const FBPModelRow& spark() {
    static const FBPModelRow row{
        .name = "Spark",
        .productId = 0x4200,
        .usbBus = &makeBus<SparkUSB>,
        .furtherBuses = {&makeBus<SpectrometerRS232Interface>},
        .endpoints = {.cmdOut = 0x01, .replyIn = 0x81, .auxOut = 0x02, .dataIn = 0x82, .dataIn2 = 0x00},
        .spectrometer = K::Spark,
        .features = {Spec, Serial, Shutter, Irrad(1024), NL, Temp, Rev, Bench, Proc, SL, CStrobe,
                     Raw},
    };
    return row;
}

// The cooler and the light source join at initialisation when the unit answers for them.
const FBPModelRow& ventana() {
    static const FBPModelRow row{
        .name = "Ventana",
        .productId = 0x5000,
        .usbBus = &makeBus<VentanaUSB>,
        .furtherBuses = {},
        .endpoints = {.cmdOut = 0x01, .replyIn = 0x82, .auxOut = 0x00, .dataIn = 0x00, .dataIn2 = 0x00},
        .spectrometer = K::Ventana,
        .features = {Spec, Serial, NL, SL, Raw},
        .framedBinaryOnUSBOnly = true,
    };
    return row;
}

const FBPModelRow& blaze() {
    static const FBPModelRow row{
        .name = "Blaze",
        .productId = 0x2001,
        .usbBus = &makeBus<BlazeUSB>,
        .furtherBuses = {&makeBus<BlazeTCPIPv4>},
        .endpoints = {.cmdOut = 0x01, .replyIn = 0x81, .auxOut = 0x02, .dataIn = 0x82, .dataIn2 = 0x00},
        .spectrometer = K::Blaze,
        .features = {Spec, Serial, NL, SL, Strobe, Raw},
    };
    return row;
}
// clang-format on

const std::vector<const FBPModelRow*>& fbpModelRows() {
    static const std::vector<const FBPModelRow*> rows{&sts(), &qePro(), &spark(), &ventana(),
                                                      &blaze()};
    return rows;
}

}  // namespace spectro::models
