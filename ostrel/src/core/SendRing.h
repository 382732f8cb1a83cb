#pragma once

#include "CommandFrame.h"
#include "LockRecord.h"
#include "PortIndex.h"

#include <array>
#include <cstdint>
#include <memory>

namespace ostrel {

// A queued command: a copy of its CommandFrame's bytes and lengths.
struct SendRecord {
    std::array<std::uint8_t, CommandFrame::kBufferSize> bytes{};
    int payloadLength = 0;
    int frameLength = 0;
};

// The frames waiting to be sent, one ring per port index (0..10), oldest first. Each ring has kSlots
// slots and holds at most kSlots - 1 frames, so that a full ring differs from an empty one. All slots
// are allocated once, on construction, and never grow.
//
// One of the two places where Ostrel's threads meet: callers push commands from their own threads while
// the worker thread pops them. Every operation takes the send-queue lock, and holds it only for the copy
// into or out of one slot, never while anything else is locked.
//
// A port index is taken by its low 8 bits, as the exports pass it; any other index than 0..10 is
// refused by push and pop and reads as empty.
class SendRing {
public:
    static constexpr int kSlots = 2000;

    SendRing();

    // Copies the frame into the port's ring; false, changing nothing, when the ring is full.
    bool push(int portIndex, const CommandFrame& frame);
    // Moves the port's oldest frame into out; false, leaving out alone, when the ring is empty.
    bool pop(int portIndex, SendRecord& out);
    bool isEmpty(int portIndex) const;

private:
    struct Ring {
        std::array<SendRecord, kSlots> slots;
        int readIndex = 0;
        int writeIndex = 0;
    };

    Ring* ringFor(int portIndex) const;

    mutable LockRecord sendQueueLock_;
    std::unique_ptr<std::array<Ring, kPortCount>> rings_;
};

} // namespace ostrel
