#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace corvane {

// Turns render-clock seconds (host time, as the clock readings give them)
// into output samples. Each reading pairs a cycle's first sample with the
// host time its callback woke at; the wake-up comes late by a varying amount,
// never early, so the earliest-waking cycle of the last fifth of a second
// draws the line. That line is steady from tick to tick, so events sent in
// different ticks keep their exact spacing, and it follows a device clock that
// drifts against the host clock or loses time (a server that fell behind and
// skipped ahead) within that fifth of a second. A time ahead is placed on the
// line of the fifth of a second before it. Main thread.
class RenderClockMapping {
public:
    static constexpr std::uint64_t windowNanoseconds = 200'000'000;

    // Folds in one reading; a reading that goes back in samples, or another
    // rate, starts afresh (the stream was restarted).
    void observe(std::int64_t sampleTime, std::uint64_t hostTime, double sampleRate);
    // The sample at which `clockSeconds` falls, on the line drawn by the
    // readings of the window before that time; absent before any reading.
    std::optional<std::int64_t> sampleAt(double clockSeconds) const;
    // True once, after a reading started the line afresh.
    bool takeRestart();
    void reset();

private:
    struct Seen {
        std::uint64_t hostTime;
        double offset; // host nanoseconds at sample 0 as this cycle saw it
    };

    bool known_ = false;
    bool restarted_ = false;
    double rate_ = 0;
    std::int64_t lastSample_ = 0;
    // The readings of the window, oldest first, in a ring; one per cycle.
    std::array<Seen, 128> seen_{};
    std::size_t first_ = 0, count_ = 0;
};

} // namespace corvane
