#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>

#include "UdevRuleSyntax.h"
#include "app/support/TempDir.h"
#include "device/buses/usb/SpectrometerUSBInterface.h"
#include "device/common/BusFamilies.h"
#include "device/common/DeviceFactory.h"
#include "support/Subprocess.h"

namespace quillfen::testing {
namespace {

const std::string tagRules = QUILLFEN_UDEV_TAG_RULES;
const std::string uaccessRules = QUILLFEN_UDEV_UACCESS_RULES;
const std::string groupRules = QUILLFEN_UDEV_GROUP_RULES;

std::vector<std::vector<UdevPair>> ruleLines(const std::string& path) {
    std::ifstream in(path);
    EXPECT_TRUE(in) << path;
    std::vector<std::vector<UdevPair>> rules;
    for (std::string line; std::getline(in, line);) {
        auto pairs = parseUdevRuleLine(line);
        if (!pairs.empty()) rules.push_back(std::move(pairs));
    }
    return rules;
}

bool hasPair(const std::vector<UdevPair>& rule, const std::string& key,
             const std::string& attribute, const std::string& op, const std::string& value) {
    for (const UdevPair& pair : rule) {
        if (pair.key == key && pair.attribute == attribute && pair.op == op && pair.value == value)
            return true;
    }
    return false;
}

std::string valueOf(const std::vector<UdevPair>& rule, const std::string& key,
                    const std::string& attribute) {
    for (const UdevPair& pair : rule) {
        if (pair.key == key && pair.attribute == attribute && pair.op == "==") return pair.value;
    }
    return {};
}

// sysfs shows idVendor and idProduct as four lower-case hex digits.
std::string sysfsId(std::int32_t id) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(id));
    return text;
}

TEST(UdevRules, TagEveryUsbModelOfTheFactoryAndNothingElse) {
    std::set<std::pair<std::string, std::string>> factoryIds;
    const spectro::DeviceFactory& factory = spectro::DeviceFactory::getInstance();
    for (int position = 0; position < factory.getNumberOfModels(); ++position) {
        const auto device = factory.createModel(position);
        for (spectro::Bus* bus : device->getBusesByFamily(spectro::BusFamilies().USB)) {
            if (const auto* usb = dynamic_cast<const spectro::SpectrometerUSBInterface*>(bus))
                factoryIds.emplace(sysfsId(usb->getVendorId()), sysfsId(usb->getProductId()));
        }
    }
    ASSERT_FALSE(factoryIds.empty());

    std::set<std::pair<std::string, std::string>> taggedIds;
    for (const auto& rule : ruleLines(tagRules)) {
        if (!hasPair(rule, "ENV", "ID_QUILLFEN", "=", "1")) continue;
        taggedIds.emplace(valueOf(rule, "ATTR", "idVendor"), valueOf(rule, "ATTR", "idProduct"));
    }
    EXPECT_EQ(taggedIds, factoryIds);
    // The USB2000+ (0x101E): a product id with a letter, as sysfs writes it.
    EXPECT_EQ(taggedIds.count({"2457", "101e"}), 1u);
}

TEST(UdevRules, EveryLineIsACommentOrWellFormedPairs) {
    for (const std::string& path : {tagRules, uaccessRules, groupRules}) {
        EXPECT_THAT(checkUdevRulesFile(path), ::testing::IsEmpty()) << path;
    }
}

TEST(UdevRules, UdevadmVerifyAcceptsThem) {
    std::string udevadm;
    for (const char* candidate : {"/usr/bin/udevadm", "/bin/udevadm", "/usr/sbin/udevadm"}) {
        if (std::filesystem::exists(candidate)) udevadm = candidate;
    }
    if (udevadm.empty() || runProgram(udevadm, {"verify", "--help"}, ".").exitCode != 0)
        GTEST_SKIP() << "no udevadm verify here (udev 253 or newer has it)";
    const ProgramRun run = runProgram(
        udevadm, {"verify", "--resolve-names=never", tagRules, uaccessRules, groupRules}, ".");
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
}

