#include "terminals/SendFailureQueue.h"

#include <utility>

bool SendFailureQueue::push(int port, int addressA, int addressB, int commandCode) {
    const auto byte = [](int value) { return static_cast<std::uint8_t>(value & 0xFF); };
    const SendFailure failure{byte(port), byte(addressA), byte(addressB), byte(commandCode)};
    const std::lock_guard hold(m_lock);
    m_waiting.latest = failure;
    return m_waiting.count++ == 0;
}

SendFailures SendFailureQueue::take() {
    const std::lock_guard hold(m_lock);
    return std::exchange(m_waiting, SendFailures{});
}
