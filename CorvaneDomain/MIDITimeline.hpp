#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "CorvaneDomain/MIDIFile.hpp"
#include "CorvaneDomain/MIDINoteSpan.hpp"
#include "CorvaneDomain/MIDINoteSpanList.hpp"
#include "CorvaneDomain/MIDITempoMap.hpp"
#include "CorvaneDomain/MIDITimelineEvent.hpp"
#include "CorvaneDomain/MIDITimelineEventStore.hpp"
#include "CorvaneDomain/MIDITimelineEvents.hpp"

namespace corvane {

// A contiguous run of a timeline's events, read in place; `startIndex` and
// `endIndex` are indices into the timeline's events. Valid while any copy of
// the timeline lives.
struct MIDITimelineEventSlice {
    MIDITimelineEvents events;
    std::int64_t startIndex = 0;
    std::int64_t endIndex = 0;

    auto begin() const { return events.begin(); }
    auto end() const { return events.end(); }
    std::size_t size() const { return events.size(); }
    bool empty() const { return events.empty(); }
};

// The playable form of a song: events of the chosen tracks ordered in time,
// paired note spans and the duration. Immutable; copies share the storage.
class MIDITimeline {
public:
    // Throws MIDITempoMapError.
    explicit MIDITimeline(const MIDIFile& file);
    MIDITimeline(const MIDIFile& file, std::int64_t trackIndex);

    const MIDITempoMap& tempoMap() const { return events_->tempoMap(); }
    // Every event, read in place (see MIDITimelineEventStore for how they are kept).
    MIDITimelineEvents events() const { return {events_.get(), 0, events_->size()}; }
    const std::vector<MIDINoteSpan>& noteSpans() const { return noteSpans_.spans(); }
    // The same spans as a list that copies share, for whoever keeps them beside the timeline.
    const MIDINoteSpanList& noteSpanList() const { return noteSpans_; }
    double durationSeconds() const { return durationSeconds_; }

    // Index of the first event at or after `seconds`; the event count when none is.
    std::int64_t firstEventIndex(double seconds) const;
    // Events from `startIndex` (clamped into range) through those due at `seconds`, inclusive.
    MIDITimelineEventSlice pendingEvents(std::int64_t startIndex, double throughSeconds) const;
    // Spans with start < seconds < end, in span order.
    std::vector<MIDINoteSpan> activeNoteSpans(double seconds) const;

    bool operator==(const MIDITimeline& other) const;

private:
    MIDITimeline(const MIDIFile& file, MIDITempoMap tempoMap, const std::vector<std::int64_t>& trackIndices);

    std::shared_ptr<const MIDITimelineEventStore> events_;
    MIDINoteSpanList noteSpans_;
    double durationSeconds_ = 0;
    // What keeps the long payloads of meta and system-exclusive events alive
    // after the parsed file is gone.
    std::vector<std::shared_ptr<const void>> payloadOwners_;
};

// Index of the next event to hand out during playback.
struct MIDITimelineCursor {
    std::int64_t eventIndex = 0;

    MIDITimelineCursor() = default;
    MIDITimelineCursor(const MIDITimeline& timeline, double seconds);

    void seek(const MIDITimeline& timeline, double seconds);
    // The events due through `seconds`; the cursor moves past them.
    MIDITimelineEventSlice consume(const MIDITimeline& timeline, double throughSeconds);

    bool operator==(const MIDITimelineCursor&) const = default;
};

struct MIDINoteAction {
    struct On {
        std::uint8_t note, velocity;
        bool operator==(const On&) const = default;
    };
    struct Off {
        std::uint8_t note;
        bool operator==(const Off&) const = default;
    };
    using Value = std::variant<On, Off>;
    Value value;

    MIDINoteAction() = default;
    template <class C>
        requires std::is_constructible_v<Value, C>
    MIDINoteAction(C c) : value(c) {}
    template <class C> const C* as() const { return std::get_if<C>(&value); }
    bool operator==(const MIDINoteAction&) const = default;
};

struct MIDINoteCommand {
    std::uint8_t channel = 0;
    MIDINoteAction action;

    // Note-on with velocity > 0 is `On`; note-off and note-on with velocity 0
    // are `Off`; everything else has no note command.
    static std::optional<MIDINoteCommand> from(const MIDITimelineEvent& event);

    bool operator==(const MIDINoteCommand&) const = default;
};

} // namespace corvane
