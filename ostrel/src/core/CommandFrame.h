#pragma once

#include "FrameLayout.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace ostrel {

// One command for one terminal, built on the caller's stack and copied into a send ring. The buffer
// holds the canonical frame from byte 0; the checksum is not kept but added when the frame is sent.
// Order of use: setAddress (or setHeaderBytes), setCommand, the subclass's fill, finalize.
class CommandFrame {
public:
    static constexpr int kBufferSize = 72;
    static constexpr int kMaxPayload = kBufferSize - static_cast<int>(canonical::kPayload);

    virtual ~CommandFrame() = default;

    // Bytes 1 and 2 take the low 8 bits of the addresses, bytes 3 and 4 the low 16 bits of the header
    // word, high byte first.
    void setAddress(int addressA, int addressB, int headerWord);
    // Bytes 1 to 4 as given: an acknowledgement repeats the header of the report it answers.
    void setHeaderBytes(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3, std::uint8_t b4);
    void setCommand(int code);
    // Writes the length byte (counting the checksum still to come) and returns frameLength, the number
    // of bytes before the checksum.
    int finalize();

    std::array<std::uint8_t, kBufferSize> bytes{};
    int payloadLength = 0;
    int frameLength = 0;
};

// The fill operations write the payload and payloadLength. They return false when a text or pointer
// the command needs is null or a text does not fit in the payload: the frame must then not be sent.
// A password longer than 8 characters is not refused: the frame goes out with its header only.

// Arms or disarms a zone; zones outside 0..8 are sent as 0.
class TerminalControlFrame final : public CommandFrame {
public:
    bool fill(const char* password, int action, int zone);
};

class SingleOutputFrame final : public CommandFrame {
public:
    bool fill(int output, int outputState, int thirdValue);
};

class SingleLightFrame final : public CommandFrame {
public:
    bool fill(int lamp, int lampState);
};

// Three 16-bit durations.
class BuzzerControlFrame final : public CommandFrame {
public:
    bool fill(int first, int second, int third);
};

// A zero-terminated text of at most 63 characters behind a one-byte argument.
class LcdDisplayFrame final : public CommandFrame {
public:
    bool fill(int argument, const char* text);
};

class LcdCleanFrame final : public CommandFrame {
public:
    bool fill();
};

// A zero-terminated text of at most 64 characters.
class MessageFrame final : public CommandFrame {
public:
    bool fill(const char* text);
};

// The first ceil(count / 8) bytes of the bit map, count taken as its low 8 bits.
class AllOutputFrame final : public CommandFrame {
public:
    bool fill(int count, const std::uint8_t* bitMap);
};

// Six number bytes from a text such as "yy-mm-dd hh:mm:ss" (fields split at any of "- :", at most the
// first 31 characters read, missing fields sent as 0).
class SetupTimeFrame final : public CommandFrame {
public:
    bool fill(const char* dateTime);
};

// Names the terminal (selector 0) or one of its zones; the name has at most 60 characters.
class ConfigNameFrame final : public CommandFrame {
public:
    bool fill(const char* password, int selector, const char* name);
};

// A programming value. The mode says how the data text is sent:
//   0 the text and a 0 byte; 1 one byte per decimal digit; 2 a dotted IPv4 address (four bytes);
//   3 one byte per hex digit up to the first other character, then 0x0F.
// A mode-2 text over 16 characters or any other mode sends the header only.
class ConfigFuncationFrame final : public CommandFrame {
public:
    bool fill(const char* password, int firstByte, int secondByte, const char* data, int mode);
};

class PowerupFrame final : public CommandFrame {
public:
    bool fill();
};

} // namespace ostrel
