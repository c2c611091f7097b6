#pragma once

#include <cstdint>
#include <vector>

namespace spectro {

// The largest wMaxPacketSize over the endpoint descriptors of the first interface descriptor
// of a whole configuration descriptor; -1 when it holds no interface descriptor or is
// malformed. Descriptors are walked by their own lengths, so class-specific descriptors
// between them are skipped and nothing past the end is read.
int largestPacketSizeOfFirstInterface(const std::vector<std::uint8_t>& configuration);

}  // namespace spectro
