#include "EventPrinter.h"

#include "EventJson.h"
#include "EventNames.h"
#include "LocalTime.h"

namespace tarvex::cli {

namespace {

std::string dumped(const nlohmann::json& object) {
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace

void EventPrinter::print(const PortEvent& event) {
    if (const auto* terminal = std::get_if<TerminalEvent>(&event.event)) {
        printTerminalEvent(event.port, *terminal);
    } else if (const auto* outcome = std::get_if<FrameOutcome>(&event.event)) {
        // Listening queues no frames: only the serial lines' outcomes arrive.
        const std::int32_t kind = outcome->outcome.kind;
        if (kind == OSTREL_LINE_LOST || kind == OSTREL_LINE_REOPENED)
            printPortEvent(event.port, outcome->time, outcomeName(kind), {});
    } else if (const auto* lost = std::get_if<ConnectionLost>(&event.event)) {
        printPortEvent(event.port, std::chrono::system_clock::now(), "connection_lost", lost->text);
    }
}

void EventPrinter::printTerminalEvent(const PortSpec& port, const TerminalEvent& event) {
    if (json_) {
        line(dumped(terminalEventJson(event, port)));
        return;
    }
    std::string text = readableLocalTime(event.time) + "  " + portLabel(port) + "  " +
                       std::to_string(event.addressA) + "." + std::to_string(event.addressB) + "  " +
                       std::string(eventName(event.eventCode));
    if (isZoneEvent(event.eventCode))
        text += "  zone " + std::to_string(event.index);
    if (!event.text.empty())
        text += "  " + event.text;
    line(text);
}

void EventPrinter::printPortEvent(const PortSpec& port, std::chrono::system_clock::time_point time,
                                  std::string_view name, const std::string& text) {
    if (json_) {
        line(dumped({{"time", isoLocalTime(time)},
                     {"port", port.startNumber},
                     {"address", nullptr},
                     {"event", nullptr},
                     {"name", name},
                     {"zone", nullptr},
                     {"text", text}}));
        return;
    }
    line(readableLocalTime(time) + "  " + portLabel(port) + "  " + std::string(name) +
         (text.empty() ? "" : "  " + text));
}

void EventPrinter::line(const std::string& text) {
    std::fprintf(out_, "%s\n", text.c_str());
    std::fflush(out_);
}

} // namespace tarvex::cli
