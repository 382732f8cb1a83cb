#pragma once

#include <cstddef>

// The steps of a fuzz-frames input: a step byte, then what the step reads (FrameFuzzer.cpp).
struct FrameProgram {
    enum Step { NetworkToCanonical, CanonicalConversions, Command, SerialLine, AddressText };
    static constexpr int kStepKinds = 5;
    static constexpr int kMaxSteps = 64;
    // Past the 128 bytes of the longest frame, so that the limits themselves are tried.
    static constexpr std::size_t kMaxFrame = 140;
    static constexpr std::size_t kMaxChunk = 140;
    static constexpr int kMaxLineSteps = 64;
    static constexpr std::size_t kMaxTextBuffer = 20;
};
