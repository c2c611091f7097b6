#include "tests/sim/support/RunProgram.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace spectro::sim::test {

namespace {

std::string slurp(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& workingDirectory,
                      const std::map<std::string, std::string>& environment) {
    char folder[] = "/tmp/quillfen-sim-run-XXXXXX";
    if (mkdtemp(folder) == nullptr) return {};
    const std::string outPath = std::string(folder) + "/out";
    const std::string errPath = std::string(folder) + "/err";

    const pid_t child = fork();
    if (child == 0) {
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 ||
            dup2(err, 2) < 0 || chdir(workingDirectory.c_str()) != 0)
            _exit(127);
        for (const auto& [name, value] : environment) {
            if (value.empty())
                unsetenv(name.c_str());
            else
                setenv(name.c_str(), value.c_str(), 1);
        }
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    ProgramRun run;
    int status = 0;
    // A program that hangs is killed after a while and reported with exit code -1.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    pid_t ended = 0;
    while (child > 0 && (ended = waitpid(child, &status, WNOHANG)) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (ended == child && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    run.out = slurp(outPath);
    run.err = slurp(errPath);
    std::filesystem::remove_all(folder);
    return run;
}

}  // namespace spectro::sim::test
