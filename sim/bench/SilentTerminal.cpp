// A terminal that never answers, on the same UDP port as one that answers at once, with Ostrel set up as
// the tool sets it up (reply time-out 1000 ms, retry limit 3): how long the port is kept from the other
// terminal's commands, and whether every command to the silent one is reported through onSendFailed.
//  1. One command to the silent terminal, then one to the answering one: when is the second answered?
//  2. The port's queue filled with commands to the silent terminal: how long a command to the answering
//     one is refused, and once it is queued behind them, how long until it is answered. Failures are
//     counted as they come; the wait for the answer is cut at the time given (the whole queue takes hours),
//     and what is left is estimated from the pace of the failures.
// Commands are told apart as support/CommandLedger.h describes.
//   sim-silent-terminal [seconds to watch the full queue, default 120]
#include "BenchSupport.h"
#include "support/CommandLedger.h"
#include "support/PtyLine.h"
#include "support/SimFrameFeed.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr int kSilentB = 1, kAnsweringB = 2;        // terminals 1.1 and 1.2
const SequencedCommand& kCommand = commandMix()[0]; // carries its number: no two frames are alike

// What Ostrel and the terminals tell: the ledger, and when each failure came.
struct Outcomes {
    CommandLedger ledger;
    std::atomic<long long> failures{0};
    std::atomic<bench::Clock::rep> lastFailure{0};

    static void onSendFailed(void* user, int32_t, int32_t a, int32_t b, int32_t code, const char*) {
        auto* self = static_cast<Outcomes*>(user);
        self->ledger.onSendFailed(a & 0xFF, b & 0xFF, code & 0xFF);
        self->lastFailure = bench::Clock::now().time_since_epoch().count();
        ++self->failures;
    }
    bench::Clock::time_point lastFailureTime() const {
        return bench::Clock::time_point(bench::Clock::duration(lastFailure));
    }
};

bool queueTo(CommandLedger& ledger, OstrelContext* context, int b) {
    const auto sequence = ledger.open(1, b, kCommand);
    if (!sequence)
        return false;
    if (kCommand.queue(context, 1, b, *sequence))
        return true;
    ledger.refused();
    return false;
}

// Waits until the answering terminal has answered one more command, at most the limit; the wait.
std::optional<double> waitForAnswer(const CommandLedger& ledger, long long repliedBefore,
                                    std::chrono::seconds limit,
                                    const std::function<void(double)>& everyMinute = {}) {
    const auto start = bench::Clock::now();
    auto nextMinute = start + 60s;
    while (bench::Clock::now() - start < limit) {
        if (ledger.totals().replied > repliedBefore)
            return bench::secondsSince(start);
        if (everyMinute && bench::Clock::now() >= nextMinute) {
            everyMinute(bench::secondsSince(start));
            nextMinute += 60s;
        }
        std::this_thread::sleep_for(5ms);
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    const auto watch = std::chrono::seconds(argc > 1 ? std::atoi(argv[1]) : 120);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    ScratchFolder folder;
    const auto outcomes = std::make_unique<Outcomes>();
    CommandLedger& ledger = outcomes->ledger;
    OstrelCallbacks callbacks{};
    callbacks.onSendFailed = Outcomes::onSendFailed;
    OstrelContext* context = Init_Ostrel(outcomes.get(), &callbacks);
    const int port = startOnFreeUdpPort(context); // reply time-out 1000 ms, retry limit 3, as the tool
    {
        SimFrameFeed feed(folder.path());
        feed.start([&ledger](std::string_view line, bench::Clock::time_point arrived) {
            ledger.onLogLine(line, arrived);
        });
        SimProcess sim({"--json", feed.path(), "--log-only", "command,error", "--udp",
                        "127.0.0.1:" + std::to_string(port), "--type", "2", "--terminals", "1.1-2",
                        "--interval", "1"},
                       folder.path(), SimProcess::Logs::Off);
        sim.waitReady();
        sim.command("silent 1.1");
        // Both heard, so that a command to either is sent, not dropped.
        std::int32_t silentState = 0, answeringState = 0;
        waitUntil([&] {
            GetTerminalState(context, OSTREL_PORT_UDP, 1, kSilentB, &silentState);
            GetTerminalState(context, OSTREL_PORT_UDP, 1, kAnsweringB, &answeringState);
            return silentState == OSTREL_STATE_ON_LINE && answeringState == OSTREL_STATE_ON_LINE;
        });

        // 1. One command ahead.
        queueTo(ledger, context, kSilentB);
        queueTo(ledger, context, kAnsweringB);
        const auto oneAhead = waitForAnswer(ledger, 0, 30s);
        std::printf(
            "one command to the silent terminal ahead: the answering terminal's command answered after "
            "%.2f s; failures reported %lld\n",
            oneAhead.value_or(-1), outcomes->failures.load());

        // 2. A full queue ahead.
        const auto before = ledger.totals();
        const long long failuresBefore = outcomes->failures;
        long long silentQueued = 0;
        while (queueTo(ledger, context, kSilentB))
            ++silentQueued;
        const auto filled = bench::Clock::now();
        while (!queueTo(ledger, context, kAnsweringB) && bench::secondsSince(filled) < 60)
            std::this_thread::sleep_for(10ms);
        const auto queued = bench::Clock::now();
        const long long ahead = silentQueued - (outcomes->failures - failuresBefore);
        std::printf(
            "full queue: %lld commands to the silent terminal queued before Cmd_ said false; a command to "
            "the answering terminal refused for %.2f s, then queued behind %lld of them\n",
            silentQueued, bench::secondsSince(filled), ahead);

        const long long failuresAtQueueing = outcomes->failures;
        const auto failureBeforeQueueing = outcomes->lastFailureTime();
        const auto answered = waitForAnswer(ledger, before.replied, watch, [&](double seconds) {
            std::printf("  %.0f s: %lld failures reported since\n", seconds,
                        outcomes->failures - failuresAtQueueing);
        });
        const auto t = ledger.totals();
        const long long failures = outcomes->failures - failuresAtQueueing;
        // The pace: from the last failure before the command was queued to the last one since.
        const std::chrono::duration<double> failing = outcomes->lastFailureTime() - failureBeforeQueueing;
        const double pace = failures > 0 ? failing.count() / static_cast<double>(failures) : 0;
        std::printf("onSendFailed: %lld failures in %.1f s since, one every %.3f s; the terminal saw %lld "
                    "sendings after the first\n",
                    failures, bench::secondsSince(queued), pace, t.resendings - before.resendings);
        if (answered) {
            std::printf(
                "the answering terminal's command answered %.1f s (%.1f min) after it was queued; of the "
                "%lld commands to the silent terminal %lld were reported failed, %lld not reported\n",
                *answered, *answered / 60, silentQueued, t.failed - before.failed,
                t.unreported - before.unreported);
        } else {
            std::printf(
                "not answered within %lld s: at that pace the port keeps it waiting behind %lld commands "
                "for about %.0f s (%.0f min)\n",
                static_cast<long long>(watch.count()), ahead, pace * static_cast<double>(ahead),
                pace * static_cast<double>(ahead) / 60);
        }
    }
    Quit_Ostrel(context);
    return 0;
}
