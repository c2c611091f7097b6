#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace spectro::bench {

constexpr std::uint8_t FRAME_SYNC = 0x69;

// The value a ramp frame carries in word `index`: a rising ramp inside the 14 bits every
// model can report, so that no gain adjustment clamps it.
constexpr std::uint16_t rampValue(std::size_t index) {
    return static_cast<std::uint16_t>(index & 0x3FFF);
}

// A frame of `frameBytes` bytes as a unit sends it: ramp words, little-endian from byte 0 with
// the high byte XORed by `highByteXor` (the model's format), and the sync byte last.
std::vector<std::uint8_t> makeRampFrame(std::size_t frameBytes, std::uint8_t highByteXor);

}  // namespace spectro::bench
