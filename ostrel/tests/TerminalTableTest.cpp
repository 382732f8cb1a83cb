#include "core/TerminalTable.h"

#include <arpa/inet.h>
#include <array>
#include <climits>
#include <gtest/gtest.h>
#include <latch>
#include <string>
#include <thread>

using ostrel::TerminalRecord;
using ostrel::TerminalTable;

namespace {

constexpr int kCom1 = 0;
constexpr int kUdp = ostrel::kUdpPortIndex;

ostrel::Ipv4Address ip(const char* text) {
    ostrel::Ipv4Address address{};
    EXPECT_EQ(inet_pton(AF_INET, text, address.data()), 1) << text;
    return address;
}

std::string dotted(const ostrel::Ipv4Address& address) {
    return std::to_string(address[0]) + "." + std::to_string(address[1]) + "." + std::to_string(address[2]) +
           "." + std::to_string(address[3]);
}

std::string ipOf(const TerminalRecord& record) {
    char text[32];
    record.ipText.copyTo(text);
    return text;
}

class TerminalTableTest : public ::testing::Test {
protected:
    bool hear(std::uint8_t a, std::uint8_t b, const char* host, int udpPort) {
        return table.heard(kUdp, a, b, ip(host), udpPort, 1);
    }
    std::string routeOf(int port, std::uint8_t a, std::uint8_t b) {
        TerminalTable::Route route;
        if (!table.lookupRoute(port, a, b, route))
            return "none";
        return dotted(route.address) + ":" + std::to_string(route.udpPort);
    }
    // GetTerminalProperty's answer as "timeout udpPort address".
    std::string propertyOf(int port, std::uint8_t a, std::uint8_t b) {
        std::int32_t timeout = -1, udpPort = -1;
        std::array<char, 20> text;
        text.fill('#');
        table.terminalProperty(port, a, b, timeout, udpPort, text.data());
        EXPECT_EQ(std::string(text.begin() + 16, text.end()), "####") << "written past 16 bytes";
        text[16] = '\0';
        return std::to_string(timeout) + " " + std::to_string(udpPort) + " " + text.data();
    }
    const TerminalRecord& at(int port, std::uint8_t a, std::uint8_t b) { return table.record(port, a, b); }
    const TerminalRecord& portEntry(int port) { return at(port, 255, 255); }

    TerminalTable table;
};

} // namespace

TEST_F(TerminalTableTest, ResetStateAtStartAndAfterReset) {
    auto expectResetState = [&] {
        const TerminalRecord& terminal = at(kUdp, 3, 7);
        EXPECT_EQ(terminal.state, OSTREL_STATE_NEVER_HEARD);
        EXPECT_EQ(terminal.previousState, OSTREL_STATE_NEVER_HEARD);
        EXPECT_TRUE(terminal.fresh());
        EXPECT_EQ(terminal.countdown, 0);
        EXPECT_EQ(terminal.lastStatus, 0);
        EXPECT_EQ(terminal.zones[0].zoneFlag, 0);
        EXPECT_EQ(ipOf(terminal), "") << "never heard means no address, not 0.0.0.0";
        EXPECT_EQ(propertyOf(kUdp, 3, 7), "0 0 ");
        for (const TerminalRecord* block : {&at(kUdp, 3, 255), &portEntry(kUdp)}) {
            EXPECT_EQ(block->countdown, TerminalTable::kBlockTimeout);
            EXPECT_EQ(block->timeout, TerminalTable::kBlockTimeout);
        }
        EXPECT_EQ(portEntry(kUdp).state, OSTREL_STATE_NEVER_HEARD);
        EXPECT_EQ(routeOf(kUdp, 3, 7), "none");
        EXPECT_FALSE(table.countDown(kUdp, 3, 0)) << "nothing heard on the port";
    };
    expectResetState();
    table.setTerminalProperty(kUdp, 3, 7, 5);
    hear(3, 7, "10.0.0.1", 5000);
    table.storeStatus(kUdp, 3, 7, 0x04, 0x01, 0x00, true);
    table.storeLastReport(kUdp, 3, 7, 0x04, 0x01, 0x00, true);
    table.countDown(kUdp, 3, 255);
    table.markOffLine(kUdp, 3, 7);
    table.reset();
    expectResetState();
}

