#pragma once

#include "support/ChildProcess.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

// `tarvex-cli bridge` as a separate process, as a service manager runs it: started with its arguments,
// its standard error kept in bridge.log in the folder, ended by a signal.
class BridgeProcess {
public:
    BridgeProcess(const std::vector<std::string>& bridgeArguments, const std::filesystem::path& folder)
        : logPath_(folder / "bridge.log") {
        std::vector<std::string> arguments{TARVEX_CLI_PATH, "bridge"};
        arguments.insert(arguments.end(), bridgeArguments.begin(), bridgeArguments.end());
        pid_ = spawnChild(arguments, -1, -1, logPath_.string());
    }
    ~BridgeProcess() {
        if (pid_ > 0)
            killChild(pid_);
    }
    BridgeProcess(const BridgeProcess&) = delete;
    BridgeProcess& operator=(const BridgeProcess&) = delete;

    // Its exit status once it ended within the limit (128 + N for signal N), else nothing.
    std::optional<int> exitStatus(std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        if (pid_ <= 0)
            return exited_;
        exited_ = waitForExit(pid_, limit);
        if (exited_)
            pid_ = -1;
        return exited_;
    }

    // Sends the signal (once it still runs: a pid of -1 would signal every process) and waits for the exit
    // status.
    std::optional<int> stop(int signal = SIGTERM) {
        if (pid_ > 0)
            ::kill(pid_, signal);
        return exitStatus();
    }

    bool running() const { return pid_ > 0; }

    pid_t pid() const { return pid_; }

    std::string log() const {
        std::ifstream file(logPath_);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

private:
    std::filesystem::path logPath_;
    pid_t pid_ = -1;
    std::optional<int> exited_;
};
