#pragma once

#include "Ipv4Address.h"
#include "LockRecord.h"
#include "PortIndex.h"
#include "ostrel/ostrel.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace ostrel {

constexpr bool isOnLine(std::int32_t state) {
    return state != OSTREL_STATE_NEVER_HEARD && state != OSTREL_STATE_OFF_LINE;
}

// A sender's IPv4 address as the table keeps it: unknown until a frame sets it.
struct SenderAddress {
    Ipv4Address octets{};
    bool known = false;

    // Writes the dotted text ("" while unknown), cut to fit and always terminated; nothing if out is empty.
    void copyTo(std::span<char> out) const;
};

// The longest dotted IPv4 text with its terminator.
inline constexpr std::size_t kIpv4TextSize = 16;

struct ZoneEntry {
    std::uint8_t zoneState : 2 = OSTREL_ZONE_NONE;
    // 1 when the zone's flag bit of the last long report was clear.
    std::uint8_t zoneFlag : 1 = 0;
};

// The route of the last frame heard from any terminal of one block (port, addressA).
struct BlockEntry {
    SenderAddress ipText;
    std::int32_t udpPort = 0;
    std::uint8_t protocolType = 0;
    std::uint8_t state = OSTREL_STATE_NEVER_HEARD;
};

// One terminal (port, addressA, addressB). A default-constructed record is in its reset state, except
// that block records (addressB 255) start with countdown and timeout at kBlockTimeout.
struct TerminalRecord {
    // Counts down once per count-down pass of the port; the terminal expires at 0.
    std::int32_t countdown = 0;
    // Loaded into countdown whenever the terminal is heard; 0 keeps it from expiring by time.
    std::int32_t timeout = 0;
    // The sender's UDP source port; for serial terminals the port number 1..10.
    std::int32_t udpPort = 0;
    SenderAddress ipText;
    std::uint8_t protocolType = 0;
    std::uint8_t bit0Clear = 0;
    // 0 until the first status report after a reset or after going off line. Kept this way round so that
    // a record in its reset state is all zero bits, which the table never has to write.
    std::uint8_t reportSeen = 0;
    std::uint8_t lastZoneAlarms = 0;
    std::uint8_t lastStatus = 0;
    std::uint8_t lastZoneFlags = 0;
    // 1 from its block record's expiry until the terminal is heard again or its block comes back: only
    // such terminals are given their state back by the block.
    std::uint8_t expiredWithBlock = 0;
    std::uint8_t previousState = OSTREL_STATE_NEVER_HEARD;
    std::uint8_t state = OSTREL_STATE_NEVER_HEARD;
    // Zone 1 first.
    std::array<ZoneEntry, 8> zones{};

    // While fresh, a status report has nothing to be compared against: every bit counts as news.
    bool fresh() const { return reportSeen == 0; }
};

// Every terminal seen on every port: how to reach it, whether it is on line, its status and zones.
// All 11 x 256 x 256 records are allocated once, at construction, and addressed directly. The records of
// terminals (addressB 0..254) start as zero pages that the system commits only when a terminal is heard, so
// the table costs memory for the terminals that exist, not for all it could hold; block records, which
// start with a time-out, live beside their block entries.
//
// The second of the two places where Ostrel's threads meet. Only the worker thread changes the table;
// callers' threads read it through the queries (terminalState, alarmState, terminalProperty), which
// take the table lock. So every change a query can see is made under the lock, while the worker reads the
// table without it (nobody else writes) and keeps its own bookkeeping (count-downs, previous states, the
// last report's bytes) without it too. Callbacks are never made with the lock held.
// Port arguments are port indexes 0..10; any other index finds no terminal, so operations on it change
// nothing and report false, 0 or a never-heard record.
class TerminalTable {
public:
    static constexpr int kAddressCount = 256;
    // Address B of a block's own record; the block record of block 255 is the port entry.
    static constexpr std::uint8_t kBlockRecordAddress = OSTREL_WHOLE_BLOCK;
    static constexpr std::uint8_t kPortEntryBlock = OSTREL_WHOLE_BLOCK;
    // Addresses B above this are not given back their state when their block returns.
    static constexpr std::uint8_t kLastRestoredAddress = 239;
    static constexpr std::int32_t kBlockTimeout = 90;
    static constexpr std::int32_t kUdpPortEntryCountdown = 90;
    static constexpr std::int32_t kSerialPortEntryCountdown = 30;
    // What the count-down pass holds a record with timeout 0 at, so that it never reaches 0.
    static constexpr std::int32_t kHeldCountdown = 0xFFFF;

