// What terminals send, in synthetic time: validation, reports, status events, acknowledgements, forwarding.
#include "support/CoreHarness.h"

#include <random>

using ostrel::kUdpPortIndex;
using Event = RecordedCallbacks::Event;
using Bytes = std::vector<std::uint8_t>;

namespace {

class InboundFramesTest : public CoreHarness {
protected:
    void SetUp() override { core.startTimers(); }

    // A type 2 status report: zone alarm bits, status bits and, for a long report, zone flag bits.
    void statusReport(std::uint8_t a, std::uint8_t b, std::uint8_t zoneAlarms, std::uint8_t status) {
        datagram(wire::canonical(a, b, 2, {zoneAlarms, status}));
    }
    void longStatusReport(std::uint8_t a, std::uint8_t b, std::uint8_t zoneAlarms, std::uint8_t status,
                          std::uint8_t zoneFlags) {
        datagram(wire::canonical(a, b, 2, {zoneAlarms, status, zoneFlags}));
    }
    int state(int port, std::uint8_t a, std::uint8_t b) {
        std::int32_t value = -1;
        core.table().terminalState(port, a, b, value);
        return value;
    }
};

} // namespace

TEST_F(InboundFramesTest, AFirstShortReportBringsTheTerminalOnLineWithBitZeroClear) {
    statusReport(1, 2, 0x00, 0x00);
    EXPECT_EQ(recorded.eventCodes(), (std::vector<int>{9, 10}));
    EXPECT_EQ(recorded.events[0], (Event{11, 1, 2, 0, 9}));
    ASSERT_EQ(recorded.reports.size(), 1u);
    EXPECT_EQ(recorded.reports[0], (RecordedCallbacks::Call{11, 1, 2, 2}));
    EXPECT_EQ(state(kUdpPortIndex, 1, 2), 1);
}

TEST_F(InboundFramesTest, AFirstLongReportAlsoReportsEveryClearZoneFlag) {
    longStatusReport(1, 2, 0x00, 0x00, 0x00);
    ASSERT_EQ(recorded.eventCodes(), (std::vector<int>{9, 10, 0, 0, 0, 0, 0, 0, 0, 0}));
    for (int zone = 1; zone <= 8; ++zone)
        EXPECT_EQ(recorded.events[1 + zone].index, zone);
}

TEST_F(InboundFramesTest, StatusChangesAreReportedOnceInTheirOrder) {
    statusReport(1, 2, 0x00, 0x01);
    EXPECT_EQ(recorded.eventCodes(), (std::vector<int>{9, 11}));
    forget();
    statusReport(1, 2, 0x00, 0x05);
    EXPECT_EQ(recorded.eventCodes(), (std::vector<int>{4}));
    EXPECT_EQ(state(kUdpPortIndex, 1, 2), 2);
    forget();
    statusReport(1, 2, 0x00, 0x05);
    EXPECT_TRUE(recorded.events.empty()) << "nothing changed";
    statusReport(1, 2, 0x00, 0x42); // bit 2 and bit 0 clear, bits 1 and 6 set
    EXPECT_EQ(recorded.eventCodes(), (std::vector<int>{5, 12, 6, 10}));
    EXPECT_EQ(state(kUdpPortIndex, 1, 2), 3);
    forget();
    statusReport(1, 2, 0x00, 0x00);
    EXPECT_EQ(recorded.eventCodes(), (std::vector<int>{7})) << "bit 1 clearing is not an event";
}

TEST_F(InboundFramesTest, ZoneAlarmsAreReportedAndForwarded) {
    core.setForwardDestination({127, 0, 0, 9}, 7000);
    statusReport(1, 2, 0x00, 0x01);
    forget();
    statusReport(1, 2, 0x04, 0x01);
    EXPECT_EQ(recorded.events, (std::vector<Event>{{11, 1, 2, 3, 2}}));
    ASSERT_EQ(transport.datagrams.size(), 2u) << "the forward and the acknowledgement";
    EXPECT_EQ(transport.datagrams[0].bytes, (Bytes{0xFF, 1, 2, 3, 0}));
    EXPECT_EQ(transport.datagrams[0].host, "127.0.0.9");
    EXPECT_EQ(transport.datagrams[0].port, 7000);
    std::int32_t zoneState = 0;
    core.table().alarmState(kUdpPortIndex, 1, 2, 3, zoneState);
    EXPECT_EQ(zoneState, 2);
    forget();
    statusReport(1, 2, 0x00, 0x01);
    EXPECT_EQ(recorded.events, (std::vector<Event>{{11, 1, 2, 3, 3}}));
    EXPECT_EQ(transport.datagrams.size(), 1u) << "only the acknowledgement";
}

