#pragma once

#include "support/WaitUntil.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// Starts arguments[0] as a child process, its standard input from input (-1: /dev/null), its standard
// output to output (-1: with its errors) and its standard error into the file errorPath. Returns its pid.
inline pid_t spawnChild(std::vector<std::string> arguments, int input, int output,
                        const std::string& errorPath) {
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec: the test process has other threads.
        const int errors = ::open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(input >= 0 ? input : ::open("/dev/null", O_RDONLY), STDIN_FILENO);
        ::dup2(output >= 0 ? output : errors, STDOUT_FILENO);
        ::dup2(errors, STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

// The child's exit status once it has ended within the limit (128 + N when signal N ended it), and the child
// reaped; nothing while it still runs.
inline std::optional<int> waitForExit(pid_t pid, std::chrono::milliseconds limit) {
    int status = 0;
    if (!waitUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, limit))
        return std::nullopt;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Ends the child at once and reaps it, so that no test leaves a process or a zombie behind.
inline void killChild(pid_t pid) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}
