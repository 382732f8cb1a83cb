#include "SerialLineBuffer.h"

#include "FrameCodec.h"
#include "FrameLayout.h"

#include <algorithm>
#include <cstring>

namespace ostrel {

void SerialLineBuffer::append(std::span<const std::uint8_t> bytes) {
    const std::size_t taken = std::min(bytes.size(), room());
    std::copy_n(bytes.begin(), taken, buffer_.begin() + static_cast<std::ptrdiff_t>(count_));
    count_ += taken;
}

void SerialLineBuffer::consume(std::size_t count) {
    count = std::min(count, count_);
    std::memmove(buffer_.data(), buffer_.data() + count, count_ - count);
    count_ -= count;
}

SerialLineBuffer::Front SerialLineBuffer::front() const {
    Front front;
    const auto collected = bytes();
    // A length byte that no frame of the layout can have rules the layout out at this byte.
    auto examine = [&](std::size_t lengthByte, std::size_t shortest, auto checksumHolds) -> std::size_t {
        if (collected.size() <= lengthByte) {
            front.mayGrow = true;
            return 0;
        }
        const std::size_t length = collected[lengthByte];
        if (length < shortest || length > kCapacity)
            return 0;
        if (length > collected.size()) {
            front.mayGrow = true;
            return 0;
        }
        return checksumHolds(collected.first(length)) ? length : 0;
    };
    front.canonicalLength =
        examine(canonical::kLength, canonical::kShortestFrame, [](std::span<const std::uint8_t> frame) {
            return additiveChecksum(frame.first(frame.size() - 1)) == frame.back();
        });
    front.serialLength =
        examine(serial::kLength, serial::kShortestFrame, [](std::span<const std::uint8_t> frame) {
            return invertedChecksum(frame.first(frame.size() - 1)) == frame.back();
        });
    return front;
}

} // namespace ostrel
