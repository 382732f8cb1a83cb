#pragma once

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>

// Latencies counted into fixed buckets, so that a run of hours keeps the same memory: microseconds exact
// below 1,024, above that within 0.2% (512 buckets per power of two), up to 2^36 µs (19 hours).
class LatencyHistogram {
public:
    using Duration = std::chrono::microseconds;

    void add(std::chrono::nanoseconds latency) {
        const auto us = static_cast<std::uint64_t>(
            std::max<std::int64_t>(0, std::chrono::duration_cast<Duration>(latency).count()));
        ++buckets_[indexOf(us)];
        ++count_;
        max_ = std::max(max_, us);
    }

    long long count() const { return count_; }
    Duration max() const { return Duration(max_); }
    // The latency that a share q (0 to 1) of the samples do not exceed; zero without samples.
    Duration quantile(double q) const {
        if (count_ == 0)
            return Duration::zero();
        const auto rank = static_cast<long long>(q * static_cast<double>(count_ - 1));
        long long seen = 0;
        for (std::size_t i = 0; i < buckets_.size(); ++i) {
            seen += buckets_[i];
            if (seen > rank)
                return Duration(std::min(lowestOf(i), max_));
        }
        return Duration(max_);
    }

private:
    static constexpr int kExact = 1024;
    static constexpr int kSubBuckets = 512;
    static constexpr int kOctaves = 27; // 2^10 .. 2^36 µs

    static std::size_t indexOf(std::uint64_t us) {
        if (us < kExact)
            return us;
        int octave = 63 - __builtin_clzll(us) - 9; // 1 for 1,024 .. 2,047
        if (octave > kOctaves) {
            octave = kOctaves;
            us = (std::uint64_t{2} * kSubBuckets << kOctaves) - 1;
        }
        const std::uint64_t sub = (us >> octave) - kSubBuckets;
        return kExact + static_cast<std::size_t>(octave - 1) * kSubBuckets + sub;
    }
    static std::uint64_t lowestOf(std::size_t index) {
        if (index < kExact)
            return index;
        const std::size_t octave = (index - kExact) / kSubBuckets + 1;
        const std::size_t sub = (index - kExact) % kSubBuckets + kSubBuckets;
        return std::uint64_t{sub} << octave;
    }

    std::array<long long, kExact + kOctaves * kSubBuckets> buckets_{};
    long long count_ = 0;
    std::uint64_t max_ = 0;
};
