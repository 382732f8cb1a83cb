// fuzz-core: Ostrel's sans-I/O core driven by the input as a program, in synthetic time, the way the driver
// drives it: datagrams from any source, serial bytes split across ticks, ticks, the twelve commands with
// any texts and arguments, start and stop. What the core hands out is checked as it comes (CheckedTransport,
// CheckedCallbacks); the table's queries are checked when the program asks them.
#include "CheckedCallbacks.h"
#include "CheckedTransport.h"
#include "CoreExpectations.h"
#include "CoreProgram.h"
#include "FuzzCommand.h"
#include "FuzzInput.h"
#include "Require.h"
#include "WireChecks.h"
#include "core/OstrelCore.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <deque>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

ostrel::Ipv4Address octets(const std::uint8_t (&address)[4]) {
    return {address[0], address[1], address[2], address[3]};
}

ostrel::Ipv4Address readAddress(FuzzInput& in) {
    ostrel::Ipv4Address address{};
    for (std::uint8_t& octet : address)
        octet = in.byte();
    return address;
}

// A port index as a caller's port number minus one: 11 to 15 name no port.
int readPortIndex(FuzzInput& in) {
    return in.byte() % 16;
}

void sealAs(std::span<std::uint8_t> bytes, int seal) {
    switch (seal) {
    case CoreProgram::Canonical:
        wire_checks::seal(bytes, wire_checks::kCanonicalLengthAt, false);
        break;
    case CoreProgram::Network:
        wire_checks::seal(bytes, wire_checks::kNetworkLengthAt, true);
        break;
    case CoreProgram::Serial:
        wire_checks::seal(bytes, wire_checks::kSerialLengthAt, true);
        break;
    default:
        break;
    }
}

// One fuzz run: a fresh core, its recordings, and the serial lines as the driver sees them.
class CoreRun {
public:
    CoreRun() {
        callbacks_.watch(core_);
        callbacks_.onEachReport = [this](int portIndex, std::uint8_t a, std::uint8_t b) {
            if (reactToReports_)
                queueClean(portIndex, a, b);
        };
        // As after a successful Start_Ostrel: values stored, the passes running.
        core_.setLocalAddress(octets(CoreProgram::kPcAddress));
        core_.storeValues(0, 2);
        core_.startTimers();
    }

