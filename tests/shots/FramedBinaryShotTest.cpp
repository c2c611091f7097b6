// A shot with framed-binary units beside a legacy one: the STS and the QE-PRO are found,
// identified, set up and saved with the HR2000+, and the verbose dump shows their messages
// byte for byte. The framed-binary units have no burst collection: their files hold zero
// spectra of their pixel count, their own wavelengths, and no board temperature.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ShotChecks.h"
#include "ShotFileReader.h"
#include "ShotRun.h"

namespace quillfen::shots {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;

const char* const MIXED_BENCH = R"({"timing": "fast", "trigger": {"after_armed_ms": 50},
    "devices": [
        {"model": "STS", "serial": "STS00417", "pattern": "ramp", "high_speed": false},
        {"model": "QE-PRO", "serial": "QEP01234", "pattern": "ramp16"},
        {"model": "HR2000+", "serial": "HR+C1834", "pattern": "ramp"}]})";

const char* const MIXED_CONFIGURATION = R"([
    {"SerialNumber": "STS00417", "SpectrometerName": "STS", "IntegrationTime_us": 2000,
     "Spectra": 3, "TriggerType": "Hardware", "DataFilePath": "shots/STS_{shot}.h5"},
    {"SerialNumber": "QEP01234", "SpectrometerName": "QEPRO", "IntegrationTime_us": 20000,
     "Spectra": 3, "TriggerType": "Hardware", "DataFilePath": "shots/QEPRO_{shot}.h5"},
    {"SerialNumber": "HR+C1834", "SpectrometerName": "Halpha", "IntegrationTime_us": 4000,
     "Spectra": 3, "TriggerType": "Hardware", "DataFilePath": "shots/Halpha_{shot}.h5"}])";

const std::vector<std::string> MIXED_ARGUMENTS{"-a", "-v", "-i", "config.json", "-s", "7"};

// The host asking the QE-PRO for its serial number, and the unit's answer "QEP01234".
const std::vector<std::string> SERIAL_QUERY_AND_REPLY{
    ">> Transferring 64 bytes via endpoint 0x01:",
    "Endpoint 0x01 transferred 64 bytes out:",
    "[0000]: C1 C0 00 11 00 00 00 00 00 01 00 00 00 00 00 00 ",
    "[0010]: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 ",
    "[0020]: 00 00 00 00 00 00 00 00 14 00 00 00 00 00 00 00 ",
    "[0030]: 00 00 00 00 00 00 00 00 00 00 00 00 C5 C4 C3 C2 ",
    "[0040]: ",
    "<< Transferring 64 bytes via endpoint 0x81:",
    "Endpoint 0x81 transferred 64 bytes in:",
    "[0000]: C1 C0 00 11 00 00 00 00 00 01 00 00 00 00 00 00 ",
    "[0010]: 00 00 00 00 00 00 00 09 51 45 50 30 31 32 33 34 ",
    "[0020]: 00 00 00 00 00 00 00 00 14 00 00 00 00 00 00 00 ",
    "[0030]: 00 00 00 00 00 00 00 00 00 00 00 00 C5 C4 C3 C2 ",
    "[0040]: ",
};

// A 64-byte framed message of `type` (little-endian) leaves for the unit on OUT 0x01.
std::string messageStart(const std::string& typeBytes, const std::string& flags = "00 00") {
    return "[0000]: C1 C0 00 11 " + flags + " 00 00 " + typeBytes + " 00 00 00 00 ";
}

