#include "bench/BenchModels.h"

#include <stdexcept>

#include "device/models/LegacyModels.h"

namespace spectro::bench {

namespace {

std::uint8_t highByteXorOf(const LegacyModelRow& row) {
    switch (row.format) {
        case LegacySpectrumFormat::HRFPGA:
            return 0x20;
        case LegacySpectrumFormat::MayaPro:
            return 0x00;
        default:
            throw std::invalid_argument("no ramp frames for the format of " + row.name);
    }
}

BenchModel modelOf(const LegacyModelRow& row, std::string unitPath) {
    return {row, highByteXorOf(row), std::move(unitPath)};
}

}  // namespace

const std::vector<BenchModel>& benchModels() {
    static const std::vector<BenchModel> models = {
        modelOf(models::hr2000Plus(), "bench-1"),
        modelOf(models::maya2000Pro(), "bench-2"),
    };
    return models;
}

}  // namespace spectro::bench
