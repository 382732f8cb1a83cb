#pragma once

#include <cstdint>

namespace ostrel {

// Messages of the worker's loop. The numbers are the hidden window's message numbers of old and are
// kept so that traces read the same on every platform.
enum class PrivateMessage : std::uint32_t {
    Destroy = 2,             // WM_DESTROY: stop every pass and end the loop
    MSG_START_TIMERS = 1040, // 0x410
    MSG_STOP_SENDING = 1056, // 0x420
    MSG_SOCKET = 1072,       // 0x430, with one of the socket events below in the low 16 bits of its parameter
};

inline constexpr std::uintptr_t FD_READ = 1;
inline constexpr std::uintptr_t FD_CLOSE = 32;

} // namespace ostrel
