#include "terminals/TerminalEventQueue.h"

#include "terminals/TerminalAddressKey.h"

bool TerminalEventQueue::push(int port, int addressA, int addressB, int eventCode) {
    const auto byte = [](int value) { return static_cast<std::uint8_t>(value & 0xFF); };
    const std::uint8_t code = byte(eventCode);
    const std::uint32_t seen = code < 32 ? std::uint32_t{1} << code : 0;
    const std::uint32_t key = TerminalAddressKey(byte(port), byte(addressA), byte(addressB));
    const std::lock_guard hold(m_lock);
    const bool wasEmpty = m_changes.empty();
    const auto [found, added] = m_indexOf.try_emplace(key, m_changes.size());
    if (added) {
        m_changes.push_back({byte(port), byte(addressA), byte(addressB), code, seen});
    } else {
        TerminalChange& change = m_changes[found->second];
        change.lastCode = code;
        change.codesSeen |= seen;
    }
    return wasEmpty;
}

std::vector<TerminalChange> TerminalEventQueue::take() {
    std::vector<TerminalChange> taken;
    const std::lock_guard hold(m_lock);
    taken.swap(m_changes);
    m_indexOf.clear();
    return taken;
}
