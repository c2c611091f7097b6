#include "support/Subprocess.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace quillfen::testing {

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
                      const std::map<std::string, std::string>& environment,
                      const std::string& input, std::chrono::seconds timeout) {
    char folder[] = "/tmp/quillfen-run-XXXXXX";
    if (mkdtemp(folder) == nullptr) return {};
    const std::string inPath = std::string(folder) + "/in";
    const std::string outPath = std::string(folder) + "/out";
    const std::string errPath = std::string(folder) + "/err";
    std::ofstream(inPath, std::ios::binary) << input;

    std::vector<std::string> argvText{program};
    argvText.insert(argvText.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : argvText) argv.push_back(argument.data());
    argv.push_back(nullptr);

    const pid_t child = fork();
    if (child == 0) {
        const int in = open(inPath.c_str(), O_RDONLY);
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
        execv(argv[0], argv.data());
        _exit(127);
    }
    ProgramRun run;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    pid_t ended = 0;
    while (child > 0 && (ended = waitpid(child, &status, WNOHANG)) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            run.timedOut = true;
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

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

}  // namespace quillfen::testing
