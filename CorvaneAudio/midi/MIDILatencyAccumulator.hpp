#pragma once

#include <cstdint>
#include <deque>
#include <optional>

namespace corvane {

struct MIDILatencyStatistics {
    std::int64_t sampleCount = 0;
    double medianMilliseconds = 0;
    double p95Milliseconds = 0;
    double maximumMilliseconds = 0;
    bool operator==(const MIDILatencyStatistics&) const = default;
};

// The delivery latencies of the last `capacity` MIDI input events, and their
// median, 95th percentile and maximum.
class MIDILatencyAccumulator {
public:
    // At least one sample is always kept.
    explicit MIDILatencyAccumulator(std::int64_t capacity);

    // Negative, infinite and not-a-number values are ignored.
    void record(double milliseconds);
    // Absent until a sample was recorded.
    std::optional<MIDILatencyStatistics> statistics() const;

    std::int64_t capacity() const { return capacity_; }

private:
    std::int64_t capacity_;
    std::deque<double> samples_; // oldest first
};

} // namespace corvane
