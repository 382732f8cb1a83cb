#include "TerminalTable.h"

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
void storeRoute(Entry& entry, const SenderAddress& ipText, int udpPort, std::uint8_t protocolType) {
    entry.ipText = ipText;
    entry.udpPort = udpPort;
    entry.protocolType = protocolType;
}

template <typename Entry> void copyRoute(const Entry& entry, TerminalTable::Route& out) {
    out.address = entry.ipText.octets;
    out.udpPort = entry.udpPort;
    out.protocolType = entry.protocolType;
}

// What record() shows for a port index outside the table.
const TerminalRecord kNoTerminal;

} // namespace

void SenderAddress::copyTo(std::span<char> out) const {
    if (out.empty())
        return;
    if (!known) {
        out[0] = '\0';
        return;
    }
    std::snprintf(out.data(), out.size(), "%d.%d.%d.%d", octets[0], octets[1], octets[2], octets[3]);
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

std::int32_t TerminalTable::freshCountdown(const TerminalRecord& record) {
    // A terminal without a time-out is held, as the count-down pass would hold it; left at 0 it would
    // count as expired until that pass came round, and drop off line just after coming on.
    return record.timeout != 0 ? record.timeout : kHeldCountdown;
}

bool TerminalTable::heard(int port, std::uint8_t a, std::uint8_t b, const Ipv4Address& octets, int udpPort,
                          std::uint8_t protocolType) {
    if (!isPortIndex(port))
        return false;
    const SenderAddress address{octets, true};
    std::lock_guard guard(lock_);
    PortTable& table = (*ports_)[port];
    TerminalRecord& portEntry = this->portEntry(port);
    portEntry.countdown = port == kUdpPortIndex ? kUdpPortEntryCountdown : kSerialPortEntryCountdown;

    TerminalRecord& record = at(port, a, b);
    const bool cameOnLine = !isOnLine(record.state);
    if (cameOnLine)
        record.state = OSTREL_STATE_ON_LINE;
    record.countdown = freshCountdown(record);
    record.expiredWithBlock = 0;

    BlockEntry& block = table.blocks[a];
    block.state = OSTREL_STATE_ON_LINE;
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
    std::lock_guard guard(lock_);
    TerminalRecord& record = at(port, a, b);
    record.previousState = record.state;
    record.state = OSTREL_STATE_OFF_LINE;
    record.reportSeen = 0;
    for (ZoneEntry& zone : record.zones)
        zone.zoneState = OSTREL_ZONE_NONE;
}

void TerminalTable::blockOffLine(int port, std::uint8_t a) {
    if (!isPortIndex(port))
        return;
    std::lock_guard guard(lock_);
    PortTable& table = (*ports_)[port];
    for (int b = 0; b < kAddressCount; ++b) {
        TerminalRecord& record = at(port, a, static_cast<std::uint8_t>(b));
        if (isOnLine(record.state)) {
            record.countdown = 0;
            record.expiredWithBlock = 1;
        }
    }
    table.blockRecords[a].state = OSTREL_STATE_OFF_LINE;
    table.blocks[a].state = OSTREL_STATE_OFF_LINE;
}

void TerminalTable::restoreBlock(int port, std::uint8_t a) {
    if (!isPortIndex(port))
        return;
    std::lock_guard guard(lock_);
    TerminalBlock& block = terminals_[static_cast<std::size_t>(port) * kAddressCount + a];
    // Only terminals the block took with it come back; one that signed off by itself, or went off line on
    // its own time-out, stays off line until it is heard.
    for (int b = 0; b < kBlockRecordAddress; ++b) {
        TerminalRecord& record = block[b];
        if (record.expiredWithBlock == 0)
            continue;
        record.expiredWithBlock = 0;
        if (record.state == OSTREL_STATE_OFF_LINE && b <= kLastRestoredAddress)
            record.state = record.previousState;
        // Back with its block, it is given the whole period it would have had, had it been heard.
        if (isOnLine(record.state))
            record.countdown = freshCountdown(record);
    }
}

bool TerminalTable::countDown(int port, std::uint8_t a, std::uint8_t b) {
    if (!isPortIndex(port))
        return false;
    std::lock_guard guard(lock_);
    PortTable& table = (*ports_)[port];
    TerminalRecord& record = at(port, a, b);
    // A terminal never heard has nothing to count; leaving it alone keeps its page uncommitted.
    if (record.state != OSTREL_STATE_NEVER_HEARD) {
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
        record.state = OSTREL_STATE_ON_LINE_STATUS_BIT2;
    else if (bitSet(status, 6))
        record.state = OSTREL_STATE_ON_LINE_STATUS_BIT6;
    else
        record.state = OSTREL_STATE_ON_LINE;
    // Without flag bits (a short report) a quiet zone is none rather than normal.
    const OstrelZoneState quietZone = longReport ? OSTREL_ZONE_NORMAL : OSTREL_ZONE_NONE;
    for (int zone = 0; zone < kZoneCount; ++zone) {
        ZoneEntry& entry = record.zones[zone];
        if (longReport)
            entry.zoneFlag = bitSet(zoneFlags, zone) ? 0 : 1;
        entry.zoneState = bitSet(zoneAlarms, zone) ? OSTREL_ZONE_ALARM : quietZone;
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
    const SenderAddress address = terminal.udpPort != 0   ? terminal.ipText
                                  : terminal.timeout != 0 ? SenderAddress{{}, true}
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
    record.state = OSTREL_STATE_ON_LINE;
    TerminalRecord& portEntry = this->portEntry(port);
    portEntry.state = OSTREL_STATE_ON_LINE;
    table.blocks[kPortEntryBlock].state = OSTREL_STATE_ON_LINE;
    portEntry.timeout = port == kUdpPortIndex ? kUdpPortEntryCountdown : kSerialPortEntryCountdown;
}

} // namespace ostrel
