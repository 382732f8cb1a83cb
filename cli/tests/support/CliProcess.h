#pragma once

#include "support/ChildProcess.h"
#include "support/PipeLineReader.h"

#include <chrono>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

// tarvex-cli running as a separate process in the current folder, as a script runs it: its standard
// output read line by line as it comes, its standard error kept in a file for the test to read.
class CliProcess {
public:
    using Clock = std::chrono::steady_clock;

    explicit CliProcess(const std::vector<std::string>& arguments)
        : errorPath_(std::filesystem::current_path() /
                     ("tarvex-cli-stderr-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)))) {
        std::vector<std::string> all{TARVEX_CLI_PATH};
        all.insert(all.end(), arguments.begin(), arguments.end());
        int fromChild[2];
        if (::pipe2(fromChild, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
        pid_ = spawnChild(all, -1, fromChild[1], errorPath_.string());
        ::close(fromChild[1]);
        output_ = fromChild[0];
        lines_ = PipeLineReader(output_);
    }
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;
    ~CliProcess() {
        if (pid_ > 0)
            killChild(pid_);
        ::close(output_);
        std::error_code ignored;
        std::filesystem::remove(errorPath_, ignored);
    }

    // The next line of its standard output; nothing when none came within the limit or the output ended.
    std::optional<std::string> readLine(std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        return lines_.readLine(limit);
    }

    // Every remaining line of its standard output, up to its end.
    std::vector<std::string> remainingLines(std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        std::vector<std::string> lines;
        const auto deadline = Clock::now() + limit;
        while (auto line =
                   readLine(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())))
            lines.push_back(*line);
        return lines;
    }

    void signal(int number) const { ::kill(pid_, number); }

    // Its exit status (128 + the signal's number when a signal ended it), or nothing within the limit.
    std::optional<int> exitStatus(std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        if (pid_ > 0) {
            status_ = waitForExit(pid_, limit);
            if (status_)
                pid_ = -1;
        }
        return status_;
    }

    std::string errors() const {
        std::ifstream file(errorPath_);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

private:
    std::filesystem::path errorPath_;
    pid_t pid_ = -1;
    int output_ = -1;
    std::optional<int> status_;
    PipeLineReader lines_;
};

// Runs tarvex-cli to its end: its exit status, standard output and standard error.
struct CliRun {
    int status;
    std::vector<std::string> lines;
    std::string errors;
};

inline CliRun runCli(const std::vector<std::string>& arguments) {
    CliProcess cli(arguments);
    auto lines = cli.remainingLines();
    const auto status = cli.exitStatus();
    return {status.value_or(-1), lines, cli.errors()};
}
