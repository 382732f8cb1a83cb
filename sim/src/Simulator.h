#pragma once

#include "ControlCommand.h"
#include "FrameLog.h"
#include "Link.h"
#include "Options.h"
#include "Scheduler.h"
#include "Terminal.h"

#include <asio/io_context.hpp>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace sim {

// Counts of what went over the wire, for the stats command.
struct SimulatorStats {
    long long commands = 0;
    long long replies = 0;
    long long reports = 0; // first sendings
    long long resends = 0;
    long long acknowledged = 0;
    long long givenUp = 0;
    long long errors = 0; // frames that could not be read or meant nothing to a terminal
};

// The terminals and their links: routes what the PC sends to the terminal it names, puts what the
// terminals send on their links, and logs every frame both ways.
class Simulator final : private TerminalHost, private LinkListener {
public:
    // Terminals on one link start this far apart, so that thousands do not report in the same instant.
    static constexpr Duration kStartSpacing = std::chrono::microseconds(100);

    Simulator(asio::io_context& io, FrameLog& log);
    ~Simulator() override;

    // Creates the links and their terminals. Throws std::exception saying what failed.
    void open(const Options& options);
    // Starts the links: terminals start as their link comes up.
    void start();
    // One line per link: its name, kind and where it leads.
    std::vector<std::string> linkDescriptions() const;

    // Applies a control command and writes its answer, ending with "ok" or "error: ...".
    void execute(const ControlCommand& command, std::ostream& out);

private:
    struct LinkTerminals {
        std::unique_ptr<Link> link;
        std::vector<Terminal*> byAddress; // 65536 entries, A * 256 + B
        std::vector<Terminal*> all;
        bool started = false;
    };

    void openLink(const LinkOptions& options, int index, const std::filesystem::path& workFolder);
    LinkTerminals& linkOf(const Link& link);
    LinkTerminals& linkOf(const Terminal& terminal) { return links_[terminal.linkIndex()]; }
    Terminal* terminalAt(const Link& link, TerminalAddress address);
    void handleFrame(Link& link, const PcFrame& frame);
    void handleCommand(Link& link, const PcFrame& frame, Terminal* terminal);
    void handleAcknowledgement(Link& link, const PcFrame& frame, Terminal* terminal);
    LogRecord record(std::string_view kind, const Link& link, const char* direction) const;
    void logError(const Link& link, std::span<const std::uint8_t> bytes, std::string_view why);
    void apply(const ControlCommand& command, Terminal& terminal, Duration startOffset);
    std::string describe(const Terminal& terminal) const;

    // TerminalHost
    void sendReport(Terminal& terminal, const PendingReport& report) override;
    void sendReply(Terminal& terminal, std::uint8_t replyCode) override;
    void reportGivenUp(Terminal& terminal, const PendingReport& report) override;
    void wakeAfter(Terminal& terminal, Duration delay, Wake wake, std::uint32_t token) override;

    // LinkListener
    void lineUp(Link& link) override;
    void lineDown(Link& link) override;
    void received(Link& link, std::span<const std::uint8_t> frame) override;
    void noise(Link& link, std::span<const std::uint8_t> bytes, std::string_view why) override;

    asio::io_context& io_;
    FrameLog& log_;
    Scheduler scheduler_;
    std::vector<LinkTerminals> links_;
    std::vector<std::unique_ptr<Terminal>> terminals_;
    SimulatorStats stats_;
};

} // namespace sim
