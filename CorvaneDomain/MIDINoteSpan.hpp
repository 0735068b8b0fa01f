#pragma once

#include <cstdint>

namespace corvane {

// A sounding note of a timeline, from its note-on to its release. The
// indices are 32 bits wide: a file holds at most 65,535 tracks and a track at
// most 2^31 events (two bytes each at least), and the span fits 32 bytes.
struct MIDINoteSpan {
    std::uint8_t note = 0;
    std::uint8_t velocity = 0;
    std::uint8_t channel = 0;
    std::int32_t trackIndex = 0;
    std::int32_t eventIndex = 0;
    double startSeconds = 0;
    double endSeconds = 0;

    double durationSeconds() const { return endSeconds - startSeconds; }
    bool operator==(const MIDINoteSpan&) const = default;
};

} // namespace corvane
