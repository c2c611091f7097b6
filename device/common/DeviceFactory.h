#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "device/common/Device.h"

namespace spectro {

// The registry of every model the library drives. Its order (byte-wise by registry name) is
// the order in which the facade looks for attached units, so it decides which unit lands in
// which slot. Built on first use and kept for the process; touched by the main thread only.
class DeviceFactory {
  public:
    using Creator = std::function<std::unique_ptr<Device>()>;

    static DeviceFactory& getInstance();

    int getNumberOfModels() const { return static_cast<int>(creators.size()); }
    // A new, closed device of the model at `position`; none when there is no such position.
    std::unique_ptr<Device> createModel(int position) const;
    // The registry name at `position`; empty when there is no such position.
    std::string getRegistryName(int position) const;

  private:
    DeviceFactory();
    // A name that is already registered keeps its first creator.
    void add(const std::string& registryName, Creator creator);

    std::map<std::string, Creator> creators;
};

}  // namespace spectro
