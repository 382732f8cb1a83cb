#pragma once

#include "RecordedCallbacks.h"
#include "RecordingTransport.h"
#include "SimulatedLines.h"
#include "WireFrames.h"
#include "core/OstrelCore.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <string>

// The core with recordings on both sides, driven in synthetic time: one tick() is one 100 ms period, and
// the core's clock reads nowMs, which starts at 0 and moves only with tick() and advance().
class CoreHarness : public ::testing::Test {
protected:
    static constexpr const char* kTerminalHost = "10.0.0.5";
    static constexpr std::uint16_t kTerminalPort = 5000;
    static constexpr std::array<std::uint8_t, 4> kTerminalAddress{10, 0, 0, 5};
    // The PC's own address, which network frames carry.
    static constexpr ostrel::Ipv4Address kLocalAddress{192, 168, 1, 10};

    CoreHarness() {
        core.setLocalAddress(kLocalAddress);
        core.setOutcomeCallback(&RecordedCallbacks::recordOutcome);
    }

    void datagram(const std::vector<std::uint8_t>& bytes, const char* host = kTerminalHost,
                  std::uint16_t port = kTerminalPort) {
        std::array<std::uint8_t, 128> buffer{};
        std::copy_n(bytes.begin(), std::min(bytes.size(), buffer.size()), buffer.begin());
        ostrel::Ipv4Address source{};
        EXPECT_EQ(inet_pton(AF_INET, host, source.data()), 1) << host;
        core.onDatagram(buffer, static_cast<int>(bytes.size()), source, port);
    }
    // One 100 ms period, with what the serial lines brought in it.
    void tick() {
        advance(100);
        lines.tick(core);
    }
    // Time passes between ticks, as when a datagram arrives in the middle of a period.
    void advance(std::int64_t ms) {
        nowMs += ms;
        core.setNowMs(nowMs);
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            tick();
    }
    // Makes a UDP terminal known with a type 1 report, then forgets what that caused.
    void hearOnUdp(std::uint8_t a, std::uint8_t b, int protocolType) {
        datagram(protocolType == 2 ? wire::network(kTerminalAddress, a, b, 224) : wire::canonical(a, b, 1));
        forget();
    }
    // Makes a serial terminal known with a type 1 report on the next tick, then forgets what that caused.
    void hearOnSerial(int portIndex, std::uint8_t a, std::uint8_t b, int protocolType) {
        lines.receiving[portIndex] = true;
        lines.arrive(portIndex, protocolType == 2 ? wire::serial(a, b, 224) : wire::canonical(a, b, 1));
        tick();
        forget();
    }
    void forget() {
        transport.datagrams.clear();
        transport.serialWrites.clear();
        recorded.events.clear();
        recorded.reports.clear();
        recorded.outcomes.clear();
        recorded.refreshes = 0;
    }
    // Returns the frame's number, 0 when it was refused. A code other than the clean command's makes a
    // frame some terminals have no word for.
    std::uint32_t queueLcdClean(int portIndex, std::uint8_t a, std::uint8_t b, std::uint8_t code = 11) {
        ostrel::LcdCleanFrame frame;
        frame.setAddress(a, b, 0);
        frame.setCommand(code);
        frame.fill();
        frame.finalize();
        return core.queueFrame(portIndex, frame);
    }

    std::int64_t nowMs = 0;
    RecordingTransport transport;
    SimulatedLines lines;
    RecordedCallbacks recorded;
    ostrel::OstrelCore core{transport, &recorded, recorded.table};
};
