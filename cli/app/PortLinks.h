#pragma once

#include "BlockingQueue.h"
#include "LinkEvent.h"
#include "OstrelLink.h"
#include "PortSpec.h"

#include <memory>
#include <string>
#include <vector>

namespace tarvex::cli {

// An event and the port it came from, as the user numbered it.
struct PortEvent {
    PortSpec port;
    LinkEvent event;
};
using PortEventQueue = BlockingQueue<PortEvent>;

// The ports given on the command line, each in an Ostrel context of its own (a context has one UDP port),
// their events gathered into one queue. The queue must outlive the links: ending them discards what
// they still hold, and says so.
class PortLinks {
public:
    explicit PortLinks(PortEventQueue& queue) : queue_(queue) {}

    // Opens every port in order; false with the reason at the first that cannot be opened.
    bool open(const std::vector<PortSpec>& ports, int retryLimit, std::string& error);
    // The link of an opened port.
    OstrelLink& linkOf(const PortSpec& port);

private:
    struct Opened {
        PortSpec port;
        std::unique_ptr<OstrelLink> link;
    };
    PortEventQueue& queue_;
    std::vector<Opened> links_;
};

// The ports of the arguments from `first` on; false with the reason for a word that is no port or a port
// given twice.
bool parsePorts(int argc, char** argv, int first, std::vector<PortSpec>& ports, std::string& error);

} // namespace tarvex::cli
