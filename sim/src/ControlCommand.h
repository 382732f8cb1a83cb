#pragma once

#include "Terminal.h"
#include "TerminalAddress.h"

#include <optional>
#include <string>
#include <string_view>

namespace sim {

// One line of standard input: a change to some terminals, a question, or quit. Terminals are named by an
// address pattern ("1.2", "1.1-8", "all").
struct ControlCommand {
    enum class Verb {
        None, // a blank line or a # comment
        Alarm,
        Flag,
        Status,
        Report,
        OffLine,
        OnLine,
        Silent,
        Reply,
        Interval,
        List,
        Stats,
        Help,
        Quit
    };
    // What "reply" changes: back to answering at once, or one aspect of answering.
    enum class ReplyChange { AtOnce, FromSending, Late, CatchAll };

    Verb verb = Verb::None;
    std::string selector = "all";
    AddressPattern terminals;
    int number = 0; // zone, status bit, report type, sending or milliseconds
    bool on = false;
    ReplyChange replyChange = ReplyChange::AtOnce;
    Duration interval{};

    // The command, or nothing with the reason in error.
    static std::optional<ControlCommand> parse(std::string_view line, std::string& error);
};

std::string_view controlHelpText();

} // namespace sim
