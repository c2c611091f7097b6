// The bench file: every key, its defaults, the demo bench and the reasons a bench is refused.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "sim/BenchConfig.h"

namespace spectro::sim {
namespace {

TEST(SimBenchConfig, ReadsEveryKey) {
    const BenchConfig bench = parseBench(R"({
        "timing": "fast",
        "trigger": {"after_armed_ms": 120},
        "devices": [{
            "model": "Maya2000Pro", "serial": "MAY01234", "pattern": "ramp",
            "trigger_offset_us": 1500, "pcb_temperature_c": 31.5, "fpga_version": 4096,
            "high_speed": false, "eeprom": {"5": "1.5", "14": "3"},
            "faults": {"disconnect_after_spectra": 5, "bad_sync_at_spectrum": 3, "fail_opcodes": [108, 254]}
        }]})");
    EXPECT_EQ(bench.timing, Timing::Fast);
    EXPECT_EQ(bench.triggerAfterArmed, std::chrono::milliseconds(120));
    ASSERT_EQ(bench.units.size(), 1u);
    const UnitConfig& unit = bench.units[0];
    EXPECT_EQ(unit.legacyModel->name, "Maya2000Pro");
    EXPECT_EQ(unit.serial, "MAY01234");
    EXPECT_EQ(unit.pattern, SpectrumPattern::Ramp);
    EXPECT_EQ(unit.triggerOffset, std::chrono::microseconds(1500));
    EXPECT_DOUBLE_EQ(unit.pcbTemperatureC, 31.5);
    EXPECT_EQ(unit.fpgaVersion, 4096);
    EXPECT_FALSE(unit.highSpeed);
    EXPECT_EQ(unit.eeprom, (std::map<int, std::string>{{5, "1.5"}, {14, "3"}}));
    EXPECT_EQ(unit.faults.disconnectAfterSpectra, 5u);
    EXPECT_EQ(unit.faults.badSyncAtSpectrum, 3u);
    EXPECT_EQ(unit.faults.failOpcodes, (std::set<std::uint8_t>{108, 254}));
}

TEST(SimBenchConfig, OmittedKeysTakeTheirDefaults) {
    const BenchConfig bench =
        parseBench(R"({"devices": [{"model": "HR2000+", "serial": "HR+C1834"}]})");
    EXPECT_EQ(bench.timing, Timing::Realtime);
    EXPECT_EQ(bench.triggerAfterArmed, std::chrono::milliseconds(300));
    const UnitConfig& unit = bench.units.at(0);
    EXPECT_EQ(unit.pattern, SpectrumPattern::Lines);
    EXPECT_EQ(unit.triggerOffset, std::chrono::microseconds(0));
    EXPECT_DOUBLE_EQ(unit.pcbTemperatureC, 25.0);
    EXPECT_EQ(unit.fpgaVersion, 12288);
    EXPECT_TRUE(unit.highSpeed);
    EXPECT_TRUE(unit.eeprom.empty());
    EXPECT_FALSE(unit.faults.disconnectAfterSpectra.has_value());
    EXPECT_FALSE(unit.faults.badSyncAtSpectrum.has_value());
    EXPECT_TRUE(unit.faults.failOpcodes.empty());

    EXPECT_TRUE(parseBench("{}").units.empty());
}

TEST(SimBenchConfig, ANullOrEmptyTriggerNeverFires) {
    EXPECT_FALSE(parseBench(R"({"trigger": null})").triggerAfterArmed.has_value());
    EXPECT_FALSE(
        parseBench(R"({"trigger": {"after_armed_ms": null}})").triggerAfterArmed.has_value());
    EXPECT_EQ(parseBench(R"({"trigger": {}})").triggerAfterArmed, std::chrono::milliseconds(300));
}

TEST(SimBenchConfig, DemoBenchIsTwoHR2000PlusOnARealtimeTrigger) {
    const BenchConfig bench = demoBench();
    EXPECT_EQ(bench.timing, Timing::Realtime);
    EXPECT_EQ(bench.triggerAfterArmed, std::chrono::milliseconds(300));
    ASSERT_EQ(bench.units.size(), 2u);
    EXPECT_EQ(bench.units[0].serial, "HR+C1834");
    EXPECT_EQ(bench.units[1].serial, "HR+C0732");
    for (const UnitConfig& unit : bench.units) {
        EXPECT_EQ(unit.legacyModel->name, "HR2000+");
        EXPECT_EQ(unit.pattern, SpectrumPattern::Lines);
    }
}

TEST(SimBenchConfig, PatternsByName) {
    const BenchConfig bench = parseBench(R"({"devices": [
        {"model": "Jaz", "serial": "A", "pattern": "lines"},
        {"model": "Jaz", "serial": "B", "pattern": "ramp"},
        {"model": "Jaz", "serial": "C", "pattern": "ramp16"}]})");
    ASSERT_EQ(bench.units.size(), 3u);
    EXPECT_EQ(bench.units[0].pattern, SpectrumPattern::Lines);
    EXPECT_EQ(bench.units[1].pattern, SpectrumPattern::Ramp);
    EXPECT_EQ(bench.units[2].pattern, SpectrumPattern::Ramp16);
}

