#pragma once

#include "CallbackCaller.h"
#include "PortIndex.h"
#include "TerminalTable.h"

#include <bitset>
#include <cstdint>

namespace ostrel {

// Times terminals out: the count-down pass serves one port per tick, the expiry scan looks for one
// expired terminal per tick and takes it (or its block) off line.
class TerminalTimeouts {
public:
    static constexpr int kBlocksPerScan = 101;

    TerminalTimeouts(TerminalTable& table, const CallbackCaller& callbacks);

    void countDownPass();
    void expiryScanPass();
    // A terminal was heard: if it is one of the records without an off-line state, it may be reported again.
    void heard(int portIndex, std::uint8_t a, std::uint8_t b);
    // Everything forgotten, as after a connection loss.
    void reset();

private:
    // Records at addressB 240..254 have no off-line state of their own; this remembers which were reported.
    static constexpr int kUnmarkedFirst = 240;
    static constexpr int kUnmarkedCount = 15;
    static std::size_t unmarkedIndex(int port, int a, int b) {
        return (static_cast<std::size_t>(port) * 256 + a) * kUnmarkedCount + (b - kUnmarkedFirst);
    }
    bool reportedAlready(int port, int a, int b) const;

    TerminalTable& table_;
    const CallbackCaller& callbacks_;
    int countDownPort_ = 0;
    int scanPort_ = 0;
    int scanBlock_ = 0;
    std::bitset<kPortCount * 256 * kUnmarkedCount> unmarkedReported_;
};

} // namespace ostrel
