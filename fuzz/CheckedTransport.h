#pragma once

#include "CoreExpectations.h"
#include "Require.h"
#include "WireChecks.h"
#include "core/PortIndex.h"
#include "core/Transport.h"

#include <optional>

// The core's transport in a fuzz run: checks every datagram and serial write as it is handed out, and keeps
// the last command sent, which the program may answer.
class CheckedTransport : public ostrel::Transport {
public:
    static constexpr std::size_t kLongestFrame = 128;

    // A command as it last went out: on the UDP port to a host, or on a serial line.
    struct SentCommand {
        CoreExpectations::Bytes bytes;
        bool overUdp = false;
        CoreExpectations::Route route{};
        int portIndex = 0;
    };

    explicit CheckedTransport(CoreExpectations& expect) : expect_(expect) {}

    void sendDatagram(std::span<const std::uint8_t> bytes, const ostrel::Ipv4Address& host,
                      std::uint16_t port) override {
        FUZZ_REQUIRE(bytes.size() >= kForwardSize && bytes.size() <= kLongestFrame, "a datagram of %zu bytes",
                     bytes.size());
        if (bytes.size() == kForwardSize) {
            const auto& [forwardHost, forwardPort] = expect_.forward();
            FUZZ_REQUIRE(
                forwardPort != 0 && host == forwardHost && port == static_cast<std::uint16_t>(forwardPort),
                "a zone alarm forwarded to %u.%u.%u.%u:%u", host[0], host[1], host[2], host[3], port);
            FUZZ_REQUIRE(bytes[0] == 0xFF && bytes[3] >= 1 && bytes[3] <= 8 && bytes[4] == 0,
                         "a forwarded zone alarm reads %02x %02x %02x %02x %02x", bytes[0], bytes[1],
                         bytes[2], bytes[3], bytes[4]);
            return;
        }
        FUZZ_REQUIRE(expect_.mayBeSentTo({host, port}),
                     "a datagram to %u.%u.%u.%u:%u, where nothing was heard from", host[0], host[1], host[2],
                     host[3], port);
        if (isCanonicalAck(bytes, false) || isNetworkAck(bytes))
            return;
        FUZZ_REQUIRE(expect_.sentInTurn(ostrel::kUdpPortIndex, bytes),
                     "a %zu-byte datagram that is no acknowledgement and no queued command in its turn",
                     bytes.size());
        last_ = SentCommand{{bytes.begin(), bytes.end()}, true, {host, port}, ostrel::kUdpPortIndex};
    }

    void writeSerial(int portIndex, std::span<const std::uint8_t> bytes) override {
        FUZZ_REQUIRE(portIndex >= 0 && portIndex < ostrel::kSerialPortCount,
                     "a write to serial port index %d", portIndex);
        FUZZ_REQUIRE(bytes.size() >= kSerialAckSize && bytes.size() <= kLongestFrame,
                     "a serial write of %zu bytes", bytes.size());
        if (isCanonicalAck(bytes, true) || isSerialAck(bytes))
            return;
        FUZZ_REQUIRE(expect_.sentInTurn(portIndex, bytes),
                     "a %zu-byte serial write that is no acknowledgement and no queued command in its turn",
                     bytes.size());
        last_ = SentCommand{{bytes.begin(), bytes.end()}, false, {}, portIndex};
    }

    void closeUdp() override { ++udpCloses; }

    const std::optional<SentCommand>& lastCommand() const { return last_; }

    int udpCloses = 0;

private:
    static constexpr std::size_t kForwardSize = 5;
    static constexpr std::size_t kSerialAckSize = 5;
    static constexpr std::size_t kCanonicalAckSize = 8;
    static constexpr std::size_t kNetworkAckSize = 13;
    static constexpr std::uint8_t kNetworkAckCode = 124;

    // A report's acknowledgement, protocol type 1: its code with the reply bit, the reserved byte 0 on UDP.
    static bool isCanonicalAck(std::span<const std::uint8_t> bytes, bool onSerial) {
        return bytes.size() == kCanonicalAckSize && bytes[0] == kCanonicalAckSize &&
               (onSerial || bytes[5] == 0) && bytes[6] >= 0x81 && bytes[6] <= 0x84 &&
               wire_checks::additiveHolds(bytes);
    }
    bool isNetworkAck(std::span<const std::uint8_t> bytes) const {
        return bytes.size() == kNetworkAckSize && expect_.wasLocalAddress(bytes.first(4)) && bytes[4] == 0 &&
               bytes[7] == 0 && bytes[10] == kNetworkAckSize && bytes[11] == kNetworkAckCode &&
               wire_checks::invertedHolds(bytes);
    }
    static bool isSerialAck(std::span<const std::uint8_t> bytes) {
        return bytes.size() == kSerialAckSize && bytes[2] == kSerialAckSize && bytes[3] == kNetworkAckCode &&
               wire_checks::invertedHolds(bytes);
    }

    CoreExpectations& expect_;
    std::optional<SentCommand> last_;
};
