#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device/models/LegacyModelRow.h"

namespace spectro::bench {

// A model the benchmarks run, with what its frames look like.
struct BenchModel {
    const LegacyModelRow& row;
    std::uint8_t highByteXor;  // how the model's format sends the high byte of a word
    std::string unitPath;      // its unit's path on the replay platform

    const std::string& name() const { return row.name; }
    std::size_t frameBytes() const { return row.frameLength; }
    std::size_t pixels() const { return static_cast<std::size_t>(row.spectrometer.numberOfPixels); }
};

// The two models with the raw-USB burst: the HR2000+ (type 1) and the Maya2000Pro (type 2).
const std::vector<BenchModel>& benchModels();

}  // namespace spectro::bench
