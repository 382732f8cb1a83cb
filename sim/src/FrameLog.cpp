#include "FrameLog.h"

#include <algorithm>
#include <string>

namespace sim {

namespace {

void writeLine(std::FILE* file, const std::string& line) {
    std::fputs(line.c_str(), file);
    std::fputc('\n', file);
    std::fflush(file);
}

} // namespace

bool FrameLog::wants(std::string_view kind) const {
    return (json_ || readable_) &&
           (kinds_.empty() || std::find(kinds_.begin(), kinds_.end(), kind) != kinds_.end());
}

double FrameLog::seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void FrameLog::write(const LogRecord& record) {
    const double now = seconds();
    if (json_)
        writeLine(json_, record.json(now));
    if (readable_)
        writeLine(readable_, record.readable(now));
}

} // namespace sim