TEST_F(TerminalTableTest, HeardTerminalComesOnLineAndSpreadsItsRoute) {
    EXPECT_TRUE(table.heard(kUdp, 3, 7, ip("192.168.1.20"), 5000, 2));
    EXPECT_FALSE(table.heard(kUdp, 3, 7, ip("192.168.1.20"), 5000, 2)) << "already on line";
    for (const TerminalRecord* record : {&at(kUdp, 3, 7), &portEntry(kUdp)}) {
        EXPECT_EQ(ipOf(*record), "192.168.1.20");
        EXPECT_EQ(record->udpPort, 5000);
        EXPECT_EQ(record->protocolType, 2);
    }
    EXPECT_EQ(at(kUdp, 3, 7).state, OSTREL_STATE_ON_LINE);
    EXPECT_EQ(portEntry(kUdp).state, OSTREL_STATE_NEVER_HEARD) << "the port entry only takes the route";
    EXPECT_EQ(propertyOf(kUdp, 3, 8), "0 5000 192.168.1.20") << "the block's route";
    table.markOffLine(kUdp, 3, 7);
    EXPECT_TRUE(hear(3, 7, "192.168.1.20", 5000)) << "back from off line";

    EXPECT_EQ(portEntry(kUdp).countdown, TerminalTable::kUdpPortEntryCountdown);
    table.heard(kCom1, 1, 1, {0, 0, 0, 0}, 1, 1);
    EXPECT_EQ(ipOf(at(kCom1, 1, 1)), "0.0.0.0") << "a serial terminal is known, at no address";
    EXPECT_EQ(portEntry(kCom1).countdown, TerminalTable::kSerialPortEntryCountdown);
    table.heard(kCom1, 255, 255, ip("0.0.0.0"), 1, 1);
    EXPECT_EQ(portEntry(kCom1).countdown, TerminalTable::kBlockTimeout)
        << "heard itself: its own timeout wins";
}

TEST_F(TerminalTableTest, RouteLookupFallsBackFromTerminalToBlockToPort) {
    hear(3, 1, "10.0.0.1", 5001);
    hear(3, 2, "10.0.0.2", 5002);
    hear(4, 1, "10.0.0.4", 5004);
    EXPECT_EQ(routeOf(kUdp, 3, 1), "10.0.0.1:5001") << "its own";
    EXPECT_EQ(routeOf(kUdp, 3, 9), "10.0.0.2:5002") << "the block's last route";
    table.markOffLine(kUdp, 3, 1);
    EXPECT_EQ(routeOf(kUdp, 3, 1), "10.0.0.2:5002") << "off line, but its block is on line";
    table.setTerminalProperty(kUdp, 3, 9, 5);
    EXPECT_EQ(routeOf(kUdp, 3, 9), "10.0.0.4:5004") << "with a timeout only the port's route serves";

    table.heard(kCom1, 3, 1, ip("0.0.0.0"), 1, 1);
    table.markOffLine(kCom1, 3, 1);
    table.blockOffLine(kCom1, 3);
    EXPECT_EQ(routeOf(kCom1, 3, 1), "none");
}

