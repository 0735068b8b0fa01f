#pragma once

#include <cstdint>

#include "CorvaneDomain/MIDIFile.hpp"

namespace corvane {

// One event of a timeline as it is read. The timeline keeps its events packed
// and makes this value when one is read, so its size costs nothing per note.
struct MIDITimelineEvent {
    std::uint64_t tick = 0;
    double seconds = 0;
    std::int64_t trackIndex = 0;
    std::int64_t eventIndex = 0;
    MIDIEventKind kind;
    bool operator==(const MIDITimelineEvent&) const = default;
};

} // namespace corvane
