#pragma once

#include "FuzzInput.h"
#include "core/CommandFrame.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// One of the twelve commands of the C interface with the arguments a caller could pass, read from a fuzz
// input in one fixed layout whatever the command (so that a mutation of one field never shifts the others),
// and built the way the Cmd_ exports build it.
struct FuzzCommand {
    static constexpr int kKinds = 12;
    static constexpr std::size_t kMaxPassword = 12;
    static constexpr std::size_t kMaxText = 80;
    static constexpr std::size_t kBitMapSize = 32;  // ceil(255 / 8): the most any count asks for
    static constexpr std::uint8_t kNullMark = 0xFF; // a presence byte that passes a null pointer

    int kind = 0; // index into kCodes
    std::int32_t addressA = 0;
    std::int32_t addressB = 0;
    std::int32_t headerWord = 0;
    // The command's numbers in argument order: action and zone; output, state and third value; lamp and
    // state; three durations; the display argument; the output count; the name selector; the first and
    // second byte and the data mode.
    std::array<std::int32_t, 3> numbers{};
    std::optional<std::string> password; // none: a null pointer
    std::optional<std::string> text;     // display text, message, date and time, name or data
    std::optional<std::array<std::uint8_t, kBitMapSize>> bitMap;

    // Command codes, in the order of the C header.
    static constexpr std::array<int, kKinds> kCodes{5, 6, 7, 8, 10, 11, 12, 13, 32, 33, 34, 95};
    int code() const { return kCodes[static_cast<std::size_t>(kind)]; }

    static FuzzCommand read(FuzzInput& in) {
        FuzzCommand command;
        command.kind = in.byte() % kKinds;
        command.addressA = in.int32();
        command.addressB = in.int32();
        command.headerWord = in.int32();
        for (std::int32_t& number : command.numbers)
            number = in.int32();
        command.password = optionalText(in, kMaxPassword);
        command.text = optionalText(in, kMaxText);
        const bool nullBitMap = in.byte() == kNullMark;
        const auto map = in.sized(kBitMapSize);
        if (!nullBitMap) {
            command.bitMap.emplace();
            std::copy(map.begin(), map.end(), command.bitMap->begin());
        }
        return command;
    }

    void write(FuzzInputWriter& out) const {
        out.byte(static_cast<std::uint8_t>(kind)).int32(addressA).int32(addressB).int32(headerWord);
        for (const std::int32_t number : numbers)
            out.int32(number);
        writeOptionalText(out, password);
        writeOptionalText(out, text);
        out.byte(bitMap ? 0 : kNullMark);
        if (bitMap)
            out.sized(*bitMap);
        else
            out.byte(0);
    }

    // Builds the frame as the export does: address, command code, fill, finalize. False when the fill
    // refused (the export then queues nothing); frame is finalized only on true.
    bool build(ostrel::CommandFrame& frame) const {
        switch (kind) {
        case 0:
            return fillAndFinalize<ostrel::TerminalControlFrame>(frame, cText(password), numbers[0],
                                                                 numbers[1]);
        case 1:
            return fillAndFinalize<ostrel::SingleOutputFrame>(frame, numbers[0], numbers[1], numbers[2]);
        case 2:
            return fillAndFinalize<ostrel::SingleLightFrame>(frame, numbers[0], numbers[1]);
        case 3:
            return fillAndFinalize<ostrel::BuzzerControlFrame>(frame, numbers[0], numbers[1], numbers[2]);
        case 4:
            return fillAndFinalize<ostrel::LcdDisplayFrame>(frame, numbers[0], cText(text));
        case 5:
            return fillAndFinalize<ostrel::LcdCleanFrame>(frame);
        case 6:
            return fillAndFinalize<ostrel::MessageFrame>(frame, cText(text));
        case 7:
            return fillAndFinalize<ostrel::AllOutputFrame>(frame, numbers[0],
                                                           bitMap ? bitMap->data() : nullptr);
        case 8:
            return fillAndFinalize<ostrel::SetupTimeFrame>(frame, cText(text));
        case 9:
            return fillAndFinalize<ostrel::ConfigNameFrame>(frame, cText(password), numbers[0], cText(text));
        case 10:
            return fillAndFinalize<ostrel::ConfigFuncationFrame>(frame, cText(password), numbers[0],
                                                                 numbers[1], cText(text), numbers[2]);
        default:
            return fillAndFinalize<ostrel::PowerupFrame>(frame);
        }
    }

private:
    static std::optional<std::string> optionalText(FuzzInput& in, std::size_t max) {
        const bool null = in.byte() == kNullMark;
        std::string value = in.text(max);
        if (null)
            return std::nullopt;
        return value;
    }
    static void writeOptionalText(FuzzInputWriter& out, const std::optional<std::string>& value) {
        out.byte(value ? 0 : kNullMark).text(value.value_or(std::string()));
    }
    static const char* cText(const std::optional<std::string>& value) {
        return value ? value->c_str() : nullptr;
    }

    template <class Frame, class... Args>
    bool fillAndFinalize(ostrel::CommandFrame& out, Args... args) const {
        Frame frame;
        frame.setAddress(addressA, addressB, headerWord);
        frame.setCommand(code());
        if (!frame.fill(args...))
            return false;
        frame.finalize();
        out = frame;
        return true;
    }
};
