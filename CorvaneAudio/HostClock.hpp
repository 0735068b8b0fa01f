#pragma once

#include <cstdint>
#include <ctime>

namespace corvane {

// The one monotonic time base of the process: render-clock host times and
// MIDI input stamps are both CLOCK_MONOTONIC nanoseconds, so they compare directly.
inline std::uint64_t hostTimeNow()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1'000'000'000ull + static_cast<std::uint64_t>(ts.tv_nsec);
}

inline double secondsForHostTime(std::uint64_t hostTime) { return static_cast<double>(hostTime) / 1e9; }

} // namespace corvane
