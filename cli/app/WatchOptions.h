#pragma once

#include "PortSpec.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex::cli {

// The command line of the subcommands that watch ports for a while: PORT... [--for SECONDS] [--json].
struct WatchOptions {
    std::vector<PortSpec> ports;
    std::optional<std::chrono::milliseconds> duration; // none: until a signal
    bool json = false;
    bool help = false;
};

// Nothing, with the reason, for a bad command line.
std::optional<WatchOptions> parseWatchOptions(int argc, char** argv, std::string& error);

} // namespace tarvex::cli
