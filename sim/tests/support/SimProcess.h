#pragma once

#include "support/ChildProcess.h"
#include "support/JsonLine.h"
#include "support/PipeLineReader.h"
#include "support/WaitUntil.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

// zenvar-sim running as a separate process, as the PC meets terminals: started in a working folder,
// driven through its standard input, watched through its JSON frame log (frames.jsonl in the folder).
// Its readable log and its errors go to readable.log and stderr.txt there, for a failing test to show.
// Benchmarks start it without logs, which would cost more than the frames they measure.
class SimProcess {
public:
    using Record = JsonLine;
    using Clock = std::chrono::steady_clock;
    enum class Logs { Kept, Off };

    SimProcess(const std::vector<std::string>& linkArguments, const std::filesystem::path& folder,
               Logs logs = Logs::Kept)
        : jsonPath_(folder / "frames.jsonl"), readablePath_(folder / "readable.log"),
          errorPath_(folder / "stderr.txt") {
        std::vector<std::string> arguments{ZENVAR_SIM_PATH, "--work-folder", folder.string()};
        if (logs == Logs::Kept) {
            for (const auto& argument :
                 {std::string("--json"), jsonPath_.string(), std::string("--log"), readablePath_.string()})
                arguments.push_back(argument);
        } else {
            arguments.push_back("--quiet");
        }
        arguments.insert(arguments.end(), linkArguments.begin(), linkArguments.end());
        int toChild[2], fromChild[2];
        if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
        pid_ = spawnChild(arguments, toChild[0], fromChild[1], errorPath_.string());
        ::close(toChild[0]);
        ::close(fromChild[1]);
        input_ = toChild[1];
        output_ = fromChild[0];
        lines_ = PipeLineReader(output_);
    }

    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    ~SimProcess() {
        if (pid_ > 0 && !quit())
            killChild(pid_);
        if (input_ >= 0)
            ::close(input_);
        ::close(output_);
    }

    // Waits for "ready"; returns the lines before it, one per link.
    std::vector<std::string> waitReady() {
        std::vector<std::string> lines;
        while (auto line = readLine(std::chrono::seconds(10))) {
            if (*line == "ready")
                return lines;
            lines.push_back(*line);
        }
        throw std::runtime_error("zenvar-sim did not get ready");
    }

    // Sends a control command; returns its answer, the last line being "ok" or "error: ...".
    std::vector<std::string> command(const std::string& line) {
        const std::string text = line + "\n";
        if (::write(input_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
            throw std::runtime_error("cannot write to zenvar-sim");
        std::vector<std::string> answer;
        while (auto reply = readLine(std::chrono::seconds(10))) {
            answer.push_back(*reply);
            if (*reply == "ok" || reply->starts_with("error: "))
                return answer;
        }
        throw std::runtime_error("zenvar-sim did not answer '" + line + "'");
    }

    // One counter of its stats command.
    long long counter(const std::string& name) {
        const auto stats = JsonLine::parse(command("stats").front());
        if (!stats || !stats->has(name))
            throw std::runtime_error("zenvar-sim gave no " + name + " count");
        return std::stoll((*stats)[name]);
    }

    // Closes its input, which ends it; its exit status, or nothing when it did not end in time.
    std::optional<int> quit() {
        ::close(input_);
        input_ = -1;
        const auto status = waitForExit(pid_, std::chrono::seconds(10));
        if (status)
            pid_ = -1;
        return status;
    }

    pid_t pid() const { return pid_; }

    // What it wrote on its standard error, and its readable log: what a failing test shows.
    std::string errors() const { return contentOf(errorPath_); }
    std::string readableLog() const { return contentOf(readablePath_); }

    std::vector<Record> records() const {
        std::vector<Record> all;
        std::ifstream file(jsonPath_);
        std::string line;
        while (std::getline(file, line))
            if (auto record = Record::parse(line))
                all.push_back(*record);
        return all;
    }

    std::vector<Record> records(const std::function<bool(const Record&)>& wanted) const {
        std::vector<Record> matching;
        for (auto& record : records())
            if (wanted(record))
                matching.push_back(record);
        return matching;
    }

    // Waits until at least `count` records are wanted; returns the wanted ones (fewer after the limit).
    std::vector<Record> waitForRecords(const std::function<bool(const Record&)>& wanted, std::size_t count,
                                       std::chrono::milliseconds limit = std::chrono::seconds(10)) const {
        std::vector<Record> matching;
        waitUntil([&] { return (matching = records(wanted)).size() >= count; }, limit);
        return matching;
    }

    static std::function<bool(const Record&)> kind(const std::string& wantedKind) {
        return [wantedKind](const Record& r) { return r["kind"] == wantedKind; };
    }

private:
    std::optional<std::string> readLine(std::chrono::milliseconds limit) { return lines_.readLine(limit); }

    static std::string contentOf(const std::filesystem::path& path) {
        std::ifstream file(path);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    std::filesystem::path jsonPath_;
    std::filesystem::path readablePath_;
    std::filesystem::path errorPath_;
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    PipeLineReader lines_;
};
