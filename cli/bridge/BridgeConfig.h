#pragma once

#include "BridgeSettings.h"

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex::cli {

// The bridge's configuration file: `[section]` lines, `key = value` lines under them, blank lines and
// lines starting with # (comments stand on lines of their own, so that a password may hold a #).
// The text read into entries, each with its origin "FILE:LINE"; nothing when a line is malformed or a key
// repeats in its section (error names the file and line). The values are checked by applySetting.
std::optional<std::vector<SettingEntry>> parseBridgeConfig(std::string_view text, const std::string& fileName,
                                                           std::string& error);

// The file read and parsed; a line on warnings when others than its owner and group may read it, as it
// may hold passwords.
std::optional<std::vector<SettingEntry>> readBridgeConfig(const std::string& path, std::string& error,
                                                          std::ostream& warnings);

// The first line of a file holding a secret (the broker's password), with the same warning.
std::optional<std::string> readSecretFile(const std::string& path, std::string& error,
                                          std::ostream& warnings);

} // namespace tarvex::cli
