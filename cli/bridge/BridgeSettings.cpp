#include "BridgeSettings.h"

#include "BridgeConfig.h"
#include "QuotedText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <functional>
#include <ostream>

namespace tarvex::cli {

namespace {

// Checks a value and stores it, or returns why it cannot be.
using Store = std::function<std::string(BridgeSettings&, const std::string&)>;

struct Key {
    std::string_view section;
    std::string_view key;
    Store store;
};

std::optional<int> integer(const std::string& text, int lowest, int highest) {
    int value = 0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || status != std::errc() || end != text.data() + text.size() || value < lowest ||
        value > highest)
        return std::nullopt;
    return value;
}

std::optional<bool> yesOrNo(const std::string& text) {
    if (text == "yes" || text == "true" || text == "on" || text == "1")
        return true;
    if (text == "no" || text == "false" || text == "off" || text == "0")
        return false;
    return std::nullopt;
}

// A topic prefix: levels separated by '/', none empty, no wildcards.
std::string topicPrefixProblem(const std::string& text) {
    if (text.empty())
        return "must not be empty";
    if (text.find_first_of("+#") != std::string::npos || text.find('\0') != std::string::npos)
        return "must not hold the wildcards + or #";
    if (text.front() == '/' || text.back() == '/' || text.find("//") != std::string::npos)
        return "must not start or end with '/' or hold an empty level";
    return {};
}

bool isPassword(const std::string& text) {
    return (text.size() == 4 || text.size() == 6) &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

Store text(std::string BrokerSettings::*field) {
    return [field](BridgeSettings& settings, const std::string& value) -> std::string {
        settings.broker.*field = value;
        return {};
    };
}

Store path(std::string BrokerSettings::*field) {
    return [field](BridgeSettings& settings, const std::string& value) -> std::string {
        if (value.empty())
            return "must name a file";
        settings.broker.*field = value;
        return {};
    };
}

Store flag(bool BrokerSettings::*field) {
    return [field](BridgeSettings& settings, const std::string& value) -> std::string {
        const auto on = yesOrNo(value);
        if (!on)
            return "must be yes or no, not '" + value + "'";
        settings.broker.*field = *on;
        return {};
    };
}

std::string storePorts(BridgeSettings& settings, const std::string& value) {
    std::vector<PortSpec> ports;
    std::size_t at = 0;
    while ((at = value.find_first_not_of(" \t,", at)) != std::string::npos) {
        const auto end = std::min(value.find_first_of(" \t,", at), value.size());
        std::string error;
        const auto port = parsePortSpec(value.substr(at, end - at), error);
        if (!port)
            return error;
        if (std::find(ports.begin(), ports.end(), *port) != ports.end())
            return "port " + value.substr(at, end - at) + " is named twice";
        ports.push_back(*port);
        at = end;
    }
    if (ports.empty())
        return "must name at least one port (1 to 10 for COM1 to COM10, else a UDP port)";
    settings.ports = std::move(ports);
    return {};
}

const std::array<Key, 16>& keys() {
    static const std::array<Key, 16> table{{
        {"broker", "host", path(&BrokerSettings::host)},
        {"broker", "port",
         [](BridgeSettings& settings, const std::string& value) -> std::string {
             const auto port = integer(value, 1, 65535);
             if (!port)
                 return "must be a TCP port 1 to 65535, not '" + value + "'";
             settings.broker.port = *port;
             return {};
         }},
        {"broker", "client_id", path(&BrokerSettings::clientId)},
        {"broker", "username", text(&BrokerSettings::username)},
        // Either of the two, the one set last: a password file named on the command line replaces a
        // password written in the configuration file.
        {"broker", "password",
         [](BridgeSettings& settings, const std::string& value) -> std::string {
             settings.broker.password = value;
             settings.broker.passwordFile.clear();
             return {};
         }},
        {"broker", "password_file",
         [](BridgeSettings& settings, const std::string& value) -> std::string {
             if (value.empty())
                 return "must name a file";
             settings.broker.passwordFile = value;
             settings.broker.password.reset();
             return {};
         }},
        {"broker", "tls", flag(&BrokerSettings::tls)},
        {"broker", "cafile", path(&BrokerSettings::cafile)},
        {"broker", "capath", path(&BrokerSettings::capath)},
        {"broker", "cert", path(&BrokerSettings::certfile)},
        {"broker", "key", path(&BrokerSettings::keyfile)},
        {"broker", "insecure", flag(&BrokerSettings::insecure)},
        {"bridge", "ports", storePorts},
        {"bridge", "retries",
         [](BridgeSettings& settings, const std::string& value) -> std::string {
             const auto retries = integer(value, 1, 255);
             if (!retries)
                 return "must be a number of sendings 1 to 255, not '" + value + "'";
             settings.retries = *retries;
             return {};
         }},
        {"bridge", "topic",
         [](BridgeSettings& settings, const std::string& value) -> std::string {
             if (auto problem = topicPrefixProblem(value); !problem.empty())
                 return problem;
             settings.topic = value;
             return {};
         }},
        {"bridge", "discovery",
         [](BridgeSettings& settings, const std::string& value) -> std::string {
             if (auto problem = topicPrefixProblem(value); !problem.empty())
                 return problem;
             settings.discoveryPrefix = value;
             return {};
         }},
    }};
    return table;
}

// [passwords]: `default = 1234` or `PORT/A.B = 5678`.
std::string storePassword(BridgeSettings& settings, const std::string& key, const std::string& value) {
    if (!isPassword(value))
        return "a terminal's password has 4 or 6 digits";
    if (key == "default") {
        settings.passwords.setDefault(value);
        return {};
    }
    const auto slash = key.find('/');
    if (slash == std::string::npos)
        return inQuotes(key) + " is neither default nor a terminal written PORT/A.B (6000/1.2)";
    std::string error;
    const auto port = parsePortSpec(std::string_view(key).substr(0, slash), error);
    if (!port)
        return error;
    const auto address = parseTerminalAddress(std::string_view(key).substr(slash + 1), error);
    if (!address)
        return error;
    settings.passwords.set(port->startNumber, *address, value);
    return {};
}

} // namespace

bool applySetting(BridgeSettings& settings, const SettingEntry& entry, std::string& error) {
    std::string problem;
    if (entry.section == "passwords") {
        problem = storePassword(settings, entry.key, entry.value);
    } else {
        const auto& table = keys();
        const auto key = std::find_if(table.begin(), table.end(), [&](const Key& k) {
            return k.section == entry.section && k.key == entry.key;
        });
        if (key != table.end()) {
            problem = key->store(settings, entry.value);
        } else if (std::none_of(table.begin(), table.end(),
                                [&](const Key& k) { return k.section == entry.section; })) {
            error = entry.origin + ": unknown section [" + entry.section + "] (broker, bridge, passwords)";
            return false;
        } else {
            error = entry.origin + ": unknown key '" + entry.key + "' in [" + entry.section + "]";
            return false;
        }
    }
    if (problem.empty())
        return true;
    // A command-line option names itself; a line of the file names its key too.
    error = entry.origin.starts_with("--") ? entry.origin + ": " + problem
                                           : entry.origin + ": " + entry.key + ": " + problem;
    return false;
}

bool completeSettings(BridgeSettings& settings, std::string& error, std::ostream& warnings) {
    auto& broker = settings.broker;
    if (broker.host.empty()) {
        error = "no broker: give --mqtt HOST[:PORT] or host in [broker] of the configuration file";
        return false;
    }
    if (settings.ports.empty()) {
        error = "no port: give --port PORT or ports in [bridge] of the configuration file";
        return false;
    }
    if (!broker.tls && (!broker.cafile.empty() || !broker.capath.empty() || !broker.certfile.empty() ||
                        !broker.keyfile.empty() || broker.insecure)) {
        error = "cafile, capath, cert, key and insecure are TLS settings: give --tls (tls = yes) with them";
        return false;
    }
    if (broker.certfile.empty() != broker.keyfile.empty()) {
        error = "a client certificate needs its key: give both cert and key, or neither";
        return false;
    }
    if (!broker.passwordFile.empty()) {
        broker.password = readSecretFile(broker.passwordFile, error, warnings);
        if (!broker.password)
            return false;
    }
    if (broker.password && broker.username.empty()) {
        error = "a broker password needs a username (--username, or username in [broker])";
        return false;
    }
    return true;
}

} // namespace tarvex::cli
