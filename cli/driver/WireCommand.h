#pragma once

#include "CommandRequest.h"

#include <optional>
#include <string>

namespace tarvex::cli {

// A request as Ostrel sends it: its texts in GBK, each checked to fit its frame. Made before anything is
// queued, so that a text the terminals cannot take is refused with its reason rather than cut or lost.
struct WireCommand {
    CommandRequest request;
};

// Nothing, with the reason naming the command and the field, for a text that GBK cannot hold or that is
// too long in GBK (display 63 bytes, message 64, name 60, program data 59).
std::optional<WireCommand> toWireCommand(const CommandRequest& request, std::string& error);

} // namespace tarvex::cli