TEST(SimBenchConfig, FramedBinaryModelsByNameAndTheMessageTypesTheyRefuse) {
    const BenchConfig bench = parseBench(R"({"devices": [
        {"model": "STS", "serial": "A",
         "faults": {"nack_message_types": [1114128, "0x00000100", "0X00abcdef"]}},
        {"model": "QE-PRO", "serial": "B"}, {"model": "Spark", "serial": "C"},
        {"model": "Ventana", "serial": "D"}, {"model": "Blaze", "serial": "E"}]})");
    ASSERT_EQ(bench.units.size(), 5u);
    const char* names[] = {"STS", "QE-PRO", "Spark", "Ventana", "Blaze"};
    for (std::size_t i = 0; i < 5; ++i) {
        ASSERT_NE(bench.units[i].fbpModel, nullptr) << names[i];
        EXPECT_EQ(bench.units[i].fbpModel->name, names[i]);
        EXPECT_EQ(bench.units[i].legacyModel, nullptr);
        EXPECT_EQ(bench.units[i].modelName(), names[i]);
    }
    EXPECT_EQ(bench.units[0].faults.nackMessageTypes,
              (std::set<std::uint32_t>{0x00110010, 0x00000100, 0x00ABCDEF}));
    EXPECT_TRUE(bench.units[1].faults.nackMessageTypes.empty());
}

TEST(SimBenchConfig, FramedSerialNumbersMayBeLongButNotEndless) {
    // A framed unit sends its serial number in a message, so hosts can be tried on long texts.
    const auto withSerial = [](std::size_t length) {
        return R"({"devices": [{"model": "STS", "serial": ")" + std::string(length, 'S') + R"("}]})";
    };
    EXPECT_EQ(parseBench(withSerial(4096)).units.at(0).serial.size(), 4096u);
    try {
        parseBench(withSerial(4097));
        ADD_FAILURE() << "a 4097-byte serial number was taken";
    } catch (const BenchError& error) {
        EXPECT_STREQ(error.what(), "devices[0].serial: must be a text of 1 to 4096 bytes");
    }
}

// The legacy bench holds every simulated model once, each with its own serial number.
TEST(SimBenchConfig, LegacyBenchHasEveryModelOnceOnAFastRamp16) {
    const BenchConfig bench = readBenchFile(QUILLFEN_SOURCE_DIR "/examples/bench-legacy.json");
    EXPECT_EQ(bench.timing, Timing::Fast);
    std::set<std::string> models;
    std::set<std::string> serials;
    for (const UnitConfig& unit : bench.units) {
        models.insert(unit.modelName());
        serials.insert(unit.serial);
        EXPECT_EQ(unit.pattern, SpectrumPattern::Ramp16) << unit.serial;
    }
    std::set<std::string> simulated;
    for (const LegacyModel& model : legacyModels()) simulated.insert(model.name);
    EXPECT_EQ(models, simulated);
    EXPECT_EQ(models.size(), bench.units.size());
    EXPECT_EQ(serials.size(), bench.units.size());
}