    void run(FuzzInput& in) {
        for (int step = 0; step < CoreProgram::kMaxSteps && !in.empty(); ++step)
            perform(static_cast<CoreProgram::Step>(in.byte() % CoreProgram::kStepKinds), in);
        // The context ends: whatever is still held is discarded, and then every frame has had its outcome.
        core_.destroy();
        FUZZ_REQUIRE(expect_.unsettledCount() == 0, "%zu frames ended without an outcome",
                     expect_.unsettledCount());
        ostrel::LcdCleanFrame late;
        late.setAddress(1, 2, 0);
        late.setCommand(OSTREL_COMMAND_LCD_CLEAN);
        late.fill();
        late.finalize();
        FUZZ_REQUIRE(core_.queueFrame(0, late) == 0, "a frame queued after the destroy step");
    }

private:
    void perform(CoreProgram::Step step, FuzzInput& in) {
        switch (step) {
        case CoreProgram::Datagram:
            datagram(in);
            break;
        case CoreProgram::SerialBytes: {
            const int port = in.byte() % ostrel::kSerialPortCount;
            const int seal = in.byte() % CoreProgram::kSealKinds;
            const auto given = in.sized(CoreProgram::kMaxSerialRun);
            Bytes bytes(given.begin(), given.end());
            sealAs(bytes, seal);
            lines_[port].insert(lines_[port].end(), bytes.begin(), bytes.end());
            break;
        }
        case CoreProgram::Ticks:
            for (int n = 1 + in.byte() % CoreProgram::kMaxTicksPerStep;
                 n > 0 && ticks_ < CoreProgram::kMaxTicks; --n)
                tick();
            break;
        case CoreProgram::QueueCommand: {
            const int port = readPortIndex(in);
            const FuzzCommand command = FuzzCommand::read(in);
            ostrel::CommandFrame frame;
            if (command.build(frame))
                queue(port, frame);
            break;
        }
        case CoreProgram::StartTimers:
            core_.startTimers();
            break;
        case CoreProgram::StopSending:
            core_.stopSending();
            break;
        case CoreProgram::StopTimers:
            core_.stopTimers();
            break;
        case CoreProgram::StoreValues: {
            const std::int32_t replyTimeout = in.int32();
            core_.storeValues(replyTimeout, in.byte());
            break;
        }
        case CoreProgram::LocalAddress: {
            const auto address = readAddress(in);
            expect_.setLocalAddress(address);
            core_.setLocalAddress(address);
            break;
        }
        case CoreProgram::ForwardDestination: {
            const auto host = readAddress(in);
            const int port = in.word();
            expect_.setForward(host, port);
            core_.setForwardDestination(host, port);
            break;
        }
        case CoreProgram::ConnectionLost: {
            const int closes = transport_.udpCloses;
            const int lost = callbacks_.connectionsLost;
            core_.onConnectionLost();
            FUZZ_REQUIRE(transport_.udpCloses == closes + 1 && callbacks_.connectionsLost == lost + 1,
                         "a lost connection closed the socket %d times and was told %d times",
                         transport_.udpCloses - closes, callbacks_.connectionsLost - lost);
            break;
        }
        case CoreProgram::OpenLine: {
            const int port = in.byte() % ostrel::kSerialPortCount;
            receiving_[port] = true;
            core_.serialLineOpened(port);
            FUZZ_REQUIRE(core_.serialInput(port).empty() && !core_.isSerialLineLost(port),
                         "line %d opened afresh keeps %zu bytes or stays lost", port,
                         core_.serialInput(port).size());
            break;
        }
        case CoreProgram::CloseLine: {
            const int port = in.byte() % ostrel::kSerialPortCount;
            receiving_[port] = false;
            lines_[port].clear();
            core_.serialLineLost(port);
            FUZZ_REQUIRE(core_.serialInput(port).empty() && core_.isSerialLineLost(port),
                         "line %d lost keeps %zu bytes or is not lost", port, core_.serialInput(port).size());
            break;
        }
        case CoreProgram::SetProperty: {
            const int port = readPortIndex(in);
            const std::uint8_t a = in.byte();
            const std::uint8_t b = in.byte();
            core_.table().setTerminalProperty(port, a, b, in.int32());
            break;
        }
        case CoreProgram::Queries:
            queries(in);
            break;
        case CoreProgram::Flood:
            flood(in);
            break;
        case CoreProgram::AnswerLast:
            answerLast(in.flag());
            break;
        case CoreProgram::ReactToReports:
            reactToReports_ = in.flag();
            break;
        }
    }

    void datagram(FuzzInput& in) {
        const std::uint8_t pick = in.byte();
        const ostrel::Ipv4Address source =
            pick == CoreProgram::kAnySource
                ? readAddress(in)
                : octets(CoreProgram::kSourcePool[pick % CoreProgram::kSourcePoolSize]);
        const std::uint16_t sourcePort = in.word();
        const int seal = in.byte() % CoreProgram::kSealKinds;
        const int countKind = in.byte() % CoreProgram::kCountKinds;
        const auto given = in.sized(CoreProgram::kMaxDatagram);
        // The driver reads into a zero-filled buffer of 128 bytes; a larger datagram reports its whole size.
        Bytes bytes(given.begin(), given.end());
        sealAs(bytes, seal);
        std::array<std::uint8_t, ostrel::OstrelCore::kDatagramCapacity> buffer{};
        std::copy_n(bytes.begin(), std::min(bytes.size(), buffer.size()), buffer.begin());
        int count = static_cast<int>(bytes.size());
        if (countKind == CoreProgram::FailedRead)
            count = -1;
        else if (countKind == CoreProgram::EmptyRead)
            count = 0;
        else if (countKind == CoreProgram::Oversized)
            count = ostrel::OstrelCore::kDatagramCapacity + 1;
        deliver(buffer, count, source, sourcePort);
    }

