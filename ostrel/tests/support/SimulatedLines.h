#pragma once

#include "core/OstrelCore.h"
#include "core/PortIndex.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <vector>

// The ten serial lines as the driver sees them, in synthetic time: queues the test fills, read the way
// the driver reads them before each tick (only lines being received, at most what the core has room for).
class SimulatedLines {
public:
    std::array<bool, ostrel::kSerialPortCount> receiving{};
    std::array<std::deque<std::uint8_t>, ostrel::kSerialPortCount> queued;
    int reads = 0;

    void arrive(int portIndex, const std::vector<std::uint8_t>& bytes) {
        queued[portIndex].insert(queued[portIndex].end(), bytes.begin(), bytes.end());
    }
    // count bytes numbered from first on.
    void arrive(int portIndex, std::size_t count, std::uint8_t first) {
        for (std::size_t i = 0; i < count; ++i)
            queued[portIndex].push_back(static_cast<std::uint8_t>(first + i));
    }

    // One period: what each line being received brought, handed to the core's tick.
    void tick(ostrel::OstrelCore& core) {
        std::array<std::vector<std::uint8_t>, ostrel::kSerialPortCount> chunks;
        std::vector<ostrel::SerialRead> reads;
        if (core.isRunning(ostrel::Pass::SerialReceive)) {
            for (int port = 0; port < ostrel::kSerialPortCount; ++port) {
                if (!receiving[port])
                    continue;
                ++this->reads;
                auto& q = queued[port];
                const std::size_t n = std::min(q.size(), core.serialRoom(port));
                chunks[port].assign(q.begin(), q.begin() + static_cast<std::ptrdiff_t>(n));
                q.erase(q.begin(), q.begin() + static_cast<std::ptrdiff_t>(n));
                reads.push_back({port, chunks[port]});
            }
        }
        core.tick(reads);
    }
};
