#include "TerminalStates.h"

#include "EventNames.h"

#include <nlohmann/json.hpp>

namespace tarvex::cli {

namespace {

// The zones whose `has` holds, as "2 5", or "none".
template <class Predicate> std::string zoneList(const TerminalStateReading& reading, Predicate has) {
    std::string list;
    for (std::size_t i = 0; i < reading.zones.size(); ++i) {
        if (!has(reading.zones[i]))
            continue;
        if (!list.empty())
            list += ' ';
        list += std::to_string(i + 1);
    }
    return list.empty() ? "none" : list;
}

} // namespace

TerminalStateReading readTerminalState(const OstrelLink& link, const PortSpec& port,
                                       TerminalAddress address) {
    TerminalStateReading reading{port,
                                 address,
                                 link.terminalState(port.ostrelPort, address),
                                 link.sendsZoneFlags(port.ostrelPort, address),
                                 {}};
    for (std::size_t i = 0; i < reading.zones.size(); ++i) {
        const int zone = static_cast<int>(i) + 1;
        reading.zones[i] = {link.zoneState(port.ostrelPort, address, zone),
                            link.zoneFlag(port.ostrelPort, address, zone)};
    }
    return reading;
}

void printTerminalStates(std::FILE* out, const std::vector<TerminalStateReading>& readings, bool json) {
    if (!json)
        std::fprintf(out, "%-10s %-9s %-20s %-15s %s\n", "PORT", "TERMINAL", "STATE", "ZONES IN ALARM",
                     "ZONE FLAGS");
    for (const auto& reading : readings) {
        const std::string state(terminalStateName(reading.state));
        if (json) {
            nlohmann::json zones = nlohmann::json::array();
            for (std::size_t i = 0; i < reading.zones.size(); ++i)
                zones.push_back({{"zone", i + 1},
                                 {"state", zoneStateName(reading.zones[i].state)},
                                 {"flag", reading.reportsFlags ? nlohmann::json(reading.zones[i].flag)
                                                               : nlohmann::json(nullptr)}});
            const nlohmann::json line{{"port", reading.port.startNumber},
                                      {"address", reading.address.text()},
                                      {"state", state},
                                      {"zones", zones}};
            std::fprintf(out, "%s\n", line.dump().c_str());
            continue;
        }
        const auto alarms = zoneList(
            reading, [](const TerminalStateReading::Zone& z) { return z.state == OSTREL_ZONE_ALARM; });
        const auto flags = reading.reportsFlags
                               ? zoneList(reading, [](const TerminalStateReading::Zone& z) { return z.flag; })
                               : std::string("-");
        std::fprintf(out, "%-10s %-9s %-20s %-15s %s\n", portLabel(reading.port).c_str(),
                     reading.address.text().c_str(), state.c_str(), alarms.c_str(), flags.c_str());
    }
    std::fflush(out);
}

} // namespace tarvex::cli