    // How a frame reaches a terminal: the address and UDP port of its last frame, and its protocol type.
    struct Route {
        Ipv4Address address{};
        int udpPort = 0;
        std::uint8_t protocolType = 0;
    };

    TerminalTable();
    TerminalTable(const TerminalTable&) = delete;
    TerminalTable& operator=(const TerminalTable&) = delete;

    // Every port, block and terminal back to the reset state, as after a connection loss.
    void reset();

    // A frame from (a, b) arrived with this route. Returns true when the terminal came on line.
    bool heard(int port, std::uint8_t a, std::uint8_t b, const Ipv4Address& address, int udpPort,
               std::uint8_t protocolType);
    // Where to send a frame for (a, b): the terminal's own route, else its block's for a terminal
    // without a timeout, else the port's. Returns false, leaving out unchanged, when none is on line.
    bool lookupRoute(int port, std::uint8_t a, std::uint8_t b, Route& out);

    // The terminal goes off line, remembering its state for when its block returns; zone flags stay.
    void markOffLine(int port, std::uint8_t a, std::uint8_t b);
    // The block record expired: every live terminal of the block is due to expire, the block is off line.
    void blockOffLine(int port, std::uint8_t a);
    // The block record is back: the terminals its expiry took off line regain their state (addresses B
    // 0..239 only) and, like those still waiting to expire with it, a fresh count-down period.
    void restoreBlock(int port, std::uint8_t a);
    // One count-down step for (a, b). Returns true when the rest of the block should count down too:
    // the port has been heard and the block is on line.
    bool countDown(int port, std::uint8_t a, std::uint8_t b);
    // True when the terminal is on line and its countdown has run out.
    bool isExpired(int port, std::uint8_t a, std::uint8_t b) const;

    // The new state carried by a status report (zone bit k is zone k + 1); zone flags only in a long one.
    void storeStatus(int port, std::uint8_t a, std::uint8_t b, std::uint8_t status, std::uint8_t zoneAlarms,
                     std::uint8_t zoneFlags, bool longReport);
    // The report bytes the next status report is compared against.
    void storeLastReport(int port, std::uint8_t a, std::uint8_t b, std::uint8_t status,
                         std::uint8_t zoneAlarms, std::uint8_t zoneFlags, bool longReport);

    // The worker thread's view, read without the lock.
    const TerminalRecord& record(int port, std::uint8_t a, std::uint8_t b) const;

    // The queries of the C interface, from any thread.
    // Writes the terminal's state; returns its bit0Clear.
    std::uint8_t terminalState(int port, std::uint8_t a, std::uint8_t b, std::int32_t& state);
    // Only the low 8 bits of zone count. For zone 1..8 writes its zoneState and returns its zoneFlag;
    // other zones do not exist: nothing is written and the result is 0.
    std::uint8_t alarmState(int port, std::uint8_t a, std::uint8_t b, int zone, std::int32_t& zoneState);
    // Writes the timeout, the UDP port (the block's when the terminal has none) and, into at least
    // kIpv4TextSize bytes (nothing when null), the address the terminal is reached at.
    void terminalProperty(int port, std::uint8_t a, std::uint8_t b, std::int32_t& timeout,
                          std::int32_t& udpPort, char* addressText);
    // Gives the terminal a timeout and puts it on line, together with its port entry. A change like any
    // other: the worker thread makes it.
    void setTerminalProperty(int port, std::uint8_t a, std::uint8_t b, std::int32_t timeout);

private:
    // Addresses B 0..254 of one block.
    using TerminalBlock = std::array<TerminalRecord, kAddressCount - 1>;
    struct PortTable {
        std::uint8_t portSeen = 0;
        std::array<BlockEntry, kAddressCount> blocks;
        std::array<TerminalRecord, kAddressCount> blockRecords;
    };
    struct ZeroPagesDeleter {
        std::size_t bytes;
        void operator()(TerminalBlock* blocks) const;
    };

    static bool isPortIndex(int port) { return port >= 0 && port < kPortCount; }
    TerminalRecord& at(int port, std::uint8_t a, std::uint8_t b);
    const TerminalRecord& at(int port, std::uint8_t a, std::uint8_t b) const;
    TerminalRecord& portEntry(int port) { return at(port, kPortEntryBlock, kBlockRecordAddress); }
    void resetPorts();
    static std::int32_t freshCountdown(const TerminalRecord& record);

    std::unique_ptr<std::array<PortTable, kPortCount>> ports_;
    std::unique_ptr<TerminalBlock[], ZeroPagesDeleter> terminals_; // kPortCount * kAddressCount blocks
    LockRecord lock_;
};

} // namespace ostrel
