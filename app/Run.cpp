#include "app/Run.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include "app/Acquisition.h"
#include "app/AppStatus.h"
#include "app/Configuration.h"
#include "app/Console.h"
#include "app/Discovery.h"
#include "app/Options.h"
#include "app/Setup.h"
#include "device/api/SpectroWrapper.h"
#include "device/buses/usb/platform/USB.h"

namespace quillfen {

namespace {

// The run's modes and settings, taken from the command line.
struct RunSettings {
    bool automatic = false;
    bool verbose = false;
    bool triggerOverride = false;  // every spectrometer in trigger mode 0, "Software"
    std::string inputPath;
    std::string outputPath;  // empty: no corrected configuration
    std::int32_t shotNumber = 0;
};

// Best effort: without the privilege the run goes on at normal priority.
void raiseProcessPriority() { setpriority(PRIO_PROCESS, 0, -10); }

void reportCommandLineError() { emitStatus(AppStatus().error("Command line argument error")); }

void applyModes(const CommandLine& commandLine, RunSettings& settings) {
    if (!commandLine[AUTOMATIC].empty()) {
        settings.automatic = true;
        std::cout << "Automatic mode activated." << std::endl;
    }
    if (!commandLine[VERBOSE].empty()) {
        settings.verbose = true;
        std::cout << "Verbose output is set." << std::endl;
    }
    if (!commandLine[TRIGGER].empty() && commandLine[TRIGGER].back().argument == "sw") {
        settings.triggerOverride = true;
        std::cout << "Trigger overwritten on sw." << std::endl;
    }
}

void reportUnusedArguments(const CommandLine& commandLine) {
    for (const auto& unknown : commandLine[UNMATCHED]) {
        std::cout << "CommandLine Error - Unknown option: " << unknown.name << std::endl;
    }
    for (std::size_t i = 0; i < commandLine.nonOptions.size(); ++i) {
        std::cout << "CommandLine Error - Non option #" << i << ": " << commandLine.nonOptions[i]
                  << std::endl;
    }
}

// Reads input, output and shot number. Returns false when the run cannot go on.
bool applyPaths(const CommandLine& commandLine, RunSettings& settings) {
    if (commandLine[INPUT].size() != 1) {
        std::cout << "A single input configuration is required." << std::endl;
        reportCommandLineError();
        if (!settings.automatic) {
            waitForEnter();
        }
        return false;
    }
    settings.inputPath = *commandLine[INPUT].front().argument;
    std::cout << "Input configuration: " << settings.inputPath << std::endl;

    const auto& outputs = commandLine[OUTPUT];
    if (outputs.empty()) {
        std::cout << "Output configuration (JSON) path is not set." << std::endl;
    } else if (outputs.size() == 1) {
        settings.outputPath = *outputs.front().argument;
        std::cout << "Output configuration: " << settings.outputPath << std::endl;
    } else {
        std::cout << "A single output configuration is required, path is not set." << std::endl;
        reportCommandLineError();
    }

    const auto& shots = commandLine[SHOT];
    if (shots.empty()) {
        std::cout << "Default shot number " << 0 << " is set." << std::endl;
    } else if (shots.size() == 1) {
        settings.shotNumber = shotNumberOf(*shots.front().argument);
        std::cout << "Shot number is: " << settings.shotNumber << std::endl;
    } else {
        std::cout << "A single shot number is required, using default " << 0 << "." << std::endl;
        reportCommandLineError();
    }
    return true;
}

// Lets the set-up spectrometers settle: five integration times of the slowest one, at most
// ten seconds. Computed wide so that a huge integration time cannot wrap to a short wait.
std::chrono::milliseconds settleWait(const std::vector<SpectrometerRecord>& records) {
    std::uint64_t largest = 0;
    for (const auto& record : records) {
        largest = std::max<std::uint64_t>(largest, record.integrationTime_us);
    }
    return std::chrono::milliseconds(std::min<std::uint64_t>(5 * largest / 1000, 10000));
}

}  // namespace

int run(int argc, char** argv) {
    emitStatus(::AppStatus().identification());
    raiseProcessPriority();
    emitStatus(AppStatus().message(STATUS_INITIALIZATION, "Initialization", ""));

    const std::string programName = argc > 0 && argv[0] != nullptr ? argv[0] : "";
    const std::vector<std::string> arguments(argv + std::min(argc, 1), argv + std::max(argc, 0));

    const auto commandLine = parseCommandLine(arguments, std::cout);
    if (!commandLine) {
        std::cout << "Parsing error. -> ending." << std::endl;
        reportCommandLineError();
        return 1;
    }

    RunSettings settings;
    applyModes(*commandLine, settings);

    if (!(*commandLine)[HELP].empty() || arguments.empty()) {
        std::cout << usageText(programName) << std::flush;
        if (!settings.automatic) {
            waitForEnter();
        }
        return 0;
    }

    reportUnusedArguments(*commandLine);
    if (!applyPaths(*commandLine, settings)) {
        return 1;
    }

    std::vector<SpectrometerRecord> records = readConfiguration(settings.inputPath);
    emitStatus(AppStatus().message(STATUS_HW_CONFIGURATION, "HW configuration", ""));

    spectro::SpectroWrapper& facade = spectro::SpectroWrapper::getInstance();
    spectro::USB::verbose = settings.verbose;

    const int connected = discoverSpectrometers(facade, records);
    pruneUnmatched(records, connected);

    if (!setupSpectrometers(facade, records, settings.triggerOverride, settings.shotNumber)) {
        closeSpectrometers(&facade, records, settings.automatic);
        return 1;
    }

    sleepMillis(static_cast<unsigned int>(settleWait(records).count()));
    if (!records.empty()) {
        acquireSpectra(facade, records);
    }

    if (!settings.outputPath.empty()) {
        writeConfiguration(settings.outputPath, records);
    }
    closeSpectrometers(&facade, records, settings.automatic);

    emitStatus(AppStatus().message(STATUS_FINISHED, "Finished", ""));
    return 0;
}

}  // namespace quillfen
