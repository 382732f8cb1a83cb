#pragma once

#include "BridgeSettings.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex::cli {

// The configuration file read when --config names none, if it exists.
inline constexpr std::string_view kDefaultBridgeConfig = "/etc/tarvex/bridge.conf";

// The bridge's command line: every option but --config and --help is a setting of the configuration
// file, given as an entry that goes on top of the file's.
struct BridgeOptions {
    bool help = false;
    std::optional<std::string> configPath;
    std::vector<SettingEntry> entries;
};

// argv[0] is "bridge". Nothing, with error, for an unknown option, a missing value or a word that is no
// option; values are checked when the entries are applied.
std::optional<BridgeOptions> parseBridgeOptions(int argc, char** argv, std::string& error);

// The --help text.
std::string_view bridgeUsage();

} // namespace tarvex::cli
