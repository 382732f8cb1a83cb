#include "SendRing.h"

namespace ostrel {

namespace {

constexpr int nextSlot(int index) {
    return (index + 1) % SendRing::kSlots;
}

} // namespace

SendRing::SendRing() : rings_(std::make_unique<std::array<Ring, kPortCount>>()) {}

SendRing::Ring* SendRing::ringFor(int portIndex) const {
    const int index = static_cast<std::uint8_t>(portIndex);
    return index < kPortCount ? &(*rings_)[index] : nullptr;
}

// The indices are published with release and read with acquire, so a slot's contents are complete
// before its index is seen, also by the lock-free isEmpty.
bool SendRing::push(int portIndex, const CommandFrame& frame) {
    Ring* ring = ringFor(portIndex);
    if (ring == nullptr)
        return false;
    const int write = ring->writeIndex.load(std::memory_order_relaxed);
    if (nextSlot(write) == ring->readIndex.load(std::memory_order_acquire))
        return false;
    SendRecord& slot = ring->slots[write];
    slot.bytes = frame.bytes;
    slot.payloadLength = frame.payloadLength;
    slot.frameLength = frame.frameLength;
    ring->writeIndex.store(nextSlot(write), std::memory_order_release);
    return true;
}

bool SendRing::pop(int portIndex, SendRecord& out) {
    Ring* ring = ringFor(portIndex);
    if (ring == nullptr)
        return false;
    const int read = ring->readIndex.load(std::memory_order_relaxed);
    if (read == ring->writeIndex.load(std::memory_order_acquire))
        return false;
    out = ring->slots[read];
    ring->readIndex.store(nextSlot(read), std::memory_order_release);
    return true;
}

bool SendRing::isEmpty(int portIndex) const {
    const Ring* ring = ringFor(portIndex);
    return ring == nullptr || ring->readIndex.load(std::memory_order_acquire) ==
                                  ring->writeIndex.load(std::memory_order_acquire);
}

} // namespace ostrel
