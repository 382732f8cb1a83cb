#pragma once

#include "PortLinks.h"

#include <cstdio>

namespace tarvex::cli {

// Writes what the ports tell as it happens, one line each, flushed at once (the reader may be a pipe):
// terminal events, serial lines lost and reopened, and a lost UDP connection. Readable lines, or JSON
// objects with the fields of terminalEventJson (line and connection events with "event", "address" and
// "zone" null and "name" line_lost, line_reopened or connection_lost).
class EventPrinter {
public:
    EventPrinter(std::FILE* out, bool json) : out_(out), json_(json) {}

    void print(const PortEvent& event);

private:
    void printTerminalEvent(const PortSpec& port, const TerminalEvent& event);
    void printPortEvent(const PortSpec& port, std::chrono::system_clock::time_point time,
                        std::string_view name, const std::string& text);
    void line(const std::string& text);

    std::FILE* out_;
    bool json_;
};

} // namespace tarvex::cli
