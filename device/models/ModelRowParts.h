#pragma once

// What the rows of both model tables have in common: the endpoint bytes a device carries and
// how a row names the buses its constructor builds.

#include <cstdint>
#include <memory>

#include "device/common/Bus.h"

namespace spectro {

// The five endpoint bytes a model's device carries, 0 where not set.
struct ModelEndpoints {
    std::uint8_t cmdOut = 0;
    std::uint8_t replyIn = 0;
    std::uint8_t auxOut = 0;
    std::uint8_t dataIn = 0;
    std::uint8_t dataIn2 = 0;
};

using BusMaker = std::unique_ptr<Bus> (*)();

// A bus maker for the rows.
template <class BusClass>
std::unique_ptr<Bus> makeBus() {
    return std::make_unique<BusClass>();
}

}  // namespace spectro
