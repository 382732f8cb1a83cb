#include "ControlCommand.h"

#include "Options.h"
#include "QuotedText.h"

#include <algorithm>
#include <vector>

namespace sim {

namespace {

constexpr std::string_view kHelp =
    R"(alarm TERMINALS ZONE on|off    zone alarm (zone 1-8); a status report goes out at once
flag TERMINALS ZONE on|off     zone flag (zone 1-8), sent in long status reports
status TERMINALS BIT on|off    status bit (0-7)
report TERMINALS TYPE          a report of type 1, 2 (status), 3 (sign-off) or 4 (sign-on) now
offline TERMINALS              sign off, then send no status report and answer no command
online TERMINALS               sign on and carry on
silent TERMINALS               answer no command
reply TERMINALS                answer every command at once
reply TERMINALS from N         answer a command only from its N-th sending
reply TERMINALS late MS        answer MS milliseconds late
reply TERMINALS fc             answer with code 0xFC (protocol type 2 over UDP)
interval TERMINALS SECONDS     status report interval (0: none)
list [TERMINALS]               the terminals and their state
stats                          counters, as one JSON object
help                           this text
quit                           end the simulation (so does the end of input)
TERMINALS: A.B, ranges such as 1.1-8 or 0-3.0-255, or all. Every command answers "ok" or "error: ...".
)";

std::vector<std::string_view> wordsOf(std::string_view line) {
    std::vector<std::string_view> words;
    while (true) {
        const auto start = line.find_first_not_of(" \t\r");
        if (start == std::string_view::npos)
            return words;
        line.remove_prefix(start);
        const auto end = line.find_first_of(" \t\r");
        words.push_back(line.substr(0, end));
        if (end == std::string_view::npos)
            return words;
        line.remove_prefix(end);
    }
}

struct VerbShape {
    std::string_view word;
    ControlCommand::Verb verb;
    std::string_view arguments; // shown when the words do not fit
};

constexpr VerbShape kVerbs[] = {
    {"alarm", ControlCommand::Verb::Alarm, "TERMINALS ZONE on|off"},
    {"flag", ControlCommand::Verb::Flag, "TERMINALS ZONE on|off"},
    {"status", ControlCommand::Verb::Status, "TERMINALS BIT on|off"},
    {"report", ControlCommand::Verb::Report, "TERMINALS TYPE"},
    {"offline", ControlCommand::Verb::OffLine, "TERMINALS"},
    {"online", ControlCommand::Verb::OnLine, "TERMINALS"},
    {"silent", ControlCommand::Verb::Silent, "TERMINALS"},
    {"reply", ControlCommand::Verb::Reply, "TERMINALS [from N | late MS | fc]"},
    {"interval", ControlCommand::Verb::Interval, "TERMINALS SECONDS"},
    {"list", ControlCommand::Verb::List, "[TERMINALS]"},
    {"stats", ControlCommand::Verb::Stats, ""},
    {"help", ControlCommand::Verb::Help, ""},
    {"quit", ControlCommand::Verb::Quit, ""},
};

// Reads the words after the verb; false when they do not fit its shape.
class ArgumentReader {
public:
    ArgumentReader(const std::vector<std::string_view>& words, ControlCommand& command, std::string& error)
        : words_(words), command_(command), error_(error) {}

    bool read() {
        using Verb = ControlCommand::Verb;
        switch (command_.verb) {
        case Verb::Alarm:
        case Verb::Flag:
            return count(4) && terminals(1) && number(2, 1, 8, "zone") && onOff(3);
        case Verb::Status:
            return count(4) && terminals(1) && number(2, 0, 7, "status bit") && onOff(3);
        case Verb::Report:
            return count(3) && terminals(1) && number(2, 1, 4, "report type");
        case Verb::OffLine:
        case Verb::OnLine:
        case Verb::Silent:
            return count(2) && terminals(1);
        case Verb::Reply:
            return replyChange();
        case Verb::Interval:
            return count(3) && terminals(1) && seconds(2);
        case Verb::List:
            return words_.size() <= 2 && (words_.size() == 1 || terminals(1));
        case Verb::Stats:
        case Verb::Help:
        case Verb::Quit:
        case Verb::None:
            return count(1);
        }
        return false;
    }

private:
    bool count(std::size_t n) const { return words_.size() == n; }

    bool terminals(std::size_t at) {
        const auto pattern = AddressPattern::parse(words_[at], error_);
        if (!pattern)
            return false;
        command_.selector = words_[at];
        command_.terminals = *pattern;
        return true;
    }

    bool number(std::size_t at, int lowest, int highest, std::string_view what) {
        const auto n = parseNumber(words_[at], lowest, highest);
        if (!n) {
            error_ = quoted(words_[at]) + " is not a " + std::string(what) + " (" + std::to_string(lowest) +
                     "-" + std::to_string(highest) + ")";
            return false;
        }
        command_.number = *n;
        return true;
    }

    bool onOff(std::size_t at) {
        if (words_[at] != "on" && words_[at] != "off") {
            error_ = "say on or off, not '" + std::string(words_[at]) + "'";
            return false;
        }
        command_.on = words_[at] == "on";
        return true;
    }

    bool seconds(std::size_t at) {
        const auto interval = parseSeconds(words_[at]);
        if (!interval) {
            error_ = quoted(words_[at]) + " is not a number of seconds";
            return false;
        }
        command_.interval = *interval;
        return true;
    }

    bool replyChange() {
        using Change = ControlCommand::ReplyChange;
        if (words_.size() < 2 || !terminals(1))
            return false;
        if (count(2))
            return true;
        if (count(3) && words_[2] == "fc") {
            command_.replyChange = Change::CatchAll;
            return true;
        }
        if (count(4) && words_[2] == "from") {
            command_.replyChange = Change::FromSending;
            return number(3, 1, 1000, "sending");
        }
        if (count(4) && words_[2] == "late") {
            command_.replyChange = Change::Late;
            return number(3, 0, 3600000, "number of milliseconds");
        }
        return false;
    }

    const std::vector<std::string_view>& words_;
    ControlCommand& command_;
    std::string& error_;
};

} // namespace

std::optional<ControlCommand> ControlCommand::parse(std::string_view line, std::string& error) {
    ControlCommand command;
    const auto words = wordsOf(line);
    if (words.empty() || words.front().starts_with('#'))
        return command;
    const auto shape = std::find_if(std::begin(kVerbs), std::end(kVerbs),
                                    [&](const VerbShape& s) { return s.word == words.front(); });
    if (shape == std::end(kVerbs)) {
        error = "unknown command '" + std::string(words.front()) + "' (type help)";
        return std::nullopt;
    }
    command.verb = shape->verb;
    if (!ArgumentReader(words, command, error).read()) {
        if (error.empty())
            error = "usage: " + std::string(shape->word) + " " + std::string(shape->arguments);
        return std::nullopt;
    }
    return command;
}

std::string_view controlHelpText() {
    return kHelp;
}

} // namespace sim
