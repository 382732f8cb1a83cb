#pragma once

#include "LogRecord.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// The kinds of record the simulator logs.
inline constexpr std::array<std::string_view, 7> kRecordKinds{"line",  "command", "ack",    "report",
                                                              "reply", "error",   "gave-up"};

// Where log records go: JSON lines for tests and tools, readable lines for people; either may be off.
// Every line is flushed at once so that a test reading the file sees what happened. A log may keep only
// some kinds of record: under load the reports and their acknowledgements would drown the rest.
class FrameLog {
public:
    // kinds: the kinds of record kept; empty for all.
    FrameLog(std::FILE* json, std::FILE* readable, std::vector<std::string> kinds = {})
        : json_(json), readable_(readable), kinds_(std::move(kinds)) {}

    // Whether a record of this kind would be written: the caller need not build one that is not.
    bool wants(std::string_view kind) const;
    // Seconds since the log was made, the time every record carries.
    double seconds() const;
    void write(const LogRecord& record);

private:
    std::FILE* json_;
    std::FILE* readable_;
    std::vector<std::string> kinds_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

} // namespace sim
