// Lists the models of the device factory: registry name, a tab, the model's name.
#include <iostream>

#include "device/common/DeviceFactory.h"

int main() {
    const spectro::DeviceFactory& factory = spectro::DeviceFactory::getInstance();
    for (int position = 0; position < factory.getNumberOfModels(); ++position)
        std::cout << factory.getRegistryName(position) << '\t'
                  << factory.createModel(position)->getName() << '\n';
}
