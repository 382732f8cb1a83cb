#include "PortLinks.h"

#include <algorithm>
#include <stdexcept>

namespace tarvex::cli {

bool PortLinks::open(const std::vector<PortSpec>& ports, int retryLimit, std::string& error) {
    for (const PortSpec& port : ports) {
        auto link = std::make_unique<OstrelLink>([this, port](LinkEvent&& event) {
            queue_.push(PortEvent{port, std::move(event)});
        });
        if (!link->open(port, retryLimit, error))
            return false;
        links_.push_back({port, std::move(link)});
    }
    return true;
}

OstrelLink& PortLinks::linkOf(const PortSpec& port) {
    const auto found =
        std::find_if(links_.begin(), links_.end(), [&](const Opened& opened) { return opened.port == port; });
    if (found == links_.end())
        throw std::logic_error(portLabel(port) + " was not opened");
    return *found->link;
}

bool parsePorts(int argc, char** argv, int first, std::vector<PortSpec>& ports, std::string& error) {
    for (int i = first; i < argc; ++i) {
        const auto port = parsePortSpec(argv[i], error);
        if (!port)
            return false;
        if (std::find(ports.begin(), ports.end(), *port) != ports.end()) {
            error = portLabel(*port) + " is given twice";
            return false;
        }
        ports.push_back(*port);
    }
    if (ports.empty()) {
        error = "no port given";
        return false;
    }
    return true;
}

} // namespace tarvex::cli