TEST(SimBenchConfig, ExampleBenchesAreValid) {
    int found = 0;
    for (const auto& entry : std::filesystem::directory_iterator(QUILLFEN_SOURCE_DIR "/examples")) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("bench-", 0) != 0 || entry.path().extension() != ".json") continue;
        ++found;
        EXPECT_NO_THROW(readBenchFile(entry.path().string())) << name;
    }
    EXPECT_GT(found, 0);
}

struct Refusal {
    const char* json;
    const char* reason;
};

class SimBenchRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(SimBenchRefusal, GivesTheReason) {
    try {
        parseBench(GetParam().json);
        FAIL() << "accepted " << GetParam().json;
    } catch (const BenchError& error) {
        EXPECT_STREQ(error.what(), GetParam().reason);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, SimBenchRefusal,
    ::testing::Values(
        Refusal{"[]", "the bench must be a JSON object"},
        Refusal{R"({"timing": "slow"})", "timing: must be \"realtime\" or \"fast\""},
        Refusal{R"({"trigger": 5})", "trigger: must be an object or null"},
        Refusal{R"({"trigger": {"after_armed_ms": -1}})",
                "trigger.after_armed_ms: must be a non-negative integer"},
        Refusal{R"({"trigger": {"after_ms": 1}})", "trigger: unknown key \"after_ms\""},
        Refusal{R"({"device": []})", "bench: unknown key \"device\""},
        Refusal{R"({"devices": {}})", "devices: must be an array"},
        Refusal{R"({"devices": [{"serial": "A"}]})", "devices[0]: \"model\" is missing"},
        Refusal{R"({"devices": [{"model": "HR9000", "serial": "A"}]})",
                "devices[0].model: unknown model \"HR9000\""},
        Refusal{R"({"devices": [{"model": "Jaz"}]})", "devices[0]: \"serial\" is missing"},
        Refusal{R"({"devices": [{"model": "Jaz", "serial": "0123456789ABCDEF"}]})",
                "devices[0].serial: must be a text of 1 to 15 bytes"},
        Refusal{R"({"devices": [{"model": "Jaz", "serial": "A", "pattern": "noise"}]})",
                "devices[0].pattern: must be \"lines\", \"ramp\" or \"ramp16\""},
        Refusal{R"({"devices": [{"model": "Jaz", "serial": "A", "high_speed": 1}]})",
                "devices[0].high_speed: must be true or false"},
        Refusal{R"({"devices": [{"model": "Jaz", "serial": "A", "fpga_version": 65536}]})",
                "devices[0].fpga_version: must not exceed 65535"},
        Refusal{R"({"devices": [{"model": "Jaz", "serial": "A", "trigger_offset_us": 1.5}]})",
                "devices[0].trigger_offset_us: must be a non-negative integer"},
        Refusal{R"({"devices": [{"model": "HR2000+", "serial": "A", "eeprom": {"18": "x"}}]})",
                "devices[0].eeprom: slot \"18\" is not a slot number from 0 to 17 of the HR2000+"},
        Refusal{R"({"devices": [{"model": "HR2000+", "serial": "A", "eeprom": {"5": 1.5}}]})",
                "devices[0].eeprom.5: must be a text"},
        Refusal{
            R"({"devices": [{"model": "HR2000+", "serial": "A", "eeprom": {"5": "0123456789ABCDEF"}}]})",
            "devices[0].eeprom.5: holds at most 15 bytes"},
        Refusal{
            R"({"devices": [{"model": "HR2000+", "serial": "A", "faults": {"fail_opcodes": [256]}}]})",
            "devices[0].faults.fail_opcodes: must be an array of integers from 0 to 255"},
        Refusal{
            R"({"devices": [{"model": "Jaz", "serial": "A", "faults": {"bad_sync_at_spectrum": 0}}]})",
            "devices[0].faults.bad_sync_at_spectrum: the frames of the Jaz have no sync byte"},
        Refusal{R"({"devices": [{"model": "HR2000+", "serial": "A"}, {"model": "Flame-NIR",
                    "serial": "B", "faults": {"bad_sync_at_spectrum": 3}}]})",
                "devices[1].faults.bad_sync_at_spectrum: the frames of the Flame-NIR have no sync "
                "byte"},
        Refusal{
            R"({"devices": [{"model": "HR2000+", "serial": "A", "faults": {"disconnect": 1}}]})",
            "devices[0].faults: unknown key \"disconnect\""},
        Refusal{R"({"devices": [{"model": "HR2000+", "serial": "A", "colour": "red"}]})",
                "devices[0]: unknown key \"colour\""},
        // Keys that mean nothing to the other protocol's units.
        Refusal{R"({"devices": [{"model": "QE-PRO", "serial": "A",
                    "faults": {"bad_sync_at_spectrum": 2}}]})",
                "devices[0].faults.bad_sync_at_spectrum: the QE-PRO sends framed messages, which "
                "have no sync byte"},
        Refusal{
            R"({"devices": [{"model": "STS", "serial": "A", "faults": {"fail_opcodes": [9]}}]})",
            "devices[0].faults.fail_opcodes: the STS takes framed messages, not opcodes (use "
            "\"nack_message_types\")"},
        Refusal{R"({"devices": [{"model": "HR2000+", "serial": "A",
                    "faults": {"nack_message_types": [256]}}]})",
                "devices[0].faults.nack_message_types: the HR2000+ takes single-byte commands, not "
                "framed messages (use \"fail_opcodes\")"},
        Refusal{R"({"devices": [{"model": "Spark", "serial": "A", "eeprom": {"5": "1"}}]})",
                "devices[0].eeprom: the Spark has no information slots"},
        Refusal{R"({"devices": [{"model": "Blaze", "serial": "A", "fpga_version": 1}]})",
                "devices[0].fpga_version: the Blaze has no FPGA register"},
        Refusal{R"({"devices": [{"model": "Ventana", "serial": "A",
                    "faults": {"nack_message_types": "0x00000100"}}]})",
                "devices[0].faults.nack_message_types: must be an array of message types "
                "(integers from 0 to 4294967295 or texts such as \"0x00110110\")"},
        Refusal{R"({"devices": [{"model": "Ventana", "serial": "A",
                    "faults": {"nack_message_types": [4294967296]}}]})",
                "devices[0].faults.nack_message_types: must be an array of message types "
                "(integers from 0 to 4294967295 or texts such as \"0x00110110\")"},
        Refusal{R"({"devices": [{"model": "Ventana", "serial": "A",
                    "faults": {"nack_message_types": ["0x1G"]}}]})",
                "devices[0].faults.nack_message_types: must be an array of message types "
                "(integers from 0 to 4294967295 or texts such as \"0x00110110\")"},
        Refusal{R"({"devices": [{"model": "Ventana", "serial": "A",
                    "faults": {"nack_message_types": ["0x123456789"]}}]})",
                "devices[0].faults.nack_message_types: must be an array of message types "
                "(integers from 0 to 4294967295 or texts such as \"0x00110110\")"}));

TEST(SimBenchConfig, BrokenJsonAndMissingFilesAreRefusedWithTheReason) {
    try {
        parseBench("{\"devices\": [");
        FAIL();
    } catch (const BenchError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("not valid JSON: ", 0), 0u) << error.what();
    }
    try {
        readBenchFile("/nonexistent/bench.json");
        FAIL();
    } catch (const BenchError& error) {
        EXPECT_STREQ(error.what(), "the file cannot be read");
    }
}

}  // namespace
}  // namespace spectro::sim
