#pragma once

#include "CallbackCaller.h"
#include "PortIndex.h"
#include "TerminalTable.h"

namespace ostrel {

// Times terminals out: the count-down pass serves one port per tick, the expiry scan looks for one
// expired terminal per tick and takes it (or its block) off line.
class TerminalTimeouts {
public:
    static constexpr int kBlocksPerScan = 101;

    TerminalTimeouts(TerminalTable& table, const CallbackCaller& callbacks);

    void countDownPass();
    void expiryScanPass();

private:
    TerminalTable& table_;
    const CallbackCaller& callbacks_;
    int countDownPort_ = 0;
    int scanPort_ = 0;
    int scanBlock_ = 0;
};

} // namespace ostrel
