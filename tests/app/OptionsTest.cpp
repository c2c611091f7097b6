#include <gtest/gtest.h>

#include <sstream>

#include "app/Options.h"

namespace quillfen {
namespace {

using Args = std::vector<std::string>;

struct RefusedCase {
    Args arguments;
    std::string message;
    friend std::ostream& operator<<(std::ostream& out, const RefusedCase& c) {
        for (const auto& a : c.arguments) {
            out << a << ' ';
        }
        return out;
    }
};

class RefusedArguments : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedArguments, PrintTheCheckMessageOnceAndFail) {
    std::ostringstream messages;
    EXPECT_FALSE(parseCommandLine(GetParam().arguments, messages));
    EXPECT_EQ(messages.str(), GetParam().message);
}

const std::string NON_NEGATIVE = "' requires zero or a positive integer as an argument\n";
const std::string NON_EMPTY = "' requires a non-empty string as an argument\n";

INSTANTIATE_TEST_SUITE_P(
    Checks, RefusedArguments,
    ::testing::Values(RefusedCase{{"-s", "-1"}, "ERROR: Argument 's" + NON_NEGATIVE},
                      RefusedCase{{"-s", "12x"}, "ERROR: Argument 's" + NON_NEGATIVE},
                      RefusedCase{{"-sx"}, "ERROR: Argument 'sx" + NON_NEGATIVE},
                      RefusedCase{{"-s"}, "ERROR: Argument 's" + NON_NEGATIVE},
                      RefusedCase{{"-s", ""}, "ERROR: Argument 's" + NON_NEGATIVE},
                      RefusedCase{{"-s", "5 "}, "ERROR: Argument 's" + NON_NEGATIVE},
                      RefusedCase{{"--shot-number=x"},
                                  "ERROR: Argument '--shot-number=x" + NON_NEGATIVE},
                      RefusedCase{{"-a", "-i"}, "ERROR: Argument 'i" + NON_EMPTY},
                      RefusedCase{{"--input="}, "ERROR: Argument '--input=" + NON_EMPTY},
                      RefusedCase{{"-i", "a", "--output"}, "ERROR: Argument '--output" + NON_EMPTY},
                      RefusedCase{{"-avi"}, "ERROR: Argument 'i" + NON_EMPTY},
                      RefusedCase{{"-s", "2147483648"},
                                  "ERROR: Argument 's' must not be larger than 2147483647\n"}));

std::vector<std::string> names(const std::vector<OptionOccurrence>& occurrences) {
    std::vector<std::string> result;
    for (const auto& o : occurrences) {
        result.push_back(o.name);
    }
    return result;
}

std::vector<std::string> argumentsOf(const std::vector<OptionOccurrence>& occurrences) {
    std::vector<std::string> result;
    for (const auto& o : occurrences) {
        result.push_back(o.argument.value_or("<none>"));
    }
    return result;
}

CommandLine parsed(const Args& arguments) {
    std::ostringstream messages;
    auto result = parseCommandLine(arguments, messages);
    EXPECT_TRUE(result.has_value());
    EXPECT_EQ(messages.str(), "");
    return result.value_or(CommandLine{});
}

TEST(CommandLineParser, TakesArgumentsAttachedSeparateOrAfterEquals) {
    const auto a =
        parsed({"-ifile.json", "--output", "out.json", "--shot-number=0012", "-s", " 7"});
    EXPECT_EQ(argumentsOf(a[INPUT]), Args{"file.json"});
    EXPECT_EQ(argumentsOf(a[OUTPUT]), Args{"out.json"});
    EXPECT_EQ(argumentsOf(a[SHOT]), (Args{"0012", " 7"}));
    EXPECT_EQ(shotNumberOf("0012"), 12);
    EXPECT_EQ(shotNumberOf(" 7"), 7);
    EXPECT_EQ(shotNumberOf("+0"), 0);
    EXPECT_TRUE(a.nonOptions.empty());
}

TEST(CommandLineParser, AnOptionArgumentMayLookLikeAnOption) {
    const auto a = parsed({"-i", "-s", "5"});
    EXPECT_EQ(argumentsOf(a[INPUT]), Args{"-s"});
    EXPECT_TRUE(a[SHOT].empty());
    EXPECT_EQ(a.nonOptions, Args{"5"});
}

TEST(CommandLineParser, GroupsShortOptionsUntilOneTakesTheRest) {
    const auto a = parsed({"-avix.json", "-tsw"});
    EXPECT_EQ(a[AUTOMATIC].size(), 1u);
    EXPECT_EQ(a[VERBOSE].size(), 1u);
    EXPECT_EQ(argumentsOf(a[INPUT]), Args{"x.json"});
    EXPECT_EQ(argumentsOf(a[TRIGGER]), Args{"sw"});
}

TEST(CommandLineParser, RecordsUnknownOptionsWithoutConsumingTheNextArgument) {
    const auto a = parsed({"--in=x.json", "-q", "--help=z", "--HELP", "--hel"});
    EXPECT_EQ(names(a[UNMATCHED]), (Args{"--in", "q", "--HELP", "--hel"}));
    EXPECT_EQ(argumentsOf(a[UNMATCHED]), (Args{"<none>", "<none>", "<none>", "<none>"}));
    EXPECT_EQ(a[HELP].size(), 1u);  // "--help=z": the argument of an option without one is ignored
    EXPECT_TRUE(a[INPUT].empty());
    EXPECT_EQ(a.nonOptions, Args{});
    const auto b = parsed({"-q", "y"});
    EXPECT_EQ(b.nonOptions, Args{"y"});
}

TEST(CommandLineParser, EndsOptionProcessing) {
    EXPECT_EQ(parsed({"-i", "a.json", "file2", "-v"}).nonOptions, (Args{"file2", "-v"}));
    EXPECT_EQ(parsed({"-a", "--", "-i", "x"}).nonOptions, (Args{"-i", "x"}));
    EXPECT_EQ(parsed({"-", "-a"}).nonOptions, (Args{"-", "-a"}));
    EXPECT_TRUE(parsed({"-", "-a"})[AUTOMATIC].empty());
}

TEST(CommandLineParser, KeepsEveryOccurrenceInOrder) {
    const auto a = parsed({"-t", "sw", "--trigger=hw", "-o", "a", "-o", "b"});
    EXPECT_EQ(argumentsOf(a[TRIGGER]), (Args{"sw", "hw"}));
    EXPECT_EQ(argumentsOf(a[OUTPUT]), (Args{"a", "b"}));
}

TEST(UsageText, IsLaidOutAsATableWithTheConfigurationExample) {
    const std::string expected = R"(
USAGE:
-i "configuration.json" -s 1 

OPTIONS:
-h, --help         Print usage and exit.
-i, --input        Specifies the input configuration (JSON) file name.
-o, --output       Specifies the corrected configuration output (JSON) file name.
-s, --shot-number  Specifies the nonnegative shot number e.g. 1000
-a, --automatic    Specifies automatic mode that does not wait on keypress before app finished.
-t, --trigger      Triggers all spectrometers immediately by sw command - value sw, override trigger configuration.
-v, --verbose      Dump internal communication with spectrometers.

Example command:
"./quillfen" -i "Setting.json" -o "SettingOut.json" -s 1

Configuration example:
[
    {
        "DataFilePath": "D:/LocalNodeData/Halpha_{shot}.h5",
        "IntegrationTime_us": 4000,
        "SerialNumber": "HR+C1834",
        "Spectra": 20,
        "SpectrometerName": "Halpha",
        "TriggerType": "Hardware"
    },
    {
        "DataFilePath": "D:/LocalNodeData/VIS_{shot}.h5",
        "IntegrationTime_us": 5000,
        "SerialNumber": "HR+C0732",
        "Spectra": 15,
        "SpectrometerName": "VIS",
        "TriggerType": "Software"
    }
]

TriggerType options:
 "Software"
 "Hardware"

DataFilePath can reference a shot number through {shot}. The paths are insensitive to / or \.
If the input configuration file contains [], or all spectrometers are disabled then the application search for all spectrometers and tries to acquire spectra with the default configuration. The -o option can be used to get a useful configuration file.
The field "Enabled" with values false or true can be in configuration file in order to disable or enable spectrometer.
)";
    EXPECT_EQ(usageText("./quillfen"), expected);
}

}  // namespace
}  // namespace quillfen
