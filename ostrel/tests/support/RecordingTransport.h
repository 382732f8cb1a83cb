#pragma once

#include "core/PortIndex.h"
#include "core/Transport.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// The core's outside world as recordings: serial lines are queues the test fills, and everything the
// core sends or writes is kept for the test to read.
class RecordingTransport : public ostrel::Transport {
public:
    struct Datagram {
        std::vector<std::uint8_t> bytes;
        std::string host;
        std::uint16_t port;
    };
    struct SerialWrite {
        int portIndex;
        std::vector<std::uint8_t> bytes;
    };

    std::vector<Datagram> datagrams;
    std::vector<SerialWrite> serialWrites;
    std::array<bool, ostrel::kSerialPortCount> receiving{};
    std::array<std::deque<std::uint8_t>, ostrel::kSerialPortCount> queued;
    std::array<std::uint8_t, 4> address{192, 168, 1, 10};
    int reads = 0;
    int udpCloses = 0;

    void sendDatagram(std::span<const std::uint8_t> bytes, const char* hostText,
                      std::uint16_t port) override {
        datagrams.push_back({{bytes.begin(), bytes.end()}, hostText, port});
    }
    void writeSerial(int portIndex, std::span<const std::uint8_t> bytes) override {
        serialWrites.push_back({portIndex, {bytes.begin(), bytes.end()}});
    }
    bool isSerialReceiving(int portIndex) const override { return receiving[portIndex]; }
    int readSerial(int portIndex, std::span<std::uint8_t> buffer) override {
        ++reads;
        auto& q = queued[portIndex];
        const std::size_t n = std::min(q.size(), buffer.size());
        std::copy_n(q.begin(), n, buffer.begin());
        q.erase(q.begin(), q.begin() + static_cast<std::ptrdiff_t>(n));
        return static_cast<int>(n);
    }
    void closeUdp() override { ++udpCloses; }
    std::array<std::uint8_t, 4> localAddress() const override { return address; }

    void arrive(int portIndex, const std::vector<std::uint8_t>& bytes) {
        queued[portIndex].insert(queued[portIndex].end(), bytes.begin(), bytes.end());
    }
    void arrive(int portIndex, std::size_t count, std::uint8_t first) {
        for (std::size_t i = 0; i < count; ++i)
            queued[portIndex].push_back(static_cast<std::uint8_t>(first + i));
    }
};
