// The bridge's configuration file and command line: what they set, which wins, and the errors that name
// the file and line or the option at fault.
#include "BridgeConfig.h"

#include "BridgeOptions.h"
#include "ostrel/ostrel.h"
#include "support/PtyLine.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>
#include <sys/stat.h>

using namespace tarvex::cli;

namespace {

constexpr const char* kFullConfig = R"(# The site's bridge
[broker]
host = broker.example.net
port = 8884
username = tarvex
password = s3cret # not a comment: passwords may hold #
client_id = site-bridge
tls = yes
cafile = /etc/ssl/site-ca.pem

[bridge]
ports = 6000 3
retries = 5
topic = site/alarms
discovery = homeassistant

[passwords]
default = 1234
6000/1.2 = 567890
)";

// Settings from the text and then the options; the first error, or "" when they hold.
std::string settle(const std::string& text, std::vector<std::string> arguments, BridgeSettings& settings) {
    std::string error;
    const auto entries = parseBridgeConfig(text, "bridge.conf", error);
    if (!entries)
        return error;
    arguments.insert(arguments.begin(), "bridge");
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    const auto options = parseBridgeOptions(static_cast<int>(argv.size()), argv.data(), error);
    if (!options)
        return error;
    auto all = *entries;
    all.insert(all.end(), options->entries.begin(), options->entries.end());
    for (const auto& entry : all)
        if (!applySetting(settings, entry, error))
            return error;
    std::ostringstream warnings;
    return completeSettings(settings, error, warnings) ? "" : error;
}

std::string settle(const std::string& text, std::vector<std::string> arguments = {}) {
    BridgeSettings settings;
    return settle(text, std::move(arguments), settings);
}

TEST(BridgeConfig, TheFileSetsEverySettingAndTheCommandLineWins) {
    BridgeSettings settings;
    ASSERT_EQ(settle(kFullConfig, {}, settings), "");
    EXPECT_EQ(settings.broker.host, "broker.example.net");
    EXPECT_EQ(settings.broker.effectivePort(), 8884);
    EXPECT_EQ(settings.broker.username, "tarvex");
    EXPECT_EQ(settings.broker.password, "s3cret # not a comment: passwords may hold #");
    EXPECT_EQ(settings.broker.clientId, "site-bridge");
    EXPECT_TRUE(settings.broker.tls);
    EXPECT_EQ(settings.broker.cafile, "/etc/ssl/site-ca.pem");
    EXPECT_EQ(settings.ports, (std::vector<PortSpec>{{6000, OSTREL_PORT_UDP}, {3, 3}}));
    EXPECT_EQ(settings.retries, 5);
    EXPECT_EQ(settings.topic, "site/alarms");
    EXPECT_EQ(settings.discoveryPrefix, "homeassistant");
    EXPECT_EQ(settings.passwords.find(6000, {1, 2}), "567890");
    EXPECT_EQ(settings.passwords.find(6000, {1, 3}), "1234");

    BridgeSettings overridden;
    ASSERT_EQ(settle(kFullConfig,
                     {"--mqtt", "10.0.0.5", "--port", "7000", "--port", "4", "--retries", "2", "--topic", "t",
                      "--discovery", "ha", "--client-id", "other"},
                     overridden),
              "");
    EXPECT_EQ(overridden.broker.host, "10.0.0.5");
    EXPECT_EQ(overridden.broker.effectivePort(), 8884) << "--mqtt without a port keeps the file's";
    EXPECT_EQ(overridden.ports, (std::vector<PortSpec>{{7000, OSTREL_PORT_UDP}, {4, 4}}));
    EXPECT_EQ(overridden.retries, 2);
    EXPECT_EQ(overridden.topic, "t");
    EXPECT_EQ(overridden.discoveryPrefix, "ha");
    EXPECT_EQ(overridden.broker.clientId, "other");
}

TEST(BridgeConfig, TheBrokerPortFollowsTls) {
    BridgeSettings plain, secure, bracketed;
    ASSERT_EQ(settle("", {"--mqtt", "m.example", "--port", "6000"}, plain), "");
    EXPECT_EQ(plain.broker.effectivePort(), 1883);
    ASSERT_EQ(settle("", {"--mqtt", "m.example", "--port", "6000", "--tls", "--insecure"}, secure), "");
    EXPECT_EQ(secure.broker.effectivePort(), 8883);
    EXPECT_TRUE(secure.broker.insecure);
    ASSERT_EQ(settle("", {"--mqtt", "[::1]:1999", "--port", "6000"}, bracketed), "");
    EXPECT_EQ(bracketed.broker.host, "::1");
    EXPECT_EQ(bracketed.broker.effectivePort(), 1999);
}

