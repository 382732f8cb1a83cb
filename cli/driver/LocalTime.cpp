#include "LocalTime.h"

#include <cstdio>
#include <ctime>

namespace tarvex::cli {

namespace {

struct Broken {
    std::tm local;
    int milliseconds;
};

Broken broken(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto seconds = floor<std::chrono::seconds>(time);
    const std::time_t whole = system_clock::to_time_t(seconds);
    Broken result{};
    localtime_r(&whole, &result.local);
    result.milliseconds = static_cast<int>(duration_cast<milliseconds>(time - seconds).count());
    return result;
}

std::string dateAndTime(const Broken& at, char separator) {
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d%c%02d:%02d:%02d.%03d", at.local.tm_year + 1900,
                  at.local.tm_mon + 1, at.local.tm_mday, separator, at.local.tm_hour, at.local.tm_min,
                  at.local.tm_sec, at.milliseconds);
    return text;
}

} // namespace

std::string isoLocalTime(std::chrono::system_clock::time_point time) {
    const Broken at = broken(time);
    // Zones lie within a day of UTC.
    const int offsetMinutes = static_cast<int>(at.local.tm_gmtoff / 60);
    const int magnitude = (offsetMinutes < 0 ? -offsetMinutes : offsetMinutes) % (24 * 60);
    char offset[16];
    std::snprintf(offset, sizeof offset, "%c%02d:%02d", offsetMinutes < 0 ? '-' : '+', magnitude / 60,
                  magnitude % 60);
    return dateAndTime(at, 'T') + offset;
}

std::string readableLocalTime(std::chrono::system_clock::time_point time) {
    return dateAndTime(broken(time), ' ');
}

ClockTime localClockTime(std::chrono::system_clock::time_point time) {
    const std::tm& local = broken(time).local;
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

} // namespace tarvex::cli
