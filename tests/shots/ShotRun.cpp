#include "ShotRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "support/Subprocess.h"

namespace quillfen::shots {

namespace {

// Generous: a shot under ThreadSanitizer on a loaded machine is many times slower, and a few
// shots wait the ten-second settle time.
constexpr std::chrono::seconds SHOT_TIME_LIMIT{150};

Shot collect(const testing::ProgramRun& run, const std::vector<std::string>& arguments) {
    // With -v the USB transfer dump shares standard error with the status lines.
    const bool verbose = std::find(arguments.begin(), arguments.end(), "-v") != arguments.end();
    Shot shot;
    shot.exitCode = run.exitCode;
    shot.timedOut = run.timedOut;
    shot.out = run.out;
    shot.outLines = testing::lines(run.out);
    for (const std::string& line : testing::lines(run.err)) {
        // Standard error carries status lines only: anything else is a fault of its own.
        const auto status = nlohmann::json::parse(line, nullptr, false);
        if (!status.is_object() || !status.contains("st") || !status.contains("msg") ||
            !status.contains("device") || !status.contains("time") ||
            !status["time"].is_number_integer()) {
            if (verbose)
                shot.dumpLines.push_back(line);
            else
                ADD_FAILURE() << "not a status line on standard error: " << line;
            continue;
        }
        shot.statusObjects.push_back(status);
        shot.statuses.emplace_back(status["st"].get<int>(), status["msg"].get<std::string>(),
                                   status["device"].get<std::string>());
    }
    EXPECT_FALSE(shot.timedOut) << "the shot did not end in time:\n" << run.out;
    return shot;
}

}  // namespace

void ShotFolder::writeBench(const std::string& jsonText) const {
    dir.write("bench.json", jsonText);
}

void ShotFolder::writeConfiguration(const std::string& jsonText) const {
    dir.write("config.json", jsonText);
}

void ShotFolder::makeFolder(const std::string& name) const {
    std::filesystem::create_directories(dir.path() / name);
}

bool ShotFolder::exists(const std::string& name) const {
    return std::filesystem::exists(dir.path() / name);
}

std::vector<std::string> ShotFolder::files(const std::string& folder) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path() / folder)) {
        if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

Shot runShot(const ShotFolder& folder, const std::vector<std::string>& arguments) {
    return collect(testing::runProgram(QUILLFEN_SIM_EXECUTABLE, arguments, folder.path(),
                                       {{"QUILLFEN_SIM_BENCH", folder.file("bench.json")}}, "",
                                       SHOT_TIME_LIMIT),
                   arguments);
}

#ifdef QUILLFEN_USBEMU_EXECUTABLE
Shot runShotOnUsb(const ShotFolder& folder, const std::vector<std::string>& arguments) {
    std::vector<std::string> command{folder.file("bench.json"), "--", QUILLFEN_EXECUTABLE};
    command.insert(command.end(), arguments.begin(), arguments.end());
    // The production program reads no bench variable; it is removed so nothing can lean on it.
    return collect(testing::runProgram(QUILLFEN_USBEMU_EXECUTABLE, command, folder.path(),
                                       {{"QUILLFEN_SIM_BENCH", ""}}, "", SHOT_TIME_LIMIT),
                   arguments);
}
#endif

std::vector<Status> statusesWithCode(const Shot& shot, int code) {
    std::vector<Status> found;
    for (const Status& status : shot.statuses) {
        if (std::get<0>(status) == code) found.push_back(status);
    }
    return found;
}

}  // namespace quillfen::shots
