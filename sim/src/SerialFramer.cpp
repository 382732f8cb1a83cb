#include "SerialFramer.h"

namespace sim {

std::vector<SerialFramer::Piece> SerialFramer::feed(std::span<const std::uint8_t> bytes,
                                                    Clock::time_point now) {
    std::vector<Piece> pieces;
    if (!buffer_.empty() && now - lastInput_ >= kQuietSpell) {
        dropBytes(buffer_.size(), "an incomplete frame, then the line went quiet");
        flushNoise(pieces);
    }
    lastInput_ = now;
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());

    const auto framing = lineFramingOf(layout_);
    while (buffer_.size() > framing.lengthByte) {
        const std::size_t length = buffer_[framing.lengthByte];
        if (length < framing.shortest) {
            dropBytes(1, "no frame is " + std::to_string(length) + " bytes long");
        } else if (buffer_.size() < length) {
            // Either a frame still coming in, or noise claiming a length: a whole frame further on
            // settles it.
            const auto later = startOfWholeFrame(1);
            if (later == 0)
                break;
            dropBytes(later, "bytes that start no frame");
        } else if (const auto decoded = decodeLineFrame({buffer_.data(), length}, layout_); !decoded.frame) {
            dropBytes(1, decoded.error);
        } else {
            flushNoise(pieces);
            pieces.push_back({{buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(length)}, {}});
            buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(length));
        }
    }
    flushNoise(pieces);
    return pieces;
}

std::size_t SerialFramer::startOfWholeFrame(std::size_t from) const {
    const auto framing = lineFramingOf(layout_);
    for (std::size_t start = from; start + framing.lengthByte < buffer_.size(); ++start) {
        const std::size_t length = buffer_[start + framing.lengthByte];
        if (length >= framing.shortest && start + length <= buffer_.size() &&
            decodeLineFrame({buffer_.data() + start, length}, layout_).frame)
            return start;
    }
    return 0;
}

void SerialFramer::dropBytes(std::size_t count, const std::string& why) {
    if (noise_.empty())
        noiseReason_ = why;
    noise_.insert(noise_.end(), buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(count));
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(count));
}

void SerialFramer::flushNoise(std::vector<Piece>& pieces) {
    if (noise_.empty())
        return;
    pieces.push_back({std::move(noise_), std::move(noiseReason_)});
    noise_.clear();
    noiseReason_.clear();
}

} // namespace sim
