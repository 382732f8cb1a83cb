#pragma once

#include "PasswordStore.h"
#include "PortSpec.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tarvex::cli {

// How the bridge reaches its broker.
struct BrokerSettings {
    std::string host;
    std::optional<int> port; // without it 1883, or 8883 with TLS
    std::string clientId;    // empty: the client library makes one up
    std::string username;
    std::optional<std::string> password;
    std::string passwordFile; // read by completeSettings, never given on the command line
    bool tls = false;
    std::string cafile, capath, certfile, keyfile;
    bool insecure = false; // TLS without checking the broker's host name

    int effectivePort() const { return port.value_or(tls ? 8883 : 1883); }
};

// Everything the bridge runs with: the configuration file's values with the command line's on top.
struct BridgeSettings {
    BrokerSettings broker;
    std::vector<PortSpec> ports;
    int retries = 3;
    std::string topic = "tarvex";
    std::string discoveryPrefix; // empty: no Home Assistant discovery
    PasswordStore passwords;
};

// One `key = value` of a section, from a line of the configuration file or from a command-line option;
// origin names where it came from ("bridge.conf:12", "--retries") for the error that names it.
struct SettingEntry {
    std::string section;
    std::string key;
    std::string value;
    std::string origin;
};

// Checks the entry and stores it; false with error (starting with the origin) for an unknown section
// or key or a value out of its range.
bool applySetting(BridgeSettings& settings, const SettingEntry& entry, std::string& error);

// What is checked only once every entry is in: a broker and a port given, options that go together,
// and the password file read (a warning on warnings when others may read it). False with error when the
// settings cannot run.
bool completeSettings(BridgeSettings& settings, std::string& error, std::ostream& warnings);

} // namespace tarvex::cli