TEST_F(InboundFramesTest, WithoutAnEventSlotNoAlarmIsForwarded) {
    recorded.table.onTerminalEvent = nullptr;
    core.setForwardDestination({127, 0, 0, 9}, 7000);
    statusReport(1, 2, 0x01, 0x01);
    ASSERT_EQ(transport.datagrams.size(), 1u);
    EXPECT_EQ(transport.datagrams[0].host, kTerminalHost) << "just the acknowledgement";
}

TEST_F(InboundFramesTest, ReportsAreAcknowledgedInTheSendersForm) {
    datagram(wire::canonical(1, 2, 1));
    ASSERT_EQ(transport.datagrams.size(), 1u);
    EXPECT_EQ(transport.datagrams[0].bytes, wire::canonical(1, 2, 0x81));
    EXPECT_EQ(transport.datagrams[0].host, kTerminalHost);
    EXPECT_EQ(transport.datagrams[0].port, kTerminalPort);
    forget();

    // A network frame's sender is the address it carries, not the datagram's source.
    datagram(wire::network({10, 0, 0, 7}, 3, 4, 227), "10.9.9.9", 6001);
    ASSERT_EQ(transport.datagrams.size(), 1u);
    EXPECT_EQ(transport.datagrams[0].bytes, wire::network({192, 168, 1, 10}, 3, 4, 124));
    EXPECT_EQ(transport.datagrams[0].host, "10.0.0.7");
    EXPECT_EQ(transport.datagrams[0].port, 6001);
    EXPECT_EQ(recorded.eventCodes(), (std::vector<int>{9}));
    ASSERT_EQ(recorded.reports.size(), 1u);
    EXPECT_EQ(recorded.reports[0].code, 4);
}

TEST_F(InboundFramesTest, InvalidDatagramsAreDroppedWithoutAnswer) {
    Bytes badChecksum = wire::canonical(1, 2, 1);
    badChecksum.back() ^= 0x01;
    Bytes badLength = wire::canonical(1, 2, 1);
    badLength[0] = 9;
    badLength.back() = wire::sum(Bytes(badLength.begin(), badLength.end() - 1));
    for (const Bytes& bad : {badChecksum, badLength, Bytes{}, Bytes{0xFF}, Bytes(129, 0), Bytes(200, 0x11)})
        datagram(bad);
    datagram(wire::network(kTerminalAddress, 1, 2, 0x33)); // a code terminals never send
    EXPECT_TRUE(transport.datagrams.empty());
    EXPECT_TRUE(recorded.events.empty());
    EXPECT_TRUE(recorded.reports.empty());
    std::int32_t value = -1;
    core.table().terminalState(kUdpPortIndex, 1, 2, value);
    EXPECT_EQ(value, 0);
}

TEST_F(InboundFramesTest, OffAndOnLineReports) {
    statusReport(1, 2, 0x01, 0x01);
    forget();
    // A sign-off of protocol type 1: its eighth byte is its checksum, and it carries no data.
    datagram(wire::canonical(1, 2, 3));
    EXPECT_EQ(recorded.events, (std::vector<Event>{{11, 1, 2, 0, 8}}));
    EXPECT_EQ(state(kUdpPortIndex, 1, 2), 4);
    std::int32_t zoneState = -1;
    core.table().alarmState(kUdpPortIndex, 1, 2, 1, zoneState);
    EXPECT_EQ(zoneState, 0) << "zones forget their state off line";
    EXPECT_EQ(recorded.refreshes, 1);

    forget();
    datagram(wire::canonical(1, 2, 4));
    EXPECT_EQ(recorded.eventCodes(), (std::vector<int>{9})) << "a type 4 report brings it back once";
    EXPECT_EQ(state(kUdpPortIndex, 1, 2), 1);

    forget();
    datagram(wire::canonical(1, 2, 3, {0x01})); // a sign-off carrying data takes it off line silently
    EXPECT_TRUE(recorded.events.empty());
    EXPECT_EQ(state(kUdpPortIndex, 1, 2), 4);
}