void expectMixedShot(const Shot& shot, const ShotFolder& folder) {
    EXPECT_EQ(shot.exitCode, 0);
    // The factory's order puts the HR2000+ first, then the QE-PRO, then the STS.
    EXPECT_TRUE(containsInOrder(
        shot.outLines,
        {" Spectrometer[0] model: HR2000PLUS", " Spectrometer[0] serial number: HR+C1834",
         " Spectrometer[1] model: QE-PRO", " Spectrometer[1] serial number: QEP01234",
         " Spectrometer[2] model: STS", " Spectrometer[2] serial number: STS00417",
         "Setting spectrometer STS00417 (STS)", "   Spectrum length is 1024", " Done",
         "Setting spectrometer QEP01234 (QEPRO)", "   Spectrum length is 1044", " Done",
         "Setting spectrometer HR+C1834 (Halpha)", "   Spectrum length is 2048", " Done",
         "Collecting spectra", "Acquisition statistic for spectrometer STS00417 (STS)",
         " Temperature: nan" + DEGREES_CELSIUS}));
    EXPECT_THAT(statusesWithCode(shot, 7),
                ElementsAre(Status{7, "File saved", "STS"}, Status{7, "File saved", "QEPRO"},
                            Status{7, "File saved", "Halpha"}));
    EXPECT_NE(std::search(shot.dumpLines.begin(), shot.dumpLines.end(),
                          SERIAL_QUERY_AND_REPLY.begin(), SERIAL_QUERY_AND_REPLY.end()),
              shot.dumpLines.end())
        << "the QE-PRO's serial number query and reply are not in the dump";
    const auto has = [&](const std::string& line) {
        return std::find(shot.dumpLines.begin(), shot.dumpLines.end(), line) !=
               shot.dumpLines.end();
    };
    // Integration time and trigger mode ask for an acknowledgement; the STS's spectrum request
    // (0x00101000) and its 2112-byte message, the QE-PRO's buffered request (0x00100928) and
    // its 4272-byte message.
    EXPECT_TRUE(has(messageStart("10 00 11 00", "04 00")));
    EXPECT_TRUE(has(messageStart("10 01 11 00", "04 00")));
    EXPECT_TRUE(has(messageStart("00 10 10 00")));
    EXPECT_TRUE(has("<< Transferring 2112 bytes via endpoint 0x81:"));
    EXPECT_TRUE(has(messageStart("28 09 10 00")));
    EXPECT_TRUE(has("<< Transferring 4272 bytes via endpoint 0x81:"));

    const ShotFileContents sts = readShotFile(folder.file("shots/STS_7.h5"));
    EXPECT_THAT(sts.spectra.shape, ElementsAre(3u, 1024u));
    EXPECT_THAT(sts.spectra.values, Each(0.0));
    ASSERT_EQ(sts.wavelengths.values.size(), 1024u);
    EXPECT_DOUBLE_EQ(sts.wavelengths.values.front(), 350.0);  // the unit's own calibration
    EXPECT_FALSE(sts.spectraAttributes.contains("PCBTemperature"));
    const ShotFileContents qePro = readShotFile(folder.file("shots/QEPRO_7.h5"));
    EXPECT_THAT(qePro.spectra.shape, ElementsAre(3u, 1044u));
    EXPECT_DOUBLE_EQ(qePro.wavelengths.values.front(), 200.0);
    const ShotFileContents halpha = readShotFile(folder.file("shots/Halpha_7.h5"));
    EXPECT_TRUE(holdsRampRows(halpha.spectra, 1, 3));
}

TEST(FramedBinaryShot, STSAndQEProAreIdentifiedSetUpAndSavedBesideAnHR2000Plus) {
    ShotFolder folder;
    folder.writeBench(MIXED_BENCH);
    folder.writeConfiguration(MIXED_CONFIGURATION);
    folder.makeFolder("shots");
    expectMixedShot(runShot(folder, MIXED_ARGUMENTS), folder);
}

TEST(FramedBinaryShot, TheProductionProgramTakesTheSameShotThroughLibusb) {
#ifndef QUILLFEN_USBEMU_EXECUTABLE
    GTEST_SKIP() << "built without the emulated USB bus";
#else
    ShotFolder folder;
    folder.writeBench(MIXED_BENCH);
    folder.writeConfiguration(MIXED_CONFIGURATION);
    folder.makeFolder("shots");
    expectMixedShot(runShotOnUsb(folder, MIXED_ARGUMENTS), folder);
#endif
}

}  // namespace
}  // namespace quillfen::shots