TEST(UdevRules, TaggedUnitsGoToTheSeatUserBeforeSeatLateAndOptionallyToTheGroup) {
    const auto fileName = [](const std::string& path) {
        return std::filesystem::path(path).filename().string();
    };
    // udev reads the rules in file-name order: the tag comes first, and 73-seat-late.rules
    // turns the uaccess tag into access for the seat's user only if it was set before.
    EXPECT_LT(fileName(tagRules), fileName(uaccessRules));
    EXPECT_LT(fileName(uaccessRules), std::string("73-seat-late.rules"));
    EXPECT_LT(fileName(tagRules), fileName(groupRules));

    const auto uaccess = ruleLines(uaccessRules);
    ASSERT_EQ(uaccess.size(), 1u);
    EXPECT_TRUE(hasPair(uaccess[0], "ENV", "ID_QUILLFEN", "==", "1"));
    EXPECT_TRUE(hasPair(uaccess[0], "TAG", "", "+=", "uaccess"));

    const auto group = ruleLines(groupRules);
    ASSERT_EQ(group.size(), 1u);
    EXPECT_TRUE(hasPair(group[0], "ENV", "ID_QUILLFEN", "==", "1"));
    EXPECT_TRUE(hasPair(group[0], "GROUP", "", "=", "quillfen"));
}

TEST(UdevRuleSyntax, ReadsPairsAndSkipsCommentsAndBlankLines) {
    EXPECT_TRUE(parseUdevRuleLine("").empty());
    EXPECT_TRUE(parseUdevRuleLine("   ").empty());
    EXPECT_TRUE(parseUdevRuleLine("  # ATTR{x}=broken").empty());

    const auto pairs = parseUdevRuleLine(
        "ATTR{idVendor}==\"2457\",ENV{ID_QUILLFEN}=\"1\" ,  TAG+=\"uaccess\", MODE:=\"0664\"");
    ASSERT_EQ(pairs.size(), 4u);
    EXPECT_EQ(pairs[0].key, "ATTR");
    EXPECT_EQ(pairs[0].attribute, "idVendor");
    EXPECT_EQ(pairs[0].op, "==");
    EXPECT_EQ(pairs[0].value, "2457");
    EXPECT_EQ(pairs[1].op, "=");
    EXPECT_EQ(pairs[2].op, "+=");
    EXPECT_EQ(pairs[2].attribute, "");
    EXPECT_EQ(pairs[3].op, ":=");
}

TEST(UdevRuleSyntax, RefusesMalformedLines) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"ATTRX{idVendor}==\"2457\"", "unknown key ATTRX"},
        {"attr{idVendor}==\"2457\"", "a key must start at column 1"},
        {"ENV==\"1\"", "ENV needs an {attribute}"},
        {"SUBSYSTEM{usb}==\"usb\"", "SUBSYSTEM takes no {attribute}"},
        {"ATTR{idVendor==\"2457\"", "the {attribute} of ATTR is not closed"},
        {"ATTR{idVendor}=~\"2457\"", "the value of ATTR is not in double quotes"},
        {"ATTR{idVendor}\"2457\"", "no operator after ATTR"},
        {"ATTR{idVendor}==2457", "the value of ATTR is not in double quotes"},
        {"ATTR{idVendor}==\"2457", "the value of ATTR has no closing quote"},
        {"ATTR{idVendor}==\"2457\" ATTR{idProduct}==\"1016\"",
         "a comma must follow the value of ATTR"},
        {"TAG+=\"uaccess\",", "nothing after the last comma"},
        {"SUBSYSTEM=\"usb\"", "SUBSYSTEM cannot be assigned"},
        {"GROUP==\"quillfen\"", "GROUP cannot be matched"},
        {"GOTO+=\"quillfen_end\"", "GOTO takes only ="},
        {"ENV{ID_QUILLFEN}==\"1\", \\", "a continued line"},
    };
    for (const auto& [line, message] : cases) {
        try {
            parseUdevRuleLine(line);
            ADD_FAILURE() << "accepted: " << line;
        } catch (const std::invalid_argument& error) {
            EXPECT_EQ(std::string(error.what()), message) << line;
        }
    }
}

TEST(UdevRuleSyntax, FileCheckNamesTheLineAndAGotoWithoutItsLabel) {
    const TempDir folder;
    const std::string path = folder.write("60-broken.rules",
                                          "# a comment\n"
                                          "SUBSYSTEM!=\"usb\", GOTO=\"broken_end\"\n"
                                          "\n"
                                          "ENV{ID_QUILLFEN}=\"1\" TAG+=\"uaccess\"\n");
    EXPECT_THAT(checkUdevRulesFile(path),
                ::testing::ElementsAre("60-broken.rules:4: a comma must follow the value of ENV",
                                       "60-broken.rules: GOTO \"broken_end\" has no LABEL"));
    EXPECT_THAT(checkUdevRulesFile(folder.file("missing.rules")),
                ::testing::ElementsAre("missing.rules: cannot be read"));
}

}  // namespace
}  // namespace quillfen::testing
