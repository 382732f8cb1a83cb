#include "TerminalTimeouts.h"

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

void TerminalTimeouts::expiryScanPass() {
    for (int examined = 0; examined < kBlocksPerScan; ++examined) {
        const int port = scanPort_;
        const auto a = static_cast<std::uint8_t>(scanBlock_);
        for (int bValue = 0; bValue < 256; ++bValue) {
            const auto b = static_cast<std::uint8_t>(bValue);
            if (!table_.isExpired(port, a, b))
                continue;
            int event = OSTREL_EVENT_TERMINAL_OFF_LINE;
            if (b == TerminalTable::kBlockRecordAddress) {
                // Its live terminals now expire one by one in the ticks that follow.
                table_.blockOffLine(port, a);
                event = a == TerminalTable::kPortEntryBlock ? OSTREL_EVENT_PORT_OFF_LINE
                                                            : OSTREL_EVENT_BLOCK_OFF_LINE;
            } else {
                // Announced off line, it is off line: heard again, it comes back on line with its event.
                table_.markOffLine(port, a, b);
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

} // namespace ostrel