TEST_F(InboundFramesTest, ProtocolType2SignOffsAreAnnouncedOnlyWithoutData) {
    hearOnUdp(1, 2, 2);
    datagram(wire::network(kTerminalAddress, 1, 2, 226));
    EXPECT_EQ(recorded.events, (std::vector<Event>{{11, 1, 2, 0, 8}}));
    forget();
    datagram(wire::network(kTerminalAddress, 1, 2, 227));
    datagram(wire::network(kTerminalAddress, 1, 2, 226, {0x05}));
    EXPECT_EQ(recorded.events, (std::vector<Event>{{11, 1, 2, 0, 9}})) << "no off-line event with data";
    EXPECT_EQ(state(kUdpPortIndex, 1, 2), 4);
}

TEST_F(InboundFramesTest, SerialSignOffsAnnounceTheTerminalOffLine) {
    hearOnSerial(2, 5, 6, 2);
    lines.arrive(2, wire::serial(5, 6, 226, {0, 0, 0, 0, 0}));
    tick();
    EXPECT_EQ(recorded.events, (std::vector<Event>{{3, 5, 6, 0, 8}}));
    ASSERT_EQ(transport.serialWrites.size(), 1u);
    EXPECT_EQ(transport.serialWrites[0].bytes, wire::serial(5, 6, 0x7C));
}

TEST_F(InboundFramesTest, SerialStatusReportsCarryTheirDataOver) {
    lines.receiving[0] = true;
    lines.arrive(0, wire::serial(1, 1, 241, {0xAA, 0x00, 0x04, 0x01, 0xFF, 0, 0, 0, 0}));
    tick();
    // Serial byte 6 on becomes canonical byte 7 on: alarms 0x04, status 0x01, flags 0xFF, a long report.
    EXPECT_EQ(recorded.eventCodes(), (std::vector<int>{9, 11, 1, 1, 1, 2, 1, 1, 1, 1, 1}));
    EXPECT_EQ(recorded.events.back(), (Event{1, 1, 1, 8, 1}));
    EXPECT_EQ(recorded.events[5], (Event{1, 1, 1, 3, 2}));
}

TEST_F(InboundFramesTest, SerialFramesAreCollectedAcrossTicksAndCanonicalOnesAcknowledged) {
    lines.receiving[4] = true;
    const Bytes report = wire::canonical(7, 8, 2, {0x00, 0x01});
    lines.arrive(4, Bytes(report.begin(), report.begin() + 4));
    tick();
    EXPECT_TRUE(recorded.events.empty());
    lines.arrive(4, Bytes(report.begin() + 4, report.end()));
    tick();
    EXPECT_EQ(recorded.eventCodes(), (std::vector<int>{9, 11}));
    EXPECT_EQ(recorded.events[0].port, 5);
    ASSERT_EQ(transport.serialWrites.size(), 1u);
    EXPECT_EQ(transport.serialWrites[0].bytes, wire::canonical(7, 8, 0x82));

    std::int32_t timeout = -1, udpPort = -1;
    char text[16] = {};
    core.table().terminalProperty(4, 7, 8, timeout, udpPort, text);
    EXPECT_EQ(udpPort, 5) << "a serial terminal's port is its port number";
    EXPECT_STREQ(text, "0.0.0.0");
}

TEST_F(InboundFramesTest, OtherSerialFramesAreAcknowledgedButNotProcessed) {
    lines.receiving[0] = true;
    lines.arrive(0, wire::serial(1, 1, 0x99));
    tick();
    EXPECT_EQ(transport.serialWrites.size(), 1u);
    EXPECT_TRUE(recorded.events.empty());
    lines.arrive(0, wire::serial(1, 1, 0x10)); // a command code: neither answered nor processed
    tick();
    EXPECT_EQ(transport.serialWrites.size(), 1u);
    EXPECT_EQ(core.serialInput(0).size(), 0);
}