TEST_F(TerminalTableTest, OffLineTerminalsGetTheirStateBackWithTheirBlock) {
    hear(3, 5, "10.0.0.1", 5000);
    table.storeStatus(kUdp, 3, 5, 0x40, 0x01, 0xFE, true);
    table.storeLastReport(kUdp, 3, 5, 0x40, 0x01, 0xFE, true);
    for (std::uint8_t b : {0, 239, 240, 7, 9})
        hear(3, b, "10.0.0.1", 5000);
    table.setTerminalProperty(kUdp, 3, 9, 20);
    hear(3, 9, "10.0.0.1", 5000);
    table.markOffLine(kUdp, 3, 7); // signed off by itself before its block went

    // The block record expires; the scan then takes its live terminals off line one by one.
    table.blockOffLine(kUdp, 3);
    for (std::uint8_t b : {0, 5, 239, 240})
        table.markOffLine(kUdp, 3, b);
    const TerminalRecord& terminal = at(kUdp, 3, 5);
    EXPECT_EQ(terminal.state, OSTREL_STATE_OFF_LINE);
    EXPECT_TRUE(terminal.fresh());
    for (const auto& zone : terminal.zones)
        EXPECT_EQ(zone.zoneState, OSTREL_ZONE_NONE);
    EXPECT_EQ(terminal.zones[0].zoneFlag, 1) << "zone flags survive";
    ASSERT_TRUE(table.isExpired(kUdp, 3, 9)) << "not reached by the scan yet";

    table.restoreBlock(kUdp, 3);
    EXPECT_EQ(terminal.state, OSTREL_STATE_ON_LINE_STATUS_BIT6);
    EXPECT_EQ(at(kUdp, 3, 0).state, OSTREL_STATE_ON_LINE);
    EXPECT_EQ(at(kUdp, 3, 239).state, OSTREL_STATE_ON_LINE);
    EXPECT_EQ(at(kUdp, 3, 240).state, OSTREL_STATE_OFF_LINE) << "above 239 nothing is given back";
    EXPECT_EQ(at(kUdp, 3, 7).state, OSTREL_STATE_OFF_LINE) << "it left on its own: it stays off line";
    EXPECT_EQ(at(kUdp, 3, 8).state, OSTREL_STATE_NEVER_HEARD);
    // Back with the block, each has a whole period again, so none expires at the next scan.
    EXPECT_EQ(terminal.countdown, TerminalTable::kHeldCountdown) << "no time-out: held";
    EXPECT_EQ(at(kUdp, 3, 9).countdown, 20);
    EXPECT_FALSE(table.isExpired(kUdp, 3, 9));

    table.markOffLine(kUdp, 3, 0);
    table.restoreBlock(kUdp, 3);
    EXPECT_EQ(at(kUdp, 3, 0).state, OSTREL_STATE_OFF_LINE) << "a block comes back for what it took, once";
}

TEST_F(TerminalTableTest, BlockOffLineLetsOnlyLiveTerminalsExpire) {
    for (std::uint8_t b : {1, 2}) {
        table.setTerminalProperty(kUdp, 3, b, 5);
        hear(3, b, "10.0.0.1", 5000);
    }
    table.markOffLine(kUdp, 3, 2);
    table.blockOffLine(kUdp, 3);
    EXPECT_TRUE(table.isExpired(kUdp, 3, 1));
    EXPECT_EQ(at(kUdp, 3, 2).countdown, 5) << "already off line";
    EXPECT_EQ(at(kUdp, 3, 255).countdown, TerminalTable::kBlockTimeout) << "never heard";
    EXPECT_EQ(at(kUdp, 3, 255).state, OSTREL_STATE_OFF_LINE);
    EXPECT_FALSE(table.countDown(kUdp, 3, 0)) << "the block stops counting down";
}

TEST_F(TerminalTableTest, CountDownExpiresTimedTerminalsAndHoldsUntimedOnes) {
    table.setTerminalProperty(kUdp, 3, 1, 3);
    hear(3, 1, "10.0.0.1", 5001);
    hear(3, 2, "10.0.0.2", 5002);
    for (int pass = 0; pass < 3; ++pass) {
        EXPECT_FALSE(table.isExpired(kUdp, 3, 1));
        EXPECT_TRUE(table.countDown(kUdp, 3, 1));
        table.countDown(kUdp, 3, 2);
    }
    EXPECT_TRUE(table.isExpired(kUdp, 3, 1));
    table.countDown(kUdp, 3, 1);
    EXPECT_EQ(at(kUdp, 3, 1).countdown, 0) << "stops at 0";
    EXPECT_EQ(at(kUdp, 3, 2).countdown, TerminalTable::kHeldCountdown);
    EXPECT_FALSE(table.isExpired(kUdp, 3, 2));

    hear(3, 1, "10.0.0.1", 5001);
    hear(3, 2, "10.0.0.2", 5002);
    EXPECT_EQ(at(kUdp, 3, 1).countdown, 3) << "hearing reloads the timeout";
    EXPECT_EQ(at(kUdp, 3, 2).countdown, TerminalTable::kHeldCountdown) << "nothing to reload";
    EXPECT_FALSE(table.countDown(kUdp, 4, 0)) << "block 4 never heard";
    EXPECT_FALSE(table.countDown(kCom1, 3, 0)) << "another port";
}

