#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "CorvaneDomain/MIDIFile.hpp"
#include "CorvaneDomain/MIDITempoMap.hpp"
#include "CorvaneDomain/MIDITimelineEvent.hpp"
#include "CorvaneDomain/PrefaultAhead.hpp"

namespace corvane {

// A timeline's events in their order, 16 bytes each instead of the 48 of an
// event as it is read: the tick's low 32 bits, the index in the track, the
// track's low 16 bits and the channel message itself. Meta and
// system-exclusive events, few in a song, are kept whole beside them; the
// high bits of ticks, tracks and indices get a list of their own only in a
// song that needs them. Seconds are not kept: the tempo map works them out
// from the tick, to the same bit as when the timeline was made.
class MIDITimelineEventStore {
public:
    explicit MIDITimelineEventStore(MIDITempoMap tempoMap) : tempoMap_(std::move(tempoMap)) {}

    // Room for `count` events, backed ahead of the appends on a thread of
    // its own until appendsDone() (see PrefaultAhead).
    void reserve(std::size_t count)
    {
        packedAhead_.stop();
        packed_.reserve(count);
        packedAhead_.inBackground(packed_);
    }
    void appendsDone() { packedAhead_.stop(); }
    void append(std::uint64_t tick, std::uint64_t trackIndex, std::uint64_t eventIndex, const MIDIEventKind& kind);

    const MIDITempoMap& tempoMap() const { return tempoMap_; }
    std::size_t size() const { return packed_.size(); }
    std::uint64_t tick(std::size_t index) const;
    double seconds(std::size_t index) const { return tempoMap_.seconds(tick(index)); }
    // For events read in ascending order: `tempoChange` is the tempo change
    // reached, as MIDITempoMap::seconds takes it; `unknownTempoChange` has it found first.
    static constexpr std::size_t unknownTempoChange = SIZE_MAX;
    MIDITimelineEvent event(std::size_t index, std::size_t& tempoChange) const;
    MIDITimelineEvent event(std::size_t index) const
    {
        std::size_t tempoChange = unknownTempoChange;
        return event(index, tempoChange);
    }

    bool operator==(const MIDITimelineEventStore& other) const;

private:
    // Marks a meta or system-exclusive event: its payload is its index among the others.
    static constexpr std::uint8_t otherKind = 0xFF;

    struct Packed {
        std::uint32_t tick;
        std::uint32_t eventIndex;
        std::uint16_t trackIndex;
        // The alternative of the channel message, or otherKind.
        std::uint8_t kind;
        std::uint8_t channel;
        // The message's data bytes (a pitch bend's 14 bits whole), or the index among the others.
        std::uint32_t payload;
    };
    static_assert(sizeof(Packed) == 16);

    struct High {
        std::uint32_t tick = 0;
        std::uint16_t trackIndex = 0;
        std::uint16_t eventIndex = 0;
    };

    MIDITempoMap tempoMap_;
    std::vector<Packed> packed_;
    // Empty until some event needs its high bits; then one per event.
    std::vector<High> high_;
    std::vector<MIDIEventKind> others_;
    PrefaultAhead packedAhead_;
};

} // namespace corvane