    void deliver(std::span<const std::uint8_t> buffer, int count, const ostrel::Ipv4Address& source,
                 std::uint16_t sourcePort) {
        ostrel::Ipv4Address named = source;
        std::copy_n(buffer.begin(), named.size(), named.begin());
        expect_.heardFrom(source, sourcePort, named);
        core_.onDatagram(buffer, count, source, sourcePort);
    }

    // One period: what each line being received brought, at most what the core has room for.
    void tick() {
        ++ticks_;
        nowMs_ += 100;
        core_.setNowMs(nowMs_);
        expect_.setNowMs(nowMs_);
        std::array<Bytes, ostrel::kSerialPortCount> chunks;
        std::vector<ostrel::SerialRead> reads;
        if (core_.isRunning(ostrel::Pass::SerialReceive)) {
            for (int port = 0; port < ostrel::kSerialPortCount; ++port) {
                if (!receiving_[port])
                    continue;
                auto& line = lines_[port];
                const std::size_t n = std::min(line.size(), core_.serialRoom(port));
                chunks[port].assign(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(n));
                line.erase(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(n));
                reads.push_back({port, chunks[port]});
            }
        }
        core_.tick(reads);
        for (int port = 0; port < ostrel::kSerialPortCount; ++port)
            FUZZ_REQUIRE(core_.serialInput(port).size() <= ostrel::SerialLineBuffer::kCapacity,
                         "line %d holds %zu bytes", port, core_.serialInput(port).size());
    }

    // Queues as the exports do. A ring refuses only port indexes beyond the ports, or when it is full: it
    // must have taken at least as many commands as it holds.
    bool queue(int port, const ostrel::CommandFrame& frame) {
        const std::uint32_t expectedNumber = expect_.nextFrameNumber();
        const std::uint32_t number = core_.queueFrame(port, frame);
        const bool queued = number != 0;
        FUZZ_REQUIRE(!queued || number == expectedNumber, "frame numbered %u, %u expected", number,
                     expectedNumber);
        const bool isPort = port < ostrel::kPortCount;
        FUZZ_REQUIRE(!queued || isPort, "a command queued for port index %d", port);
        if (!isPort)
            return false;
        int& taken = queuedCount_[static_cast<std::size_t>(port)];
        FUZZ_REQUIRE(queued || taken >= ostrel::SendRing::kSlots - 1,
                     "port index %d refused a command with %d queued in all", port, taken);
        if (queued) {
            ++taken;
            expect_.queued(port, frame, number);
        }
        return queued;
    }

    bool queueClean(int port, std::uint8_t a, std::uint8_t b) {
        ostrel::LcdCleanFrame frame;
        frame.setAddress(a, b, 0);
        frame.setCommand(OSTREL_COMMAND_LCD_CLEAN);
        frame.fill();
        frame.finalize();
        return queue(port, frame);
    }

    // More commands than a ring holds: it must refuse some and stay whole.
    void flood(FuzzInput& in) {
        const int port = in.byte() % ostrel::kPortCount;
        const std::uint8_t a = in.byte();
        const std::uint8_t b = in.byte();
        bool refused = false;
        for (int n = 0; n < ostrel::SendRing::kSlots && !refused; ++n)
            refused = !queueClean(port, a, b);
        FUZZ_REQUIRE(refused, "a ring of %d slots took %d commands", ostrel::SendRing::kSlots,
                     ostrel::SendRing::kSlots);
    }

