#pragma once

#include <cstdint>
#include <optional>

namespace corvane {

// One reading of the output's render clock: where the last render cycle
// started, in frames and on the host clock (CLOCK_MONOTONIC nanoseconds).
struct AudioRenderClockInstant {
    std::int64_t sampleTime = 0;
    double sampleRate = 0;
    std::optional<std::uint64_t> hostTime;

    // The host time in seconds; without one, frames over rate, absent for a
    // negative sample time or a rate not above 0.
    std::optional<double> clockTimeSeconds() const;
    // Seconds from `earlier` to this instant; absent when time would run
    // backwards or the frame counts are not comparable.
    std::optional<double> elapsedSeconds(const AudioRenderClockInstant& earlier) const;

    bool operator==(const AudioRenderClockInstant&) const = default;
};

} // namespace corvane
