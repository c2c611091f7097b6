#include "tests/sim/support/SimTestBench.h"

#include <gtest/gtest.h>

namespace spectro::sim::test {

SimTestBench::SimTestBench(const std::string& json)
    : bench_(std::make_shared<SimBench>(parseBench(json))), platform_(bench_) {}

SimTestBench::SimTestBench(const std::string& json, std::shared_ptr<SimClock> clock)
    : bench_(std::make_shared<SimBench>(parseBench(json), std::move(clock))), platform_(bench_) {}

std::unique_ptr<UsbConnection> SimTestBench::open(std::size_t place) {
    auto connection = platform_.open("sim:" + std::to_string(place + 1));
    EXPECT_NE(connection, nullptr) << "unit " << place << " did not open";
    return connection;
}

std::string oneUnitBench(const std::string& model, const std::string& extraKeys,
                         const std::string& timing) {
    return R"({"timing": ")" + timing + R"(", "devices": [{"model": ")" + model +
           R"(", "serial": "SIM00001")" + extraKeys + "}]}";
}

bool command(UsbConnection& unit, std::uint8_t endpoint, const Bytes& bytes) {
    return unit.bulkWrite(endpoint, bytes.data(), static_cast<int>(bytes.size())) ==
           static_cast<int>(bytes.size());
}

std::optional<Bytes> reply(UsbConnection& unit, std::uint8_t endpoint, int length) {
    Bytes buffer(static_cast<std::size_t>(length), 0xEE);
    const int moved = unit.bulkRead(endpoint, buffer.data(), length);
    if (moved < 0) return std::nullopt;
    buffer.resize(static_cast<std::size_t>(moved));
    return buffer;
}

}  // namespace spectro::sim::test
