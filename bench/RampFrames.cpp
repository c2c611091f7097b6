#include "bench/RampFrames.h"

namespace spectro::bench {

std::vector<std::uint8_t> makeRampFrame(std::size_t frameBytes, std::uint8_t highByteXor) {
    std::vector<std::uint8_t> frame(frameBytes, 0);
    if (frameBytes == 0) return frame;
    const std::size_t words = (frameBytes - 1) / 2;
    for (std::size_t i = 0; i < words; ++i) {
        const std::uint16_t value = rampValue(i);
        frame[2 * i] = static_cast<std::uint8_t>(value & 0xFF);
        frame[2 * i + 1] = static_cast<std::uint8_t>((value >> 8) ^ highByteXor);
    }
    frame.back() = FRAME_SYNC;
    return frame;
}

}  // namespace spectro::bench