TEST_F(TerminalTableTest, StatusReportsSetStateBit0AndZones) {
    struct Case {
        std::uint8_t status, state, bit0Clear;
    };
    for (auto [status, state, bit0Clear] : {Case{0x00, 1, 1}, Case{0x01, 1, 0}, Case{0x02, 1, 1},
                                            Case{0x04, 2, 1}, Case{0x44, 2, 1}, Case{0x41, 3, 0}}) {
        table.storeStatus(kUdp, 3, 7, status, 0, 0, false);
        std::int32_t written = -1;
        EXPECT_EQ(table.terminalState(kUdp, 3, 7, written), bit0Clear) << int{status};
        EXPECT_EQ(written, state) << int{status};
    }

    table.storeStatus(kUdp, 3, 7, 0, 0x05, 0xF0, true);
    for (int zone = 1; zone <= 8; ++zone) {
        std::int32_t zoneState = -1;
        const int flag = table.alarmState(kUdp, 3, 7, zone, zoneState);
        EXPECT_EQ(zoneState, zone == 1 || zone == 3 ? OSTREL_ZONE_ALARM : OSTREL_ZONE_NORMAL) << zone;
        EXPECT_EQ(flag, zone <= 4 ? 1 : 0) << zone;
    }
    table.storeStatus(kUdp, 3, 7, 0, 0x02, 0x00, false);
    std::int32_t zoneState = -1;
    EXPECT_EQ(table.alarmState(kUdp, 3, 7, 5, zoneState), 0) << "a short report leaves the flags";
    EXPECT_EQ(zoneState, OSTREL_ZONE_NONE);
    EXPECT_EQ(table.alarmState(kUdp, 3, 7, 256 + 2, zoneState), 1) << "only the low 8 bits name the zone";
    EXPECT_EQ(zoneState, OSTREL_ZONE_ALARM);
    for (int zone : {0, 9, 255, -1}) {
        zoneState = -1;
        EXPECT_EQ(table.alarmState(kUdp, 3, 7, zone, zoneState), 0) << zone;
        EXPECT_EQ(zoneState, -1) << "no such zone: " << zone;
    }

    table.storeLastReport(kUdp, 3, 7, 0x11, 0x22, 0x33, true);
    table.storeLastReport(kUdp, 3, 7, 0x44, 0x55, 0x66, false);
    const TerminalRecord& terminal = at(kUdp, 3, 7);
    EXPECT_FALSE(terminal.fresh());
    EXPECT_EQ(terminal.lastStatus, 0x44);
    EXPECT_EQ(terminal.lastZoneAlarms, 0x55);
    EXPECT_EQ(terminal.lastZoneFlags, 0x33) << "kept from the long report";
}

TEST_F(TerminalTableTest, PropertyAddressIsOwnUnspecifiedOrBlocks) {
    hear(3, 1, "255.255.255.255", 5001);
    hear(3, 4, "10.0.0.4", 5004);
    table.setTerminalProperty(kUdp, 3, 2, 5);
    EXPECT_EQ(propertyOf(kUdp, 3, 1), "0 5001 255.255.255.255");
    EXPECT_EQ(propertyOf(kUdp, 3, 2), "5 5004 0.0.0.0");
    EXPECT_EQ(propertyOf(kUdp, 3, 3), "0 5004 10.0.0.4");
    std::int32_t timeout = -1, udpPort = -1;
    table.terminalProperty(kUdp, 3, 2, timeout, udpPort, nullptr);
    EXPECT_EQ(timeout, 5);
}

