#pragma once

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// The simulator's JSON frame log read as it is written: a named pipe that the simulator takes as its log
// file (--json PATH), read by a thread of ours that hands each line on with the time it arrived. The
// simulator flushes every line, so that time is within a scheduling delay of when it logged the frame:
// it measures on this process's clock what the simulator saw, without comparing two processes' clocks.
// Nothing is stored: a run of hours costs no memory here.
class SimFrameFeed {
public:
    using Clock = std::chrono::steady_clock;
    using Handler = std::function<void(std::string_view line, Clock::time_point arrived)>;

    // Makes the pipe in the folder. Its read end is open before the simulator opens the write end, which
    // therefore never waits for us.
    explicit SimFrameFeed(const std::filesystem::path& folder) : path_(folder / "frames.fifo") {
        if (::mkfifo(path_.c_str(), 0600) != 0)
            throw std::runtime_error("cannot make " + path_.string());
        fd_ = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0)
            throw std::runtime_error("cannot open " + path_.string());
        pending_.reserve(kBufferSize);
    }
    SimFrameFeed(const SimFrameFeed&) = delete;
    SimFrameFeed& operator=(const SimFrameFeed&) = delete;
    ~SimFrameFeed() {
        stop();
        ::close(fd_);
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }

    // What to give the simulator after --json.
    std::string path() const { return path_.string(); }

    // Starts handing lines to the handler, on the feed's own thread.
    void start(Handler handler) {
        handler_ = std::move(handler);
        reader_ = std::thread([this] { read(); });
    }
    // Stops reading; the handler is not called after this returns.
    void stop() {
        running_ = false;
        if (reader_.joinable())
            reader_.join();
    }

private:
    static constexpr std::size_t kBufferSize = 1 << 16;

    void read() {
        char chunk[kBufferSize];
        while (running_) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            const ssize_t n = ::read(fd_, chunk, sizeof chunk);
            if (n <= 0) {
                // No writer yet, or the simulator has gone: nothing to read until one comes.
                if (n == 0 || errno == EAGAIN)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                continue;
            }
            const auto arrived = Clock::now();
            std::string_view text(chunk, static_cast<std::size_t>(n));
            while (!text.empty()) {
                const auto newline = text.find('\n');
                if (newline == std::string_view::npos) {
                    // A line's start; the rest comes with the next read. A line longer than the buffer
                    // is no frame record: it is dropped rather than grown into.
                    if (pending_.size() + text.size() < kBufferSize)
                        pending_.append(text);
                    break;
                }
                if (pending_.empty()) {
                    handler_(text.substr(0, newline), arrived);
                } else {
                    pending_.append(text.substr(0, newline));
                    handler_(pending_, arrived);
                    pending_.clear();
                }
                text.remove_prefix(newline + 1);
            }
        }
    }

    std::filesystem::path path_;
    int fd_ = -1;
    std::string pending_;
    Handler handler_;
    std::atomic<bool> running_{true};
    std::thread reader_;
};
