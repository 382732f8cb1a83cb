#pragma once

#include <cstdint>

// The number Ostrel gave a frame that a command queued, by which the frame's outcome finds it later; 0 when
// the command was not queued (the port's queue was full, or Ostrel refused the call).
using QueuedFrame = std::uint32_t;
inline constexpr QueuedFrame kNotQueued = 0;
