#include "CorvaneAudio/midi/MIDILatencyAccumulator.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

namespace corvane {

namespace {

// Nearest rank without interpolation: the median of an even count is the
// upper middle value.
double percentile(double p, const std::vector<double>& ascending)
{
    const auto last = static_cast<double>(ascending.size() - 1);
    const double index = std::clamp(std::ceil(p * last), 0.0, last);
    return ascending[static_cast<std::size_t>(index)];
}

} // namespace

MIDILatencyAccumulator::MIDILatencyAccumulator(std::int64_t capacity) : capacity_(std::max<std::int64_t>(capacity, 1)) {}

void MIDILatencyAccumulator::record(double milliseconds)
{
    if (!std::isfinite(milliseconds) || milliseconds < 0) return;
    samples_.push_back(milliseconds);
    while (static_cast<std::int64_t>(samples_.size()) > capacity_) samples_.pop_front();
}

std::optional<MIDILatencyStatistics> MIDILatencyAccumulator::statistics() const
{
    if (samples_.empty()) return std::nullopt;
    std::vector<double> sorted(samples_.begin(), samples_.end());
    std::sort(sorted.begin(), sorted.end());
    return MIDILatencyStatistics{
        .sampleCount = static_cast<std::int64_t>(sorted.size()),
        .medianMilliseconds = percentile(0.5, sorted),
        .p95Milliseconds = percentile(0.95, sorted),
        .maximumMilliseconds = sorted.back(),
    };
}

} // namespace corvane
