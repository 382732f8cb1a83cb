#include "TerminalTimeouts.h"

#include "TerminalEvent.h"

namespace ostrel {

TerminalTimeouts::TerminalTimeouts(TerminalTable& table, const CallbackCaller& callbacks)
    : table_(table), callbacks_(callbacks) {}

void TerminalTimeouts::countDownPass() {
    const int port = countDownPort_;
    countDownPort_ = (countDownPort_ + 1) % kPortCount;
    // Only blocks that are on line on a port that was heard count down beyond their first record.
    for (int a = 0; a < 256; ++a) {
        const auto blockA = static_cast<std::uint8_t>(a);
        if (!table_.countDown(port, blockA, 0))
            continue;
        for (int b = 1; b < 256; ++b)
            if (!table_.countDown(port, blockA, static_cast<std::uint8_t>(b)))
                break;
    }
}

bool TerminalTimeouts::reportedAlready(int port, int a, int b) const {
    return b >= kUnmarkedFirst && b < kUnmarkedFirst + kUnmarkedCount &&
           unmarkedReported_[unmarkedIndex(port, a, b)];
}

void TerminalTimeouts::expiryScanPass() {
    for (int examined = 0; examined < kBlocksPerScan; ++examined) {
        const int port = scanPort_;
        const auto a = static_cast<std::uint8_t>(scanBlock_);
        for (int bValue = 0; bValue < 256; ++bValue) {
            const auto b = static_cast<std::uint8_t>(bValue);
            if (!table_.isExpired(port, a, b) || reportedAlready(port, a, b))
                continue;
            int event = TerminalOffLine;
            if (b == kBlockAddress) {
                // Its live terminals now expire one by one in the ticks that follow.
                table_.blockOffLine(port, a);
                event = a == kBlockAddress ? PortEntryOffLine : BlockOffLine;
            } else if (b < kUnmarkedFirst) {
                table_.markOffLine(port, a, b);
            } else {
                // Reported once; otherwise it would be reported on every tick and hold the scan here.
                unmarkedReported_[unmarkedIndex(port, a, b)] = true;
            }
            callbacks_.terminalEvent(port, a, b, 0, event);
            callbacks_.refresh();
            return; // one expiry per tick; the scan stays at this block
        }
        if (++scanBlock_ == 256) {
            scanBlock_ = 0;
            scanPort_ = (scanPort_ + 1) % kPortCount;
        }
    }
}

void TerminalTimeouts::heard(int port, std::uint8_t a, std::uint8_t b) {
    if (b >= kUnmarkedFirst && b < kUnmarkedFirst + kUnmarkedCount)
        unmarkedReported_[unmarkedIndex(port, a, b)] = false;
}

void TerminalTimeouts::reset() {
    unmarkedReported_.reset();
}

} // namespace ostrel