TEST(BridgeConfig, MalformedLinesAreNamedByFileAndLine) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"[broker]\nhost broker\n", "bridge.conf:2: expected key = value"},
        {"host = broker\n", "bridge.conf:1: 'host' stands before any [section]"},
        {"# a comment\n\n[broker\n", "bridge.conf:3: a section is written [name]"},
        {"[broker]\n = x\n", "bridge.conf:2: no key before '='"},
        {"[broker]\nhost = a\n\nhost = b\n",
         "bridge.conf:4: 'host' is set twice in [broker] (first on line 2)"},
        {"[brokers]\nhost = a\n", "bridge.conf:2: unknown section [brokers]"},
        {"[broker]\nhots = a\n", "bridge.conf:2: unknown key 'hots' in [broker]"},
        {"[broker]\nport = 70000\n", "bridge.conf:2: port: must be a TCP port 1 to 65535"},
        {"[broker]\ntls = maybe\n", "bridge.conf:2: tls: must be yes or no"},
        {"[bridge]\nports = 6000 x\n", "bridge.conf:2: ports: 'x' is no port"},
        {"[bridge]\nports = 6000 6000\n", "bridge.conf:2: ports: port 6000 is named twice"},
        {"[bridge]\nports =\n", "bridge.conf:2: ports: must name at least one port"},
        {"[bridge]\nretries = 0\n", "bridge.conf:2: retries: must be a number of sendings 1 to 255"},
        {"[bridge]\ntopic = a/+/b\n", "bridge.conf:2: topic: must not hold the wildcards"},
        {"[bridge]\ndiscovery = ha/\n", "bridge.conf:2: discovery: must not start or end with '/'"},
        {"[passwords]\ndefault = 12345\n", "bridge.conf:2: default: a terminal's password has 4 or 6 digits"},
        {"[passwords]\n6000-1.2 = 1234\n", "bridge.conf:2: 6000-1.2: '6000-1.2' is neither default nor"},
        {"[passwords]\n6000/1.255 = 1234\n", "bridge.conf:2: 6000/1.255: '1.255' is no terminal address"},
    };
    for (const auto& [text, expected] : cases) {
        const auto error = settle(text, {"--mqtt", "m", "--port", "6000"});
        EXPECT_TRUE(error.starts_with(expected)) << text << "gave: " << error;
    }
}

TEST(BridgeConfig, OptionsAndMissingSettingsGetClearErrors) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--mqtt", "m", "--port", "6000", "--retries", "300"}, "--retries: must be a number of sendings"},
        {{"--mqtt", "m", "--port", "0"}, "--port: '0' is no port"},
        {{"--mqtt", "m:x", "--port", "6000"}, "--mqtt: must be a TCP port"},
        {{"--mqtt", "m", "--port", "6000", "--password", "x"}, "unknown option '--password'"},
        {{"--mqtt", "m", "--port", "6000", "--password=x"},
         "unknown option '--password' (options are written in full)"},
        {{"--mqtt", "m", "--port", "6000", "--retr", "2"}, "unknown option '--retr'"},
        {{"--mqtt", "m", "--port"}, "--port needs a value"},
        {{"--mqtt", "m", "--port", "6000", "extra"}, "unexpected 'extra'"},
        {{"--port", "6000"}, "no broker"},
        {{"--mqtt", "m"}, "no port"},
        {{"--mqtt", "m", "--port", "6000", "--cafile", "ca.pem"},
         "cafile, capath, cert, key and insecure are TLS"},
        {{"--mqtt", "m", "--port", "6000", "--tls", "--cert", "c.pem"}, "a client certificate needs its key"},
        {{"--mqtt", "m", "--port", "6000", "--username", "u", "--password-file", "/nonexistent/pw"},
         "/nonexistent/pw: cannot be read"},
    };
    for (const auto& [arguments, expected] : cases) {
        const auto error = settle("", arguments);
        EXPECT_TRUE(error.starts_with(expected)) << arguments.back() << " gave: " << error;
    }
    EXPECT_TRUE(settle("[broker]\npassword = x\n", {"--mqtt", "m", "--port", "6000"})
                    .starts_with("a broker password needs a username"));
}

// Files on disk: their text, a world-readable one warned about, the password file's first line.
TEST(BridgeConfig, FilesAreReadAndThoseOthersCanReadAreWarnedAbout) {
    ScratchFolder folder;
    const auto write = [](const std::string& name, const std::string& text, mode_t mode) {
        std::ofstream(name) << text;
        ::chmod(name.c_str(), mode);
    };
    write("private.conf", kFullConfig, 0600);
    write("open.conf", "[bridge]\nbogus = 1\n", 0644);
    write("password", "pa ss#word\nsecond line\n", 0640);

    std::string error;
    std::ostringstream warnings;
    const auto entries = readBridgeConfig("private.conf", error, warnings);
    ASSERT_TRUE(entries) << error;
    EXPECT_EQ(entries->size(), 13u);
    EXPECT_EQ(entries->back().origin, "private.conf:19");
    EXPECT_EQ(warnings.str(), "");

    ASSERT_TRUE(readBridgeConfig("open.conf", error, warnings));
    EXPECT_NE(warnings.str().find("open.conf is readable by every user"), std::string::npos)
        << warnings.str();

    EXPECT_FALSE(readBridgeConfig("missing.conf", error, warnings));
    EXPECT_TRUE(error.starts_with("missing.conf: cannot be read")) << error;

    BridgeSettings settings;
    ASSERT_EQ(settle(kFullConfig, {"--password-file", "password"}, settings), "");
    EXPECT_EQ(settings.broker.password, "pa ss#word") << "the file replaces the configuration's password";
    write("empty", "\n", 0600);
    EXPECT_EQ(settle(kFullConfig, {"--password-file", "empty"}), "empty: the first line holds no password");
}

// The commented example that ships: as it is, and with every setting it shows taken in, it names only
// keys that exist, with values they take.
TEST(BridgeConfig, TheShippedExampleHoldsOnlyRealSettings) {
    std::ifstream file(BRIDGE_CONF_EXAMPLE);
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(settle(text), "");

    std::string uncommented;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        // A setting commented out starts "#key = "; prose starts "# ".
        const bool setting =
            line.size() > 1 && line[0] == '#' && line[1] != ' ' && line.find(" = ") != std::string::npos;
        uncommented += (setting ? line.substr(1) : line) + "\n";
    }
    ASSERT_NE(uncommented, text);
    std::string error;
    const auto entries = parseBridgeConfig(uncommented, "example", error);
    ASSERT_TRUE(entries) << error;
    EXPECT_EQ(entries->size(), 18u) << "every key of [broker] and [bridge], and both kinds of password";
    BridgeSettings settings;
    for (const auto& entry : *entries)
        EXPECT_TRUE(applySetting(settings, entry, error)) << error;
}

} // namespace
