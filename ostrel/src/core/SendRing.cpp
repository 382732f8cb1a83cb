#include "SendRing.h"

namespace ostrel {

namespace {

constexpr int nextSlot(int index) {
    return (index + 1) % SendRing::kSlots;
}

} // namespace

SendRing::SendRing(std::uint32_t firstFrameNumber)
    : nextFrameNumber_(firstFrameNumber == 0 ? 1 : firstFrameNumber),
      rings_(std::make_unique<std::array<Ring, kPortCount>>()) {}

SendRing::Ring* SendRing::ringFor(int portIndex) const {
    const int index = static_cast<std::uint8_t>(portIndex);
    return index < kPortCount ? &(*rings_)[index] : nullptr;
}

std::uint32_t SendRing::push(int portIndex, const CommandFrame& frame) {
    Ring* ring = ringFor(portIndex);
    if (ring == nullptr)
        return 0;
    std::lock_guard guard(sendQueueLock_);
    if (refusing_ || nextSlot(ring->writeIndex) == ring->readIndex)
        return 0;
    SendRecord& slot = ring->slots[ring->writeIndex];
    slot.bytes = frame.bytes;
    slot.payloadLength = frame.payloadLength;
    slot.frameLength = frame.frameLength;
    slot.frameNumber = nextFrameNumber_;
    nextFrameNumber_ = nextFrameNumber_ == UINT32_MAX ? 1 : nextFrameNumber_ + 1;
    ring->writeIndex = nextSlot(ring->writeIndex);
    return slot.frameNumber;
}

bool SendRing::pop(int portIndex, SendRecord& out) {
    Ring* ring = ringFor(portIndex);
    if (ring == nullptr)
        return false;
    std::lock_guard guard(sendQueueLock_);
    if (ring->readIndex == ring->writeIndex)
        return false;
    out = ring->slots[ring->readIndex];
    ring->readIndex = nextSlot(ring->readIndex);
    return true;
}

bool SendRing::isEmpty(int portIndex) const {
    const Ring* ring = ringFor(portIndex);
    if (ring == nullptr)
        return true;
    std::lock_guard guard(sendQueueLock_);
    return ring->readIndex == ring->writeIndex;
}

void SendRing::refuseFrames() {
    std::lock_guard guard(sendQueueLock_);
    refusing_ = true;
}

} // namespace ostrel
