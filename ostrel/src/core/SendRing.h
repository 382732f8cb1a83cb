#pragma once

#include "CommandFrame.h"
#include "LockRecord.h"
#include "PortIndex.h"

#include <array>
#include <cstdint>
#include <memory>

namespace ostrel {

// A queued command: a copy of its CommandFrame's bytes and lengths, and the number it was queued under.
struct SendRecord {
    std::array<std::uint8_t, CommandFrame::kBufferSize> bytes{};
    int payloadLength = 0;
    int frameLength = 0;
    std::uint32_t frameNumber = 0;
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
//
// Every frame pushed gets the next frame number, counted over all ports together so that a caller can
// tell its frames apart wherever they go; the count never gives 0, which stands for "not queued".
class SendRing {
public:
    static constexpr int kSlots = 2000;

    explicit SendRing(std::uint32_t firstFrameNumber = 1);

    // Copies the frame into the port's ring and returns its frame number; 0, changing nothing, when the
    // ring is full.
    std::uint32_t push(int portIndex, const CommandFrame& frame);
    // Moves the port's oldest frame into out; false, leaving out alone, when the ring is empty.
    bool pop(int portIndex, SendRecord& out);
    bool isEmpty(int portIndex) const;
    // From now on every push is refused: the frames held are being discarded for good.
    void refuseFrames();

private:
    struct Ring {
        std::array<SendRecord, kSlots> slots;
        int readIndex = 0;
        int writeIndex = 0;
    };

    Ring* ringFor(int portIndex) const;

    mutable LockRecord sendQueueLock_;
    std::uint32_t nextFrameNumber_;
    bool refusing_ = false;
    std::unique_ptr<std::array<Ring, kPortCount>> rings_;
};

} // namespace ostrel
