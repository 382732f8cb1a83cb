#pragma once

#include <cstdint>
#include <string>

namespace tarvex::cli {

// What became of a request to queue a command: the queued frame's number, or 0 with the reason.
struct IssueResult {
    std::uint32_t frame = 0;
    bool queueFull = false; // the port's queue refused it: worth trying again later
    std::string error;
};

} // namespace tarvex::cli
