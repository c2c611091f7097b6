// "Spectra" holds exactly what the unit sent, spectrum by spectrum: with the "ramp" pattern every
// value of a long burst is known, and the words wrap at 4096 within it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "ShotChecks.h"
#include "ShotFileReader.h"
#include "ShotRun.h"

namespace quillfen::shots {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;

struct RampCase {
    std::string model;
    std::string serial;
    int minimumIntegrationTime_us;
    std::uint64_t pixels;
    std::string temperatureLine;  // a unit without a board thermometer reports not-a-number
    bool hasTemperature;

    friend void PrintTo(const RampCase& unit, std::ostream* out) { *out << unit.model; }
};

class RampPattern : public ::testing::TestWithParam<RampCase> {};

// 300 spectra: (7 n + j) reaches 4096 from spectrum 293 on.
constexpr std::uint64_t SPECTRA = 300;

TEST_P(RampPattern, TheFileHoldsEveryValueOfEveryBurstSpectrum) {
    const RampCase& unit = GetParam();
    ShotFolder folder;
    folder.writeBench(R"({"timing": "fast", "trigger": null, "devices": [{"model": ")" +
                      unit.model + R"(", "serial": ")" + unit.serial +
                      R"(", "pattern": "ramp"}]})");
    folder.writeConfiguration(R"([{"SerialNumber": ")" + unit.serial +
                              R"(", "Spectra": 300, "IntegrationTime_us": )" +
                              std::to_string(unit.minimumIntegrationTime_us) + "}]");

    const Shot shot = runShot(folder, {"-a", "-i", "config.json"});

    EXPECT_EQ(shot.exitCode, 0);
    EXPECT_THAT(shot.outLines, Contains(" Temperature: " + unit.temperatureLine + DEGREES_CELSIUS));
    const ShotFileContents file = readShotFile(folder.file(unit.serial + "_0.h5"));
    EXPECT_THAT(file.spectra.shape, ElementsAre(SPECTRA, unit.pixels));
    // Burst frame k is spectrum k + 1: the setup's test spectrum came first.
    EXPECT_TRUE(holdsRampRows(file.spectra, 1, SPECTRA));
    EXPECT_EQ(file.spectraAttributes.count("PCBTemperature"), unit.hasTemperature ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Models, RampPattern,
    ::testing::Values(RampCase{"HR2000+", "HR+C2041", 1000, 2048, "24.9984", true},
                      RampCase{"Maya2000Pro", "MAYP11224", 7200, 2068, "nan", false}),
    [](const auto& info) {
        return info.param.model == "HR2000+" ? std::string("HR2000Plus") : info.param.model;
    });

}  // namespace
}  // namespace quillfen::shots
