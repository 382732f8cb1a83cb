#pragma once

#include "LinkEvent.h"
#include "PortSpec.h"

#include <nlohmann/json.hpp>

namespace tarvex::cli {

// A terminal event as one JSON object, for scripts and brokers alike: "time" (ISO 8601, local, with
// milliseconds), "port" (the port's Tarvex number), "address" ("A.B"), "event" (the OstrelEvent code),
// "name" (its snake_case name), "zone" (1..8, null for other events) and "text" (Ostrel's, often empty). Dump
// it with error_handler_t::replace: the text is Ostrel's bytes, not always UTF-8.
nlohmann::json terminalEventJson(const TerminalEvent& event, const PortSpec& port);

} // namespace tarvex::cli
