#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "app/Configuration.h"
#include "app/support/ProgramRunner.h"
#include "app/support/TempDir.h"

namespace quillfen {
namespace {

using quillfen::testing::TempDir;
using ::testing::internal::CaptureStderr;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStderr;
using ::testing::internal::GetCapturedStdout;

struct Read {
    std::vector<SpectrometerRecord> records;
    std::string out;
    std::string err;
};

Read readText(const std::string& content) {
    TempDir dir;
    const std::string path = dir.write("config.json", content);
    CaptureStdout();
    CaptureStderr();
    Read result;
    result.records = readConfiguration(path);
    result.out = GetCapturedStdout();
    result.err = GetCapturedStderr();
    return result;
}

bool allPlaceholders(const std::vector<SpectrometerRecord>& records) {
    if (records.size() != 32) {
        return false;
    }
    for (const auto& r : records) {
        if (r.slot != -2 || r.integrationTime_us != 2000 || r.spectraCount != 2 ||
            r.triggerType != 0 || !r.serialNumber.empty() || !r.name.empty() ||
            !r.dataFilePath.empty() || !r.spectra.empty() || !r.wavelengths.empty() ||
            !r.timeDifferences.empty()) {
            return false;
        }
    }
    return true;
}

TEST(ReadConfiguration, ReadsEntriesWithTheirDefaults) {
    const auto read = readText(R"([
        {"SerialNumber": "HR+C1834", "SpectrometerName": "Halpha", "IntegrationTime_us": 4000,
         "Spectra": 20, "TriggerType": "Hardware", "DataFilePath": "D:/data\\a_{shot}.h5",
         "Comment": "ignored"},
        {"SerialNumber": "X"}
    ])");
    ASSERT_EQ(read.records.size(), 2u);
    const auto& a = read.records[0];
    EXPECT_EQ(a.serialNumber, "HR+C1834");
    EXPECT_EQ(a.name, "Halpha");
    EXPECT_EQ(a.integrationTime_us, 4000u);
    EXPECT_EQ(a.spectraCount, 20);
    EXPECT_EQ(a.triggerType, 1);
    EXPECT_EQ(a.dataFilePath, "D:/data/a_{shot}.h5");  // both separators become this platform's
    EXPECT_EQ(a.slot, -1);
    const auto& x = read.records[1];
    EXPECT_EQ(x.name, "X");
    EXPECT_EQ(x.integrationTime_us, 2000u);
    EXPECT_EQ(x.spectraCount, 2);
    EXPECT_EQ(x.triggerType, 0);
    EXPECT_EQ(x.dataFilePath, "X_{shot}.h5");
    EXPECT_TRUE(x.spectra.empty());
    EXPECT_EQ(read.out,
              "List of active spectrometers from JSON (2):\n"
              " 0 HR+C1834 alias Halpha\n"
              " 1 X alias X\n");
    EXPECT_EQ(read.err, "");
}

TEST(ReadConfiguration, NumbersAreWholeThirtyTwoBitValues) {
    const auto read = readText(R"([
        {"SerialNumber": "A", "IntegrationTime_us": -1, "Spectra": 3.9},
        {"SerialNumber": "B", "IntegrationTime_us": 2999.9, "Spectra": 0},
        {"SerialNumber": "C", "IntegrationTime_us": 4294967295}
    ])");
    ASSERT_EQ(read.records.size(), 3u);
    EXPECT_EQ(read.records[0].integrationTime_us, 4294967295u);  // setup clamps it to the maximum
    EXPECT_EQ(read.records[0].spectraCount, 3);
    EXPECT_EQ(read.records[1].integrationTime_us, 2999u);
    EXPECT_EQ(read.records[1].spectraCount, 0);
    EXPECT_EQ(read.records[2].integrationTime_us, 4294967295u);
}

struct SkipCase {
    std::string entry;
    std::string reason;
    friend std::ostream& operator<<(std::ostream& out, const SkipCase& c) { return out << c.entry; }
};

class SkippedEntry : public ::testing::TestWithParam<SkipCase> {};

