#pragma once

// What both benchmarks need: Ostrel on a free loopback-reachable UDP port, the simulator's counters and
// the CPU time of a thread or process.
#include "ostrel/ostrel.h"
#include "support/FreeUdpPort.h"
#include "support/SimProcess.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One counter from the simulator's stats command.
inline long long simCounter(SimProcess& sim, const std::string& name) {
    return sim.counter(name);
}

// User plus system CPU seconds of /proc/<...>/stat: a process, or a thread of ours (self/task/<tid>).
inline double cpuSeconds(const std::string& statPath) {
    std::ifstream file(statPath);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const auto afterName = text.rfind(')');
    if (afterName == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(afterName + 2));
    std::string field;
    long long userTicks = 0, systemTicks = 0;
    // State is field 3; utime and stime are fields 14 and 15.
    for (int n = 3; n <= 15 && fields >> field; ++n) {
        if (n == 14)
            userTicks = std::stoll(field);
        if (n == 15)
            systemTicks = std::stoll(field);
    }
    return static_cast<double>(userTicks + systemTicks) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

} // namespace bench
