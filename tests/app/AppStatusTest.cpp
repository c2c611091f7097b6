#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <sstream>

#include "app/AppStatus.h"

namespace quillfen {
namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStderr;
using ::testing::internal::GetCapturedStdout;

std::string line(const nlohmann::json& status) {
    std::ostringstream out;
    emitStatus(status, out);
    return out.str();
}

// The status line with its time value replaced by T.
std::string shape(const nlohmann::json& status) {
    return std::regex_replace(line(status), std::regex("\"time\":[0-9]+"), "\"time\":T");
}

TEST(StatusLine, IsCompactJsonWithSortedKeysAndACurrentTime) {
    using namespace std::chrono;
    const auto before = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    const auto status = AppStatus().message(STATUS_INITIALIZATION, "Initialization", "");
    const auto after = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    EXPECT_EQ(shape(status), "{\"device\":\"\",\"msg\":\"Initialization\",\"st\":0,\"time\":T}\n");
    EXPECT_GE(status["time"].get<std::int64_t>(), before);
    EXPECT_LE(status["time"].get<std::int64_t>(), after);
}

TEST(StatusLine, Shapes) {
    EXPECT_EQ(shape(AppStatus().error("No spectrometers found.")),
              "{\"device\":\"\",\"msg\":\"No spectrometers found.\",\"st\":100,\"time\":T}\n");
    EXPECT_EQ(shape(AppStatus().warning("Integration time changed.")),
              "{\"device\":\"\",\"msg\":\"Integration time changed.\",\"st\":101,\"time\":T}\n");
    EXPECT_EQ(shape(AppStatus().message(STATUS_HW_CONFIGURATION, "HW configuration", "Halpha")),
              "{\"device\":\"Halpha\",\"msg\":\"HW configuration\",\"st\":1,\"time\":T}\n");
    EXPECT_EQ(shape(AppStatus().fileSaved("Halpha", "HDF5")),
              "{\"device\":\"Halpha\",\"fileType\":\"HDF5\",\"msg\":\"File saved\",\"st\":7,"
              "\"time\":T}\n");
    // A device name that is not UTF-8 must not end the run.
    EXPECT_EQ(shape(AppStatus().message(STATUS_ARMED, "Armed", "A\xC3")),
              "{\"device\":\"A\xEF\xBF\xBD\",\"msg\":\"Armed\",\"st\":2,\"time\":T}\n");
}

TEST(StatusLine, IdentificationNamesTheBuildAndItsLibraries) {
    const auto status = ::AppStatus().identification();
    const std::string text = line(status);
    const std::regex expected(
        R"(\{"build":"[0-9]+","commit":"[0-9a-f]{40}","device":"","hdf5":"[0-9]+\.[0-9]+\.[0-9]+",)"
        R"("msg":"Identification","nlohmann-json":"3\.[0-9]+\.[0-9]+","release":"[0-9]{2}\.[0-9]{2}\.[0-9]+",)"
        R"("spectro":"[0-9]+\.[0-9]+\.[0-9]+","st":6,"time":[0-9]+\}\n)");
    EXPECT_TRUE(std::regex_match(text, expected)) << text;

    // The base class knows nothing of HDF5 or the device library.
    const auto base = AppStatus().identification();
    EXPECT_FALSE(base.contains("hdf5"));
    EXPECT_FALSE(base.contains("spectro"));
    EXPECT_TRUE(base.contains("nlohmann-json"));
}

struct ErrorCase {
    int code;
    std::string line;
    friend std::ostream& operator<<(std::ostream& out, const ErrorCase& c) { return out << c.code; }
};

class CheckError : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(CheckError, PrintsTheLineAndEmitsItAsAnError) {
    CaptureStdout();
    CaptureStderr();
    EXPECT_FALSE(checkError("Get FW version failed", GetParam().code));
    EXPECT_EQ(GetCapturedStdout(), GetParam().line + "\n");
    const auto status = nlohmann::json::parse(GetCapturedStderr());
    EXPECT_EQ(status["st"], 100);
    EXPECT_EQ(status["msg"], GetParam().line);
    EXPECT_EQ(status["device"], "");
}

INSTANTIATE_TEST_SUITE_P(
    Codes, CheckError,
    ::testing::Values(ErrorCase{6, "Get FW version failed, 6: Data transfer error"},
                      ErrorCase{2, "Get FW version failed, 2: No device found"},
                      ErrorCase{8, "Get FW version failed, 8: Error number undefined"},
                      ErrorCase{-1, "Get FW version failed, -1: Error number undefined"}));

TEST(CheckErrorSuccess, PrintsNothing) {
    CaptureStdout();
    CaptureStderr();
    EXPECT_TRUE(checkError("Get FW version failed", 0));
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_EQ(GetCapturedStderr(), "");
}

}  // namespace
}  // namespace quillfen