TEST_F(InboundFramesTest, ABlockRecordComingBackRestoresTheTerminalsItTookOffLine) {
    statusReport(1, 2, 0x00, 0x05); // state 2
    statusReport(1, 3, 0x00, 0x01);
    datagram(wire::canonical(1, 3, 3)); // signs off by itself
    // The block record expires, and the scan takes 1.2 off line with it.
    core.table().blockOffLine(kUdpPortIndex, 1);
    core.table().markOffLine(kUdpPortIndex, 1, 2);
    forget();
    datagram(wire::canonical(1, 255, 1));
    EXPECT_EQ(recorded.events, (std::vector<Event>{{11, 1, 255, 0, 14}}));
    EXPECT_EQ(state(kUdpPortIndex, 1, 2), 2) << "back to its state before, without an event of its own";
    EXPECT_EQ(state(kUdpPortIndex, 1, 3), 4) << "it signed off: only hearing it brings it back";
}

TEST_F(InboundFramesTest, LosingTheConnectionForgetsEveryTerminal) {
    statusReport(1, 2, 0x01, 0x05);
    core.onConnectionLost();
    EXPECT_EQ(recorded.lost, (std::vector<std::string>{"PC dropped."}));
    EXPECT_STREQ(core.textBuffer(), "PC dropped.");
    EXPECT_EQ(transport.udpCloses, 1);
    EXPECT_EQ(state(kUdpPortIndex, 1, 2), 0);
    std::int32_t zoneState = -1;
    EXPECT_EQ(core.table().alarmState(kUdpPortIndex, 1, 2, 1, zoneState), 0);
    EXPECT_EQ(zoneState, 0);

    recorded.table.onConnectionLost = nullptr; // an empty slot is skipped; the socket still closes
    core.onConnectionLost();
    EXPECT_EQ(recorded.lost.size(), 1u);
    EXPECT_EQ(transport.udpCloses, 2);
}

// Garbage must never change anything: random datagrams (the few that happen to hold together as a frame
// are left out) and every truncation of valid frames are dropped without an answer or an event.
TEST_F(InboundFramesTest, RandomAndTruncatedDatagramsChangeNothing) {
    std::mt19937 random(20261207);
    auto holdsTogether = [](const Bytes& d) {
        if (d.empty() || d.size() > 128)
            return false;
        const std::uint8_t sum = wire::sum(Bytes(d.begin(), d.end() - 1));
        return (d[0] == d.size() && d.back() == sum) || sum + d.back() == 255;
    };
    int dropped = 0;
    for (int i = 0; i < 20000; ++i) {
        Bytes datagram(random() % 140);
        for (auto& byte : datagram)
            byte = static_cast<std::uint8_t>(random());
        if (holdsTogether(datagram))
            continue;
        this->datagram(datagram);
        ++dropped;
    }
    for (const Bytes& valid : {wire::canonical(1, 2, 2, {0x04, 0x05, 0xFF}),
                               wire::network(kTerminalAddress, 1, 2, 241), wire::canonical(1, 2, 1)})
        for (std::size_t n = 0; n + 1 < valid.size(); ++n)
            if (!holdsTogether(Bytes(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(n))))
                datagram(Bytes(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(n)));
    EXPECT_GT(dropped, 19000);
    EXPECT_TRUE(transport.datagrams.empty());
    EXPECT_TRUE(recorded.events.empty());
    EXPECT_TRUE(recorded.reports.empty());
    EXPECT_EQ(state(kUdpPortIndex, 1, 2), 0);
}

// Random serial input, in bursts and with quiet ticks, never overruns a buffer or takes down the core.
TEST_F(InboundFramesTest, RandomSerialInputIsSurvived) {
    std::mt19937 random(7);
    for (int port = 0; port < ostrel::kSerialPortCount; ++port)
        lines.receiving[port] = true;
    for (int period = 0; period < 3000; ++period) {
        const int port = static_cast<int>(random() % ostrel::kSerialPortCount);
        if (random() % 4 != 0) {
            Bytes burst(random() % 200);
            for (auto& byte : burst)
                byte = static_cast<std::uint8_t>(random());
            lines.arrive(port, burst);
        }
        tick();
        for (int p = 0; p < ostrel::kSerialPortCount; ++p)
            ASSERT_LE(core.serialInput(p).size(), 128);
    }
    // A valid frame after all that garbage is still understood once the line went quiet.
    ticks(2);
    forget();
    lines.arrive(3, wire::serial(4, 5, 224));
    tick();
    EXPECT_EQ(recorded.eventCodes(), (std::vector<int>{9}));
}
