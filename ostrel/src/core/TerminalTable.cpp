#include "TerminalTable.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <sys/mman.h>

namespace ostrel {

namespace {

constexpr int kZoneCount = 8;

bool bitSet(std::uint8_t bits, int bit) {
    return ((bits >> bit) & 1) != 0;
}

// The three values that say how a terminal, a block or a port is reached.
template <typename Entry>
void storeRoute(Entry& entry, const Ipv4Text& ipText, int udpPort, std::uint8_t protocolType) {
    entry.ipText = ipText;
    entry.udpPort = udpPort;
    entry.protocolType = protocolType;
}

template <typename Entry> void copyRoute(const Entry& entry, TerminalTable::Route& out) {
    entry.ipText.copyTo(out.ipText);
    out.udpPort = entry.udpPort;
    out.protocolType = entry.protocolType;
}

// What record() shows for a port index outside the table.
const TerminalRecord kNoTerminal;

} // namespace

Ipv4Text Ipv4Text::parse(const char* text) {
    Ipv4Text address = unspecified();
    if (text == nullptr || inet_pton(AF_INET, text, address.octets_.data()) != 1)
        address.octets_ = {};
    return address;
}

void Ipv4Text::copyTo(std::span<char> out) const {
    if (out.empty())
        return;
    if (!present_) {
        out[0] = '\0';
        return;
    }
    std::snprintf(out.data(), out.size(), "%d.%d.%d.%d", octets_[0], octets_[1], octets_[2], octets_[3]);
}

namespace {

constexpr std::size_t kTerminalBlockCount =
    static_cast<std::size_t>(kPortCount) * TerminalTable::kAddressCount;

} // namespace

void TerminalTable::ZeroPagesDeleter::operator()(TerminalBlock* blocks) const {
    munmap(blocks, bytes);
}

TerminalTable::TerminalTable() : ports_(std::make_unique<std::array<PortTable, kPortCount>>()) {
    // Anonymous pages read as zeros and take memory only once written: a record in its reset state is
    // all zero bits, so the terminals nobody hears cost nothing.
    const std::size_t bytes = kTerminalBlockCount * sizeof(TerminalBlock);
    void* pages =
        mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (pages == MAP_FAILED)
        throw std::bad_alloc();
    terminals_ = std::unique_ptr<TerminalBlock[], ZeroPagesDeleter>(
        std::launder(static_cast<TerminalBlock*>(pages)), ZeroPagesDeleter{bytes});
    resetPorts();
}

void TerminalTable::reset() {
    std::lock_guard guard(lock_);
    resetPorts();
    // Hands the pages back; they read as zeros (the reset state) again.
    if (madvise(terminals_.get(), terminals_.get_deleter().bytes, MADV_DONTNEED) != 0)
        std::memset(static_cast<void*>(terminals_.get()), 0, terminals_.get_deleter().bytes);
}

void TerminalTable::resetPorts() {
    for (PortTable& port : *ports_) {
        port.portSeen = 0;
        port.blocks.fill(BlockEntry{});
        for (TerminalRecord& record : port.blockRecords) {
            record = TerminalRecord{};
            record.countdown = kBlockTimeout;
            record.timeout = kBlockTimeout;
        }
    }
}

TerminalRecord& TerminalTable::at(int port, std::uint8_t a, std::uint8_t b) {
    if (b == kBlockRecordAddress)
        return (*ports_)[port].blockRecords[a];
    return terminals_[static_cast<std::size_t>(port) * kAddressCount + a][b];
}

const TerminalRecord& TerminalTable::at(int port, std::uint8_t a, std::uint8_t b) const {
    return const_cast<TerminalTable*>(this)->at(port, a, b);
}

bool TerminalTable::heard(int port, std::uint8_t a, std::uint8_t b, const char* ipText, int udpPort,
                          std::uint8_t protocolType) {
    if (!isPortIndex(port))
        return false;
    const Ipv4Text address = Ipv4Text::parse(ipText);
    std::lock_guard guard(lock_);
    PortTable& table = (*ports_)[port];
    TerminalRecord& portEntry = this->portEntry(port);
    portEntry.countdown = port == kUdpPortIndex ? kUdpPortEntryCountdown : kSerialPortEntryCountdown;

    TerminalRecord& record = at(port, a, b);
    const bool cameOnLine = !isOnLine(record.state);
    if (cameOnLine)
        record.state = terminal_state::kOnLine;
    // A terminal without a time-out is held, as the count-down pass would hold it; left at 0 it would
    // count as expired until that pass came round, and drop off line just after coming on.
    record.countdown = record.timeout != 0 ? static_cast<std::int32_t>(record.timeout) : kHeldCountdown;

    BlockEntry& block = table.blocks[a];
    block.state = terminal_state::kOnLine;
    storeRoute(block, address, udpPort, protocolType);
    table.portSeen = 1;
    storeRoute(record, address, udpPort, protocolType);
    storeRoute(portEntry, address, udpPort, protocolType);
    return cameOnLine;
}

bool TerminalTable::lookupRoute(int port, std::uint8_t a, std::uint8_t b, Route& out) {
    if (!isPortIndex(port))
        return false;
    std::lock_guard guard(lock_);
    PortTable& table = (*ports_)[port];
    const TerminalRecord& record = at(port, a, b);
    const BlockEntry& block = table.blocks[a];
    const TerminalRecord& portEntry = this->portEntry(port);
    if (isOnLine(record.state) && record.protocolType != 0)
        copyRoute(record, out);
    else if (isOnLine(block.state) && record.timeout == 0)
        copyRoute(block, out);
    else if (isOnLine(portEntry.state))
        copyRoute(portEntry, out);
    else
        return false;
    return true;
}

void TerminalTable::markOffLine(int port, std::uint8_t a, std::uint8_t b) {
    if (!isPortIndex(port))
        return;
    TerminalRecord& record = at(port, a, b);
    record.previousState = record.state;
    std::lock_guard guard(lock_);
    record.state = terminal_state::kOffLine;
    record.reportSeen = 0;
    for (ZoneEntry& zone : record.zones)
        zone.zoneState = zone_state::kNone;
}

void TerminalTable::blockOffLine(int port, std::uint8_t a) {
    if (!isPortIndex(port))
        return;
    std::lock_guard guard(lock_);
    PortTable& table = (*ports_)[port];
    for (int b = 0; b < kAddressCount; ++b) {
        TerminalRecord& record = at(port, a, static_cast<std::uint8_t>(b));
        if (isOnLine(record.state))
            record.countdown = 0;
    }
    table.blockRecords[a].state = terminal_state::kOffLine;
    table.blocks[a].state = terminal_state::kOffLine;
}

void TerminalTable::restoreBlock(int port, std::uint8_t a) {
    if (!isPortIndex(port))
        return;
    TerminalBlock& block = terminals_[static_cast<std::size_t>(port) * kAddressCount + a];
    // Only terminals the block took off line get their state back; one that is on line, or was never
    // heard, keeps what it has rather than an old state (a block record heard for the first time would
    // otherwise wipe its live terminals).
    for (int b = 0; b <= kLastRestoredAddress; ++b)
        if (block[b].state == terminal_state::kOffLine)
            block[b].state = block[b].previousState;
}

bool TerminalTable::countDown(int port, std::uint8_t a, std::uint8_t b) {
    if (!isPortIndex(port))
        return false;
    std::lock_guard guard(lock_);
    PortTable& table = (*ports_)[port];
    TerminalRecord& record = at(port, a, b);
    // A terminal never heard has nothing to count; leaving it alone keeps its page uncommitted.
    if (record.state != terminal_state::kNeverHeard) {
        if (record.timeout == 0)
            record.countdown = kHeldCountdown;
        else if (record.countdown > 0)
            record.countdown = record.countdown - 1;
    }
    return table.portSeen != 0 && isOnLine(table.blocks[a].state);
}

bool TerminalTable::isExpired(int port, std::uint8_t a, std::uint8_t b) const {
    const TerminalRecord& terminal = record(port, a, b);
    return isOnLine(terminal.state) && terminal.countdown == 0;
}

void TerminalTable::storeStatus(int port, std::uint8_t a, std::uint8_t b, std::uint8_t status,
                                std::uint8_t zoneAlarms, std::uint8_t zoneFlags, bool longReport) {
    if (!isPortIndex(port))
        return;
    std::lock_guard guard(lock_);
    TerminalRecord& record = at(port, a, b);
    record.bit0Clear = bitSet(status, 0) ? 0 : 1;
    if (bitSet(status, 2))
        record.state = terminal_state::kOnLineStatusBit2;
    else if (bitSet(status, 6))
        record.state = terminal_state::kOnLineStatusBit6;
    else
        record.state = terminal_state::kOnLine;
    // Without flag bits (a short report) a quiet zone is none rather than normal.
    const std::uint8_t quietZone = longReport ? zone_state::kNormal : zone_state::kNone;
    for (int zone = 0; zone < kZoneCount; ++zone) {
        ZoneEntry& entry = record.zones[zone];
        if (longReport)
            entry.zoneFlag = bitSet(zoneFlags, zone) ? 0 : 1;
        entry.zoneState = bitSet(zoneAlarms, zone) ? zone_state::kAlarm : quietZone;
    }
}

void TerminalTable::storeLastReport(int port, std::uint8_t a, std::uint8_t b, std::uint8_t status,
                                    std::uint8_t zoneAlarms, std::uint8_t zoneFlags, bool longReport) {
    if (!isPortIndex(port))
        return;
    TerminalRecord& record = at(port, a, b);
    record.reportSeen = 1;
    record.lastZoneAlarms = zoneAlarms;
    record.lastStatus = status;
    if (longReport)
        record.lastZoneFlags = zoneFlags;
}

const TerminalRecord& TerminalTable::record(int port, std::uint8_t a, std::uint8_t b) const {
    return isPortIndex(port) ? at(port, a, b) : kNoTerminal;
}

std::uint8_t TerminalTable::terminalState(int port, std::uint8_t a, std::uint8_t b, std::int32_t& state) {
    if (!isPortIndex(port))
        return 0;
    std::lock_guard guard(lock_);
    const TerminalRecord& terminal = at(port, a, b);
    state = terminal.state;
    return terminal.bit0Clear;
}

std::uint8_t TerminalTable::alarmState(int port, std::uint8_t a, std::uint8_t b, int zone,
                                       std::int32_t& zoneState) {
    const int zoneNumber = zone & 0xFF;
    if (!isPortIndex(port) || zoneNumber < 1 || zoneNumber > kZoneCount)
        return 0;
    std::lock_guard guard(lock_);
    const ZoneEntry& entry = at(port, a, b).zones[zoneNumber - 1];
    zoneState = entry.zoneState;
    return entry.zoneFlag;
}

void TerminalTable::terminalProperty(int port, std::uint8_t a, std::uint8_t b, std::int32_t& timeout,
                                     std::int32_t& udpPort, char* addressText) {
    if (!isPortIndex(port))
        return;
    std::lock_guard guard(lock_);
    const PortTable& table = (*ports_)[port];
    const TerminalRecord& terminal = at(port, a, b);
    const BlockEntry& block = table.blocks[a];
    timeout = terminal.timeout;
    udpPort = terminal.udpPort != 0 ? terminal.udpPort : block.udpPort;
    if (addressText == nullptr)
        return;
    // As in the route lookup, only a terminal without a timeout of its own is reached through its block.
    const Ipv4Text address = terminal.udpPort != 0   ? terminal.ipText
                             : terminal.timeout != 0 ? Ipv4Text::unspecified()
                                                     : block.ipText;
    address.copyTo({addressText, kIpv4TextSize});
}

void TerminalTable::setTerminalProperty(int port, std::uint8_t a, std::uint8_t b, std::int32_t timeout) {
    if (!isPortIndex(port))
        return;
    std::lock_guard guard(lock_);
    PortTable& table = (*ports_)[port];
    TerminalRecord& record = at(port, a, b);
    record.timeout = timeout;
    if (timeout == 0)
        record.countdown = kHeldCountdown;
    record.state = terminal_state::kOnLine;
    TerminalRecord& portEntry = this->portEntry(port);
    portEntry.state = terminal_state::kOnLine;
    table.blocks[kPortEntryBlock].state = terminal_state::kOnLine;
    portEntry.timeout = port == kUdpPortIndex ? kUdpPortEntryCountdown : kSerialPortEntryCountdown;
}

} // namespace ostrel
