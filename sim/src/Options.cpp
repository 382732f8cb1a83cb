#include "Options.h"

#include "FrameLog.h"
#include "QuotedText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>

namespace sim {

namespace {

constexpr std::string_view kUsage = R"(zenvar-sim: simulated Zenvar terminals on UDP and serial lines.

usage: zenvar-sim [--json FILE] [--log FILE | --quiet] [--log-only KINDS] [--work-folder DIR] LINK [LINK ...]

Each LINK starts with one of
  --udp HOST:PORT       terminals that talk to the PC at HOST:PORT over UDP
  --serial DEVICE       terminals on a serial line, such as /dev/ttyUSB0
  --pty                 terminals on a new pseudo-terminal; the PC opens its slave (path printed)
followed by its terminals and their settings:
  --terminals LIST      addresses A.B, comma-separated; A and B may be ranges m-n (1.1-8,2.1)
  --type 1|2            protocol type (default 1)
  --com N               pty: places the device link dev/COMN in the working folder
  --bind HOST:PORT      udp: local address and port (default: the address that reaches the PC, any port)
  --interval SECONDS    status report interval, 0 for none (default 10; fractions allowed)
  --long                status reports carry the zone flags
  --status BITS         status bits at start (default 0; decimal or 0x..)
  --tries N             sendings of a report before it is given up (default 3)
  --resend MS           time between sendings of a report (default 1000)
  --silent              answer no command
  --reply-from N        answer a command only from its N-th sending
  --reply-late MS       answer commands MS milliseconds late
  --reply-fc            answer with code 0xFC (protocol type 2 over UDP)

Other options:
  --json FILE           every frame received and sent, decoded, one JSON object per line ("-": stdout)
  --log FILE            the same in readable form (default: standard error)
  --quiet               no readable log
  --log-only KINDS      only records of these kinds in both logs, comma-separated: line, command,
                        ack, report, reply, error, gave-up (under load: command,error)
  --work-folder DIR     where --com places dev/COMn (default: the current folder)

Terminals send a status report when their link comes up and then every interval; control commands on
standard input change them while they run (type "help"). End of input quits.
)";

using Arguments = std::vector<std::string_view>;

class Parser {
public:
    explicit Parser(Arguments arguments) : arguments_(std::move(arguments)) {}

    std::optional<Options> parse(std::string& error) {
        Options options;
        while (next_ < arguments_.size()) {
            const auto option = arguments_[next_++];
            if (!take(option, options)) {
                error = error_.empty() ? "unknown option '" + std::string(option) + "'" : error_;
                return std::nullopt;
            }
        }
        if (!options.help && !checkLinks(options, error))
            return std::nullopt;
        return options;
    }

private:
    bool take(std::string_view option, Options& options) {
        if (option == "--help" || option == "-h") {
            options.help = true;
            return true;
        }
        if (option == "--quiet") {
            options.quiet = true;
            return true;
        }
        if (option == "--json")
            return value(option, [&](std::string_view v) {
                options.jsonLog = v;
                return true;
            });
        if (option == "--log")
            return value(option, [&](std::string_view v) {
                options.readableLog = v;
                return true;
            });
        if (option == "--log-only")
            return value(option, [&](std::string_view v) { return takeLogKinds(v, options.logKinds); });
        if (option == "--work-folder")
            return value(option, [&](std::string_view v) {
                options.workFolder = v;
                return true;
            });
        if (option == "--udp" || option == "--serial" || option == "--pty")
            return startLink(option, options);
        if (options.links.empty()) {
            if (isLinkOption(option))
                error_ = std::string(option) + " belongs to a link: start one with --udp, --serial or --pty";
            return false;
        }
        return takeLinkOption(option, options.links.back());
    }

    bool startLink(std::string_view option, Options& options) {
        LinkOptions link;
        if (option == "--pty") {
            link.kind = LinkOptions::Kind::Pty;
            options.links.push_back(link);
            return true;
        }
        if (option == "--serial") {
            link.kind = LinkOptions::Kind::Serial;
            return value(option, [&](std::string_view v) {
                link.device = v;
                options.links.push_back(link);
                return true;
            });
        }
        return value(option, [&](std::string_view v) {
            const auto pc = parseHostPort(v);
            if (!pc || pc->second == 0)
                return false;
            link.pcHost = pc->first;
            link.pcPort = pc->second;
            options.links.push_back(link);
            return true;
        });
    }

    // A comma-separated list of record kinds; an unknown kind is refused by name.
    bool takeLogKinds(std::string_view list, std::vector<std::string>& kinds) {
        while (true) {
            const auto comma = list.find(',');
            const auto kind = list.substr(0, comma);
            if (std::find(kRecordKinds.begin(), kRecordKinds.end(), kind) == kRecordKinds.end()) {
                error_ = quoted(kind) + " is no kind of record (";
                for (const auto known : kRecordKinds)
                    error_ += std::string(known) + (known == kRecordKinds.back() ? ")" : ", ");
                return false;
            }
            kinds.emplace_back(kind);
            if (comma == std::string_view::npos)
                return true;
            list.remove_prefix(comma + 1);
        }
    }

