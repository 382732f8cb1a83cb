#pragma once

#include "core/Ipv4Address.h"
#include "core/Transport.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Everything the core sends or writes, kept for the test to read. Addresses are written down as dotted
// text, which is how tests name them.
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
    int udpCloses = 0;

    void sendDatagram(std::span<const std::uint8_t> bytes, const ostrel::Ipv4Address& host,
                      std::uint16_t port) override {
        char text[16];
        std::snprintf(text, sizeof text, "%d.%d.%d.%d", host[0], host[1], host[2], host[3]);
        datagrams.push_back({{bytes.begin(), bytes.end()}, text, port});
    }
    void writeSerial(int portIndex, std::span<const std::uint8_t> bytes) override {
        serialWrites.push_back({portIndex, {bytes.begin(), bytes.end()}});
    }
    void closeUdp() override { ++udpCloses; }
};
