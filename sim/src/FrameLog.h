#pragma once

#include "LogRecord.h"

#include <chrono>
#include <cstdio>

namespace sim {

// Where log records go: JSON lines for tests and tools, readable lines for people; either may be off.
// Every line is flushed at once so that a test reading the file sees what happened.
class FrameLog {
public:
    FrameLog(std::FILE* json, std::FILE* readable) : json_(json), readable_(readable) {}

    bool enabled() const { return json_ || readable_; }
    // Seconds since the log was made, the time every record carries.
    double seconds() const;
    void write(const LogRecord& record);

private:
    std::FILE* json_;
    std::FILE* readable_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

} // namespace sim