    static bool isLinkOption(std::string_view option) {
        static const std::vector<std::string_view> kLinkOptions{
            "--terminals", "--type",   "--com",    "--bind",       "--interval",   "--long",    "--status",
            "--tries",     "--resend", "--silent", "--reply-from", "--reply-late", "--reply-fc"};
        return std::find(kLinkOptions.begin(), kLinkOptions.end(), option) != kLinkOptions.end();
    }

    bool takeLinkOption(std::string_view option, LinkOptions& link) {
        auto& settings = link.settings;
        const auto number = [&](int lowest, int highest, auto store) {
            return value(option, [&](std::string_view v) {
                const auto n = parseNumber(v, lowest, highest);
                if (n)
                    store(*n);
                return n.has_value();
            });
        };
        if (option == "--terminals")
            return value(option, [&](std::string_view v) {
                auto patterns = parseAddressList(v, error_);
                if (patterns)
                    link.terminals.insert(link.terminals.end(), patterns->begin(), patterns->end());
                return patterns.has_value();
            });
        if (option == "--type")
            return number(1, 2, [&](int n) { settings.protocolType = n; });
        if (option == "--com" && link.kind == LinkOptions::Kind::Pty)
            return number(1, 10, [&](int n) { link.comNumber = n; });
        if (option == "--bind" && link.kind == LinkOptions::Kind::Udp)
            return value(option, [&](std::string_view v) {
                const auto local = parseHostPort(v);
                if (local) {
                    link.localHost = local->first;
                    link.localPort = local->second;
                }
                return local.has_value();
            });
        if (option == "--interval")
            return value(option, [&](std::string_view v) {
                const auto interval = parseSeconds(v);
                if (interval)
                    settings.reportInterval = *interval;
                return interval.has_value();
            });
        if (option == "--long") {
            settings.longReports = true;
            return true;
        }
        if (option == "--status")
            return number(0, 255, [&](int n) { settings.status = static_cast<std::uint8_t>(n); });
        if (option == "--tries")
            return number(1, 1000, [&](int n) { settings.reportTries = n; });
        if (option == "--resend")
            return number(1, 3600000, [&](int n) { settings.resendDelay = std::chrono::milliseconds(n); });
        if (option == "--silent") {
            settings.reply.answers = false;
            return true;
        }
        if (option == "--reply-from")
            return number(1, 1000, [&](int n) { settings.reply.fromSending = n; });
        if (option == "--reply-late")
            return number(0, 3600000, [&](int n) { settings.reply.delay = std::chrono::milliseconds(n); });
        if (option == "--reply-fc") {
            settings.reply.catchAll = true;
            return true;
        }
        if (isLinkOption(option))
            error_ = std::string(option) + " does not apply to this kind of link";
        return false;
    }

    // Hands the option's value to store; a missing or refused value is an error that names the option.
    bool value(std::string_view option, const std::function<bool(std::string_view)>& store) {
        if (next_ >= arguments_.size()) {
            error_ = std::string(option) + " needs a value";
            return false;
        }
        const auto text = arguments_[next_++];
        if (store(text))
            return true;
        if (error_.empty())
            error_ = quoted(text) + " is not a valid value for " + std::string(option);
        return false;
    }

    static bool checkLinks(const Options& options, std::string& error) {
        if (options.links.empty()) {
            error = "no link: give at least one of --udp, --serial or --pty";
            return false;
        }
        for (std::size_t i = 0; i < options.links.size(); ++i) {
            if (options.links[i].terminals.empty()) {
                error = "link " + std::to_string(i + 1) + " has no terminals: add --terminals";
                return false;
            }
        }
        return true;
    }

    Arguments arguments_;
    std::size_t next_ = 0;
    std::string error_;
};

} // namespace

std::optional<Options> parseOptions(int argc, const char* const* argv, std::string& error) {
    Arguments arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    return Parser(std::move(arguments)).parse(error);
}

std::string_view usageText() {
    return kUsage;
}

std::optional<std::pair<std::string, std::uint16_t>> parseHostPort(std::string_view text) {
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0)
        return std::nullopt;
    const auto port = parseNumber(text.substr(colon + 1), 0, 65535);
    if (!port)
        return std::nullopt;
    return std::pair{std::string(text.substr(0, colon)), static_cast<std::uint16_t>(*port)};
}

std::optional<Duration> parseSeconds(std::string_view text) {
    double seconds = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc() || end != text.data() + text.size() || !(seconds >= 0) || seconds > 86400)
        return std::nullopt;
    return Duration(std::llround(seconds * 1e6));
}

std::optional<int> parseNumber(std::string_view text, int lowest, int highest) {
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    }
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < lowest ||
        value > highest)
        return std::nullopt;
    return value;
}

} // namespace sim