TEST_P(SkippedEntry, IsReportedAndTheOthersStay) {
    const auto read = readText("[" + GetParam().entry + R"(, {"SerialNumber": "OK"}])");
    ASSERT_EQ(read.records.size(), 1u);
    EXPECT_EQ(read.records[0].serialNumber, "OK");
    EXPECT_EQ(read.out, "Skipping spectrometer #0 due to: " + GetParam().reason +
                            "\nList of active spectrometers from JSON (2):\n 0 OK alias OK\n");
    EXPECT_EQ(read.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Entries, SkippedEntry,
    ::testing::Values(SkipCase{R"({"SerialNumber": "A", "IntegrationTime_us": "1000"})",
                               "\"IntegrationTime_us\" must be a number, but is string"},
                      SkipCase{R"({"SerialNumber": 7})",
                               "\"SerialNumber\" must be a string, but is number"},
                      SkipCase{R"({"SerialNumber": "A", "Enabled": "no"})",
                               "\"Enabled\" must be a boolean, but is string"},
                      SkipCase{R"({"SerialNumber": "A", "Spectra": true})",
                               "\"Spectra\" must be a number, but is boolean"},
                      SkipCase{R"({"SerialNumber": "A", "Spectra": -5})",
                               "\"Spectra\" must not be negative (-5)"},
                      SkipCase{R"({"SerialNumber": "A", "Spectra": 2147483648})",
                               "\"Spectra\" is out of range (2147483648)"},
                      SkipCase{R"({"SerialNumber": "A", "IntegrationTime_us": 1e12})",
                               "\"IntegrationTime_us\" is out of range (1000000000000.0)"},
                      SkipCase{R"({"SerialNumber": "A", "IntegrationTime_us": -2147483649})",
                               "\"IntegrationTime_us\" is out of range (-2147483649)"},
                      SkipCase{R"("HR+C1834")", "the entry is string, not an object"}));

TEST(ReadConfiguration, EmptyOrDisabledConfigurationMeansDiscoverAll) {
    struct Case {
        std::string content;
        std::string listing;
    };
    for (const Case& c :
         {Case{"[]", "(0)"}, Case{"{}", "(0)"}, Case{"null", "(0)"},
          Case{R"([{"Enabled": false}, {"SerialNumber": "A", "Enabled": false}])", "(2)"}}) {
        SCOPED_TRACE(c.content);
        const auto read = readText(c.content);
        EXPECT_TRUE(allPlaceholders(read.records));
        EXPECT_EQ(read.out, "List of active spectrometers from JSON " + c.listing + ":\n");
    }
}

TEST(ReadConfiguration, MissingSerialNumberIsSkippedWithItsOwnMessage) {
    const auto read = readText(R"([{"SpectrometerName": "nameless"}])");
    EXPECT_TRUE(allPlaceholders(read.records));
    EXPECT_EQ(read.out,
              "Skipping spectrometer #0 due to insufficient SerialNumber.\n"
              "List of active spectrometers from JSON (1):\n");
}

TEST(ReadConfiguration, RootThatIsNotAnArraySkipsItsEntries) {
    const auto read = readText(R"({"a": 1})");
    EXPECT_TRUE(allPlaceholders(read.records));
    EXPECT_EQ(read.out,
              "Skipping spectrometer #0 due to: [json.exception.type_error.304] cannot use at() "
              "with object\nList of active spectrometers from JSON (1):\n");
}

TEST(ReadConfiguration, UnsupportedTriggerTypeMessageHasNoLineEnd) {
    const auto read = readText(R"([{"SerialNumber": "A", "TriggerType": "hardware"}])");
    ASSERT_EQ(read.records.size(), 1u);
    EXPECT_EQ(read.records[0].triggerType, 0);
    EXPECT_EQ(read.out,
              "Unsupported TriggerType value, using default, see help.List of active spectrometers "
              "from JSON (1):\n 0 A alias A\n");
}

TEST(ReadConfiguration, SkipsAByteOrderMark) {
    const auto read = readText("\xEF\xBB\xBF[{\"SerialNumber\": \"A\"}]");
    ASSERT_EQ(read.records.size(), 1u);
    EXPECT_EQ(read.records[0].serialNumber, "A");
}

TEST(ReadConfiguration, SyntaxErrorsGiveAnEmptyList) {
    struct Case {
        std::string content;
        std::string message;
    };
    for (const Case& c :
         {Case{"",
               "message: [json.exception.parse_error.101] parse error at line 1, column 1: "
               "syntax error while parsing value - unexpected end of input; expected '[', "
               "'{', or a literal\nexception id: 101\nbyte position of error: 1\n"},
          Case{"[] x",
               "message: [json.exception.parse_error.101] parse error at line 1, column 4: "
               "syntax error while parsing value - invalid literal; last read: '[] x'; "
               "expected end of input\nexception id: 101\nbyte position of error: 4\n"},
          Case{"[] // note",
               "message: [json.exception.parse_error.101] parse error at line 1, "
               "column 4: syntax error while parsing value - invalid literal; last "
               "read: '[] /'; expected end of input\nexception id: 101\nbyte "
               "position of error: 4\n"}}) {
        SCOPED_TRACE(c.content);
        const auto read = readText(c.content);
        EXPECT_TRUE(read.records.empty());
        EXPECT_EQ(read.out, c.message);
        const auto status = nlohmann::json::parse(read.err);
        EXPECT_EQ(status["st"], 100);
        EXPECT_EQ(status["msg"], "Configuration parsing failed");
    }
}

TEST(ReadConfiguration, UnopenableFileGivesAnEmptyList) {
    TempDir dir;
    for (const std::string& path : {dir.file("missing.json"), dir.path().string()}) {
        CaptureStdout();
        CaptureStderr();
        EXPECT_TRUE(readConfiguration(path).empty());
        EXPECT_EQ(GetCapturedStdout(), "Unable to open configuration file.\n");
        const auto status = nlohmann::json::parse(GetCapturedStderr());
        EXPECT_EQ(status["msg"], "Unable to open configuration");
        EXPECT_EQ(status["st"], 100);
    }
}

std::vector<SpectrometerRecord> twoRecords() {
    std::vector<SpectrometerRecord> records(2);
    records[0].serialNumber = "HR+C1834";
    records[0].name = "Halpha";
    records[0].integrationTime_us = 4294967295u;
    records[0].spectraCount = 20;
    records[0].triggerType = 1;
    records[0].dataFilePath = "data/Halpha_1000.h5";
    records[1].serialNumber = "S\xFF";  // not UTF-8: a device may report anything
    records[1].name = "VIS";
    return records;
}

TEST(WriteConfiguration, WritesCompactJsonAndReturnsTheIndentedForm) {
    TempDir dir;
    const std::string path = dir.write("out.json", "previous content that is longer");
    CaptureStdout();
    const std::string indented = writeConfiguration(path, twoRecords());
    EXPECT_EQ(GetCapturedStdout(), "Saving output configuration JSON to " + path + "\n");
    EXPECT_EQ(quillfen::testing::readFile(path),
              R"([{"DataFilePath":"data/Halpha_1000.h5","IntegrationTime_us":4294967295,)"
              R"("SerialNumber":"HR+C1834","Spectra":20,"SpectrometerName":"Halpha",)"
              R"("TriggerType":"Hardware"},{"DataFilePath":"","IntegrationTime_us":2000,)"
              "\"SerialNumber\":\"S\xEF\xBF\xBD\",\"Spectra\":2,\"SpectrometerName\":\"VIS\","
              R"("TriggerType":"Software"}])");
    EXPECT_EQ(indented.substr(0, 60),
              "[\n    {\n        \"DataFilePath\": \"data/Halpha_1000.h5\",\n     ");
}

TEST(WriteConfiguration, ReadsBackAsTheSameRecords) {
    TempDir dir;
    auto records = twoRecords();
    records[1].serialNumber = "HR+C0732";
    CaptureStdout();
    writeConfiguration(dir.file("out.json"), records);
    const auto back = readConfiguration(dir.file("out.json"));
    GetCapturedStdout();
    ASSERT_EQ(back.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(back[i].serialNumber, records[i].serialNumber);
        EXPECT_EQ(back[i].name, records[i].name);
        EXPECT_EQ(back[i].integrationTime_us, records[i].integrationTime_us);
        EXPECT_EQ(back[i].spectraCount, records[i].spectraCount);
        EXPECT_EQ(back[i].triggerType, records[i].triggerType);
        EXPECT_EQ(back[i].dataFilePath, records[i].dataFilePath);
    }
}

TEST(WriteConfiguration, WritesNothingWithoutPathOrRecords) {
    TempDir dir;
    CaptureStdout();
    CaptureStderr();
    EXPECT_EQ(writeConfiguration("", twoRecords()).front(), '[');
    EXPECT_EQ(writeConfiguration(dir.file("empty.json"), {}), "[]");
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_FALSE(std::filesystem::exists(dir.file("empty.json")));
}

TEST(WriteConfiguration, ReportsAFileThatCannotBeWritten) {
    TempDir dir;
    const std::string path = dir.file("no-such-folder/out.json");
    CaptureStdout();
    CaptureStderr();
    writeConfiguration(path, twoRecords());
    EXPECT_EQ(GetCapturedStdout(), "Saving output configuration JSON to " + path +
                                       "\nUnable to open output configuration JSON file.\n");
    const auto status = nlohmann::json::parse(GetCapturedStderr());
    EXPECT_EQ(status["msg"], "Writing configuration failed");
    EXPECT_EQ(status["st"], 100);
}

TEST(WriteConfiguration, ReportsAWriteThatFails) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full on this machine";
    }
    CaptureStdout();
    CaptureStderr();
    writeConfiguration("/dev/full", twoRecords());
    EXPECT_EQ(GetCapturedStdout(),
              "Saving output configuration JSON to /dev/full\n"
              "Unable to write output configuration JSON file.\n");
    EXPECT_EQ(nlohmann::json::parse(GetCapturedStderr())["msg"], "Writing configuration failed");
}

}  // namespace
}  // namespace quillfen
