#pragma once

#include "CommandRequest.h"

#include <chrono>
#include <string>

namespace tarvex::cli {

// Moments in the computer's local time zone, as the program prints them and the terminals' clocks take them.

// "2024-05-01T12:00:00.123+02:00": ISO 8601 with milliseconds and the zone's offset.
std::string isoLocalTime(std::chrono::system_clock::time_point time);
// "2024-05-01 12:00:00.123".
std::string readableLocalTime(std::chrono::system_clock::time_point time);
// The local date and time to the second.
ClockTime localClockTime(std::chrono::system_clock::time_point time);

} // namespace tarvex::cli
