#pragma once

#include "support/ChildProcess.h"
#include "support/WaitUntil.h"

#include <arpa/inet.h>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <netinet/in.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

// Debian's Mosquitto broker as a separate process on a free loopback port, with a configuration of its
// own: anonymous clients, nothing kept on disk, so that a restart forgets every retained message. Its log
// goes to broker.log in the folder, for a failing test to show.
class MosquittoBroker {
public:
    explicit MosquittoBroker(std::filesystem::path folder) : folder_(std::move(folder)) {
        for (int attempt = 0; attempt < 10 && pid_ < 0; ++attempt) {
            port_ = freeTcpPort();
            start();
        }
        if (pid_ < 0)
            throw std::runtime_error("mosquitto did not start:\n" + log());
    }
    ~MosquittoBroker() { kill(); }
    MosquittoBroker(const MosquittoBroker&) = delete;
    MosquittoBroker& operator=(const MosquittoBroker&) = delete;

    int port() const { return port_; }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

    // Gone at once, as a crashed or killed broker is: clients lose their connections without a word.
    void kill() {
        if (pid_ < 0)
            return;
        killChild(pid_);
        pid_ = -1;
    }

    // Starts it again on the same port, with nothing retained; false when it does not come up.
    bool restart() {
        kill();
        // The port was the broker's a moment ago; a new listener may need a few tries to get it back.
        return waitUntil([this] { return start(); }, std::chrono::seconds(20));
    }

    std::string log() const {
        std::ifstream file(folder_ / "broker.log");
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

private:
    static int freeTcpPort() {
        const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        const bool bound = ::bind(probe, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
                           ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0;
        ::close(probe);
        return bound ? ntohs(address.sin_port) : 0;
    }

    bool accepts() const {
        const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port_));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool connected = ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(probe);
        return connected;
    }

    // Starts the broker and waits until it takes connections; false (and nothing left running) when it
    // ends first, its port being taken.
    bool start() {
        const auto config = folder_ / "mosquitto.conf";
        {
            std::ofstream file(config);
            file << "listener " << port_ << " 127.0.0.1\n"
                 << "allow_anonymous true\n"
                 << "persistence false\n"
                 << "log_dest stderr\n"
                 << "log_type error\nlog_type warning\nlog_type notice\nlog_type information\n";
        }
        const std::string logPath = (folder_ / "broker.log").string();
        const std::string configPath = config.string();
        const pid_t pid = ::fork();
        if (pid < 0)
            throw std::runtime_error("fork failed");
        if (pid == 0) {
            // Only async-signal-safe calls between fork and exec: the test process has other threads.
            const int logFile = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            ::dup2(logFile, STDERR_FILENO);
            ::dup2(logFile, STDOUT_FILENO);
            ::execl("/usr/sbin/mosquitto", "mosquitto", "-c", configPath.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        int status = 0;
        bool ended = false;
        const bool up = waitUntil([&] {
            if (::waitpid(pid, &status, WNOHANG) == pid)
                return ended = true;
            return accepts();
        });
        if (up && !ended) {
            pid_ = pid;
            return true;
        }
        if (!ended)
            killChild(pid);
        return false;
    }

    std::filesystem::path folder_;
    int port_ = 0;
    pid_t pid_ = -1;
};
