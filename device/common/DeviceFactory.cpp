#include "device/common/DeviceFactory.h"

#include <iterator>

#include "device/models/FBPDevice.h"
#include "device/models/FBPModels.h"
#include "device/models/LegacyDevice.h"
#include "device/models/LegacyModels.h"

namespace spectro {

namespace {

DeviceFactory::Creator legacy(const LegacyModelRow& row) {
    return [&row] { return std::make_unique<LegacyDevice>(row); };
}

DeviceFactory::Creator framedBinary(const FBPModelRow& row) {
    return [&row] { return std::make_unique<FBPDevice>(row); };
}

}  // namespace

DeviceFactory& DeviceFactory::getInstance() {
    static DeviceFactory factory;
    return factory;
}

DeviceFactory::DeviceFactory() {
    // One line per model; the map, not this list, sets the order.
    add("Apex", legacy(models::apex()));
    add("Blaze", framedBinary(models::blaze()));
    add("FlameNIR", legacy(models::flameNIR()));
    add("HR2000", legacy(models::hr2000()));
    add("HR2000Plus", legacy(models::hr2000Plus()));
    add("HR4000", legacy(models::hr4000()));
    add("Jaz", legacy(models::jaz()));
    add("Maya2000", legacy(models::maya2000()));
    add("Maya2000Pro", legacy(models::maya2000Pro()));
    add("MayaLSL", legacy(models::mayaLSL()));
    add("NIRQuest256", legacy(models::nirQuest256()));
    add("NIRQuest512", legacy(models::nirQuest512()));
    add("QE65000", legacy(models::qe65000()));
    add("QE-PRO", framedBinary(models::qePro()));
    add("Spark", framedBinary(models::spark()));
    add("STS", framedBinary(models::sts()));
    add("Torus", legacy(models::torus()));
    add("USB2000", legacy(models::usb2000()));
    add("USB2000Plus", legacy(models::usb2000Plus()));
    add("USB4000", legacy(models::usb4000()));
    add("Ventana", [] { return std::make_unique<Ventana>(); });
}

void DeviceFactory::add(const std::string& registryName, Creator creator) {
    creators.emplace(registryName, std::move(creator));
}

std::unique_ptr<Device> DeviceFactory::createModel(int position) const {
    if (position < 0 || position >= getNumberOfModels()) return nullptr;
    return std::next(creators.begin(), position)->second();
}

std::string DeviceFactory::getRegistryName(int position) const {
    if (position < 0 || position >= getNumberOfModels()) return {};
    return std::next(creators.begin(), position)->first;
}

}  // namespace spectro
