#include "BridgeOptions.h"

#include <getopt.h>

namespace tarvex::cli {

namespace {

constexpr std::string_view kUsage =
    R"(usage: tarvex-cli bridge --mqtt HOST[:PORT] --port PORT [--port PORT ...] [options]

Carries the terminals of the ports to an MQTT broker and the broker's commands to the terminals, until
SIGINT or SIGTERM. The topics and payloads are described in tarvex-bridge.conf(5).

  --mqtt HOST[:PORT]     the broker (port 1883, 8883 with --tls)
  --port PORT            a port to open: 1 to 10 for COM1 to COM10, else a UDP port; repeat for more
  --retries N            sendings of a command before it is given up, 1 to 255 (default 3)
  --topic BASE           the topic prefix (default tarvex)
  --client-id ID         the MQTT client id (default: one made up by the client library)
  --username NAME        the broker user
  --password-file FILE   the broker password: the first line of FILE (never on the command line)
  --tls                  TLS to the broker, checked against the system's certificates unless:
  --cafile FILE          the certificate authorities to trust, in one PEM file
  --capath DIR           ... or in a folder of them
  --cert FILE, --key FILE  a client certificate and its key
  --insecure             do not check that the broker's certificate names its host
  --discovery PREFIX     Home Assistant discovery under PREFIX (usually homeassistant)
  --config FILE          the configuration file (default /etc/tarvex/bridge.conf when it exists);
                         options given here override its settings
  --help                 this text

Exit status: 0 after SIGINT or SIGTERM, 1 for bad options or configuration, 3 when a port cannot be
opened.
)";

enum Option {
    Mqtt = 1000,
    Port,
    Retries,
    Topic,
    ClientId,
    Username,
    PasswordFile,
    Tls,
    Cafile,
    Capath,
    Cert,
    Key,
    Insecure,
    Discovery,
    Config,
    Help,
};

const option kOptions[] = {
    {"mqtt", required_argument, nullptr, Mqtt},
    {"port", required_argument, nullptr, Port},
    {"retries", required_argument, nullptr, Retries},
    {"topic", required_argument, nullptr, Topic},
    {"client-id", required_argument, nullptr, ClientId},
    {"username", required_argument, nullptr, Username},
    {"password-file", required_argument, nullptr, PasswordFile},
    {"tls", no_argument, nullptr, Tls},
    {"cafile", required_argument, nullptr, Cafile},
    {"capath", required_argument, nullptr, Capath},
    {"cert", required_argument, nullptr, Cert},
    {"key", required_argument, nullptr, Key},
    {"insecure", no_argument, nullptr, Insecure},
    {"discovery", required_argument, nullptr, Discovery},
    {"config", required_argument, nullptr, Config},
    {"help", no_argument, nullptr, Help},
    {nullptr, 0, nullptr, 0},
};

// The section and key each option sets.
struct Target {
    int option;
    const char* section;
    const char* key;
};
constexpr Target kTargets[] = {
    {Retries, "bridge", "retries"},
    {Topic, "bridge", "topic"},
    {Discovery, "bridge", "discovery"},
    {ClientId, "broker", "client_id"},
    {Username, "broker", "username"},
    {PasswordFile, "broker", "password_file"},
    {Cafile, "broker", "cafile"},
    {Capath, "broker", "capath"},
    {Cert, "broker", "cert"},
    {Key, "broker", "key"},
    {Tls, "broker", "tls"},
    {Insecure, "broker", "insecure"},
};

// HOST, HOST:PORT or [IPv6]:PORT; a bare IPv6 address (more than one colon) is a host alone.
void addBroker(std::string_view text, std::vector<SettingEntry>& entries) {
    std::string_view host = text;
    std::optional<std::string_view> port;
    if (text.starts_with('[') && text.find(']') != std::string_view::npos) {
        const auto close = text.find(']');
        host = text.substr(1, close - 1);
        if (text.substr(close + 1).starts_with(':'))
            port = text.substr(close + 2);
    } else if (const auto colon = text.find(':');
               colon != std::string_view::npos && text.find(':', colon + 1) == std::string_view::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    entries.push_back({"broker", "host", std::string(host), "--mqtt"});
    if (port)
        entries.push_back({"broker", "port", std::string(*port), "--mqtt"});
}

// The word that named the option getopt_long just returned: the one before optind, or the one before its
// value when that came as a word of its own.
std::string_view givenOption(int argc, char** argv) {
    const int word = optarg && optind - 2 >= 1 && optind - 1 < argc && optarg == argv[optind - 1]
                         ? optind - 2
                         : optind - 1;
    return argv[word];
}

// The option's name without a value given with '=': never repeat what may be a secret.
std::string optionName(std::string_view word) {
    return std::string(word.substr(0, word.find('=')));
}

bool spelledOut(int argc, char** argv, std::string_view name) {
    return optionName(givenOption(argc, argv)) == "--" + std::string(name);
}

} // namespace

std::optional<BridgeOptions> parseBridgeOptions(int argc, char** argv, std::string& error) {
    BridgeOptions options;
    std::string ports;
    // 0 starts getopt afresh, as the program's own options were read by the same getopt before. "+"
    // keeps the words in their order (a stray word ends the options), ":" tells a missing value apart.
    optind = 0;
    opterr = 0;
    int code = 0;
    int index = -1;
    while ((code = getopt_long(argc, argv, "+:", kOptions, &index)) != -1) {
        const std::string value = optarg ? optarg : "";
        // getopt takes an unambiguous abbreviation for the whole name: --password would become
        // --password-file, and the password on the command line the name of a file.
        if (code >= Mqtt && !spelledOut(argc, argv, kOptions[index].name)) {
            error =
                "unknown option '" + optionName(givenOption(argc, argv)) + "' (options are written in full)";
            return std::nullopt;
        }
        switch (code) {
        case Mqtt:
            addBroker(value, options.entries);
            break;
        case Port:
            ports += (ports.empty() ? "" : " ") + value;
            break;
        case Config:
            options.configPath = value;
            break;
        case Help:
            options.help = true;
            break;
        case ':':
            error = std::string(argv[optind - 1]) + " needs a value";
            return std::nullopt;
        case '?':
            error = "unknown option '" + optionName(argv[optind - 1]) + "'";
            return std::nullopt;
        default:
            for (const auto& target : kTargets) {
                if (target.option != code)
                    continue;
                const bool isFlag = code == Tls || code == Insecure;
                const std::string name = kOptions[code - Mqtt].name;
                options.entries.push_back({target.section, target.key, isFlag ? "yes" : value, "--" + name});
            }
        }
    }
    if (optind < argc) {
        error = "unexpected '" + std::string(argv[optind]) + "': every setting is an option (see --help)";
        return std::nullopt;
    }
    if (!ports.empty())
        options.entries.push_back({"bridge", "ports", ports, "--port"});
    return options;
}

std::string_view bridgeUsage() {
    return kUsage;
}

} // namespace tarvex::cli