TEST_F(TerminalTableTest, SetPropertyPutsTerminalAndPortEntryOnLine) {
    std::int32_t state = -1;
    EXPECT_EQ(table.terminalState(kCom1, 3, 7, state), 0);
    EXPECT_EQ(state, OSTREL_STATE_NEVER_HEARD);
    table.setTerminalProperty(kCom1, 3, 7, 5);
    EXPECT_EQ(at(kCom1, 3, 7).state, OSTREL_STATE_ON_LINE);
    EXPECT_TRUE(table.isExpired(kCom1, 3, 7)) << "never heard, so its countdown is still 0";
    EXPECT_EQ(portEntry(kCom1).state, OSTREL_STATE_ON_LINE);
    EXPECT_EQ(portEntry(kCom1).timeout, TerminalTable::kSerialPortEntryCountdown);
    EXPECT_FALSE(table.countDown(kCom1, 255, 0)) << "its block is on line, but nothing was heard on the port";

    table.setTerminalProperty(kUdp, 3, 7, 0);
    EXPECT_EQ(at(kUdp, 3, 7).countdown, TerminalTable::kHeldCountdown);
    EXPECT_FALSE(table.isExpired(kUdp, 3, 7));
    EXPECT_EQ(portEntry(kUdp).timeout, TerminalTable::kUdpPortEntryCountdown);
}

TEST_F(TerminalTableTest, PortIndexesOutsideTheTableFindNoTerminal) {
    for (int port : {-1, ostrel::kPortCount, INT_MIN, INT_MAX}) {
        EXPECT_FALSE(table.heard(port, 255, 255, ip("10.0.0.1"), 5000, 1));
        table.setTerminalProperty(port, 255, 255, 5);
        table.storeStatus(port, 1, 1, 0x04, 0xFF, 0, true);
        table.storeLastReport(port, 1, 1, 0x04, 0xFF, 0, true);
        table.markOffLine(port, 1, 1);
        table.blockOffLine(port, 1);
        table.restoreBlock(port, 1);
        EXPECT_FALSE(table.countDown(port, 1, 0));
        EXPECT_FALSE(table.isExpired(port, 1, 1));
        EXPECT_EQ(routeOf(port, 1, 1), "none");
        EXPECT_TRUE(table.record(port, 1, 1).fresh());
        std::int32_t value = -1;
        EXPECT_EQ(table.terminalState(port, 1, 1, value), 0);
        EXPECT_EQ(table.alarmState(port, 1, 1, 1, value), 0);
        EXPECT_EQ(value, -1);
        EXPECT_EQ(propertyOf(port, 1, 1), "-1 -1 " + std::string(16, '#')) << "nothing written";
    }
    EXPECT_EQ(portEntry(kUdp).state, OSTREL_STATE_NEVER_HEARD) << "no neighbouring port was touched";
}

// The worker thread changes the table (SetTerminalProperty's changes included) while the caller's
// thread queries it; ThreadSanitizer must find no race.
TEST_F(TerminalTableTest, QueriesRunBesideTheWorkerThread) {
    constexpr int kRounds = 2000;
    std::latch start(2);
    std::thread worker([&] {
        start.arrive_and_wait();
        for (int round = 0; round < kRounds; ++round) {
            const auto b = static_cast<std::uint8_t>(round % 4);
            const auto status = static_cast<std::uint8_t>(round);
            table.setTerminalProperty(kUdp, 3, b, round % 3);
            hear(3, b, "10.0.0.1", 5000);
            table.countDown(kUdp, 3, b);
            table.storeStatus(kUdp, 3, b, status, 0x01, 0x02, true);
            table.storeLastReport(kUdp, 3, b, status, 0x01, 0x02, true);
            if (table.isExpired(kUdp, 3, b) || !at(kUdp, 3, b).fresh())
                table.markOffLine(kUdp, 3, b);
            if (round % 50 == 0)
                table.blockOffLine(kUdp, 3);
            table.restoreBlock(kUdp, 3);
        }
    });
    start.arrive_and_wait();
    std::int32_t value = 0, udpPort = 0;
    char text[16];
    for (int round = 0; round < kRounds; ++round) {
        const auto b = static_cast<std::uint8_t>(round % 4);
        table.terminalState(kUdp, 3, b, value);
        table.alarmState(kUdp, 3, b, 1, value);
        table.terminalProperty(kUdp, 3, b, value, udpPort, text);
    }
    worker.join();
    table.terminalState(kUdp, 3, 0, value);
    EXPECT_LE(value, OSTREL_STATE_OFF_LINE);
}
