#pragma once

#include <cstdint>
#include <vector>

#include "CorvaneDomain/MIDITimeline.hpp"

namespace corvane {

// One click of the count-in.
struct MIDICountInBeat {
    double offsetSeconds = 0;     // real seconds from the start of the count-in
    std::int64_t measureNumber = 1; // synthetic bars first, then reused ones
    std::int64_t beatNumber = 1;
    bool isAccent = false; // beat 1 of every bar

    bool operator==(const MIDICountInBeat&) const = default;
};

// Every click of a count-in before playback, the offset at which the
// timeline starts and the one at which the count-in is over. When playback
// starts at the very beginning, the song's empty leading bars are used as
// count-in bars: the timeline already runs while they are clicked.
struct MIDICountInPlan {
    std::vector<MIDICountInBeat> beats; // ascending by offset
    std::int64_t measureCount = 1;      // requested bars clamped to 1...4
    std::int64_t reusedLeadingMeasureCount = 0;
    double timelineStartOffsetSeconds = 0;
    double completionOffsetSeconds = 0;

    // `playbackRate` is song seconds per real second; below 0.01 (or NaN) counts as 0.01.
    MIDICountInPlan(const MIDITimeline& timeline, double startSeconds, std::int64_t measureCount,
                    double playbackRate);

    bool operator==(const MIDICountInPlan&) const = default;
};

} // namespace corvane
