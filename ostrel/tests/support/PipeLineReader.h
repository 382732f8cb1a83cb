#pragma once

#include <chrono>
#include <optional>
#include <poll.h>
#include <string>
#include <unistd.h>

// Reads a child process's output pipe a line at a time, waiting at most a limit for each line, so that a
// test never hangs on a child that stopped talking.
class PipeLineReader {
public:
    using Clock = std::chrono::steady_clock;

    explicit PipeLineReader(int fd = -1) : fd_(fd) {}

    // The next line without its newline; nothing when none came within the limit or the output ended.
    std::optional<std::string> readLine(std::chrono::milliseconds limit) {
        const auto deadline = Clock::now() + limit;
        while (true) {
            const auto newline = pending_.find('\n');
            if (newline != std::string::npos) {
                std::string line = pending_.substr(0, newline);
                pending_.erase(0, newline + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd p{fd_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
                return std::nullopt;
            char chunk[4096];
            const ssize_t n = ::read(fd_, chunk, sizeof chunk);
            if (n <= 0)
                return std::nullopt;
            pending_.append(chunk, static_cast<std::size_t>(n));
        }
    }

private:
    int fd_;
    std::string pending_;
};