    void queries(FuzzInput& in) {
        const int port = readPortIndex(in);
        const std::uint8_t a = in.byte();
        const std::uint8_t b = in.byte();
        const int zone = in.byte();
        ostrel::TerminalTable& table = core_.table();
        constexpr std::int32_t kUnwritten = -77;
        std::int32_t state = kUnwritten;
        const std::uint8_t bit0Clear = table.terminalState(port, a, b, state);
        std::int32_t zoneState = kUnwritten;
        const std::uint8_t flagClear = table.alarmState(port, a, b, zone, zoneState);
        std::int32_t timeout = kUnwritten;
        std::int32_t udpPort = kUnwritten;
        std::array<char, ostrel::kIpv4TextSize + 1> text;
        text.fill('#');
        table.terminalProperty(port, a, b, timeout, udpPort, text.data());

        const bool isPort = port < ostrel::kPortCount;
        FUZZ_REQUIRE(bit0Clear <= 1 && flagClear <= 1, "query results %u and %u", bit0Clear, flagClear);
        FUZZ_REQUIRE(isPort ? state >= OSTREL_STATE_NEVER_HEARD && state <= OSTREL_STATE_OFF_LINE
                            : state == kUnwritten && bit0Clear == 0,
                     "state %d on port index %d", state, port);
        const bool isZone = isPort && zone >= 1 && zone <= 8;
        FUZZ_REQUIRE(isZone ? zoneState >= OSTREL_ZONE_NONE && zoneState <= OSTREL_ZONE_ALARM
                            : zoneState == kUnwritten && flagClear == 0,
                     "zone %d state %d on port index %d", zone, zoneState, port);
        FUZZ_REQUIRE(text[ostrel::kIpv4TextSize] == '#', "address text written past 16 bytes");
        if (!isPort) {
            FUZZ_REQUIRE(timeout == kUnwritten && udpPort == kUnwritten && text[0] == '#',
                         "a property written for port index %d", port);
            return;
        }
        const std::size_t length = ::strnlen(text.data(), ostrel::kIpv4TextSize);
        FUZZ_REQUIRE(length < ostrel::kIpv4TextSize, "address text not terminated");
        unsigned octet[4];
        char rest;
        FUZZ_REQUIRE(length == 0 || (std::sscanf(text.data(), "%3u.%3u.%3u.%3u%c", &octet[0], &octet[1],
                                                 &octet[2], &octet[3], &rest) == 4 &&
                                     octet[0] < 256 && octet[1] < 256 && octet[2] < 256 && octet[3] < 256),
                     "address text \"%s\"", text.data());
    }

    // The addressed terminal answers the last command sent with its reply code (or, over UDP in the network
    // form, the code any reply may carry).
    void answerLast(bool anyReplyCode) {
        const auto& sent = transport_.lastCommand();
        if (!sent)
            return;
        Bytes reply = sent->bytes;
        const bool network = sent->overUdp && reply.size() >= 13 && reply[10] == reply.size() &&
                             wire_checks::invertedHolds(reply);
        const bool serialForm = !sent->overUdp && reply.size() >= 5 && reply[2] == reply.size() &&
                                wire_checks::invertedHolds(reply);
        if (network) {
            reply[11] = anyReplyCode ? 0xFC : reply[11] | 0x80;
            wire_checks::seal(reply, wire_checks::kNetworkLengthAt, true);
        } else if (serialForm) {
            reply[3] |= 0x80;
            wire_checks::seal(reply, wire_checks::kSerialLengthAt, true);
        } else {
            reply[6] |= 0x80;
            wire_checks::seal(reply, wire_checks::kCanonicalLengthAt, false);
        }
        if (sent->overUdp) {
            std::array<std::uint8_t, ostrel::OstrelCore::kDatagramCapacity> buffer{};
            std::copy(reply.begin(), reply.end(), buffer.begin());
            deliver(buffer, static_cast<int>(reply.size()), sent->route.first, sent->route.second);
        } else {
            lines_[sent->portIndex].insert(lines_[sent->portIndex].end(), reply.begin(), reply.end());
        }
    }

    CoreExpectations expect_{octets(CoreProgram::kPcAddress)};
    CheckedTransport transport_{expect_};
    CheckedCallbacks callbacks_{expect_};
    ostrel::OstrelCore core_{transport_, &callbacks_, callbacks_.table};
    std::array<std::deque<std::uint8_t>, ostrel::kSerialPortCount> lines_;
    std::array<bool, ostrel::kSerialPortCount> receiving_{};
    std::array<int, ostrel::kPortCount> queuedCount_{};
    int ticks_ = 0;
    std::int64_t nowMs_ = 0;
    bool reactToReports_ = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    CoreRun run;
    run.run(in);
    return 0;
}
