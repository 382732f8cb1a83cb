#include "PortSpec.h"

#include "QuotedText.h"
#include "ostrel/ostrel.h"

#include <charconv>

namespace tarvex::cli {

namespace {

constexpr int kHighestUdpPort = 65535;

} // namespace

bool PortSpec::isSerial() const {
    return ostrelPort != OSTREL_PORT_UDP;
}

std::optional<PortSpec> parsePortSpec(std::string_view text, std::string& error) {
    int number = 0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || status != std::errc() || end != text.data() + text.size() ||
        number < OSTREL_PORT_COM1 || number > kHighestUdpPort) {
        error =
            inQuotes(text) + " is no port: give 1 to 10 for COM1 to COM10, or a UDP port number 11 to 65535";
        return std::nullopt;
    }
    if (number <= OSTREL_PORT_COM10)
        return PortSpec{number, number};
    return PortSpec{number, OSTREL_PORT_UDP};
}

std::string portLabel(const PortSpec& port) {
    return (port.isSerial() ? "COM" : "UDP ") + std::to_string(port.startNumber);
}

} // namespace tarvex::cli
