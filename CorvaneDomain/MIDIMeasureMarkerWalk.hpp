#pragma once

#include <cstddef>
#include <cstdint>

#include "CorvaneDomain/MIDIMeasureMap.hpp"

namespace corvane {

// The bar markers of a song one at a time, in order, the song-end marker
// last: what MIDIMeasureMap keeps, for a reader that needs only the first
// few bars. Each marker costs about one step through the tempo map.
class MIDIMeasureMarkerWalk {
public:
    // Far beyond any real song. A hostile file (a bar of 1/2^31 of a whole
    // note, or a bar too short to move a large position in floating point)
    // would otherwise give billions of bars; past this many the song-end
    // marker follows.
    static constexpr std::size_t maximumBarCount = 100'000;

    // A negative or NaN duration counts as 0.
    MIDIMeasureMarkerWalk(const MIDITempoMap& tempoMap, double durationSeconds);

    // The next marker; false once the song-end marker has been given.
    bool next(MIDIMeasureMarker& marker);

    // How many markers a walk from the start gives, or a few more, so that
    // a list of them is allocated once.
    std::size_t expectedCount() const;

private:
    enum class Stage { signature, bars, songEnd, done };

    const MIDITempoMap& tempoMap_;
    double duration_;
    Stage stage_ = Stage::signature;
    std::size_t signature_ = 0;
    std::size_t tempoChange_ = 0;
    std::size_t made_ = 0;
    std::int64_t measureNumber_ = 1;
    double lastSeconds_ = 0;
    // The current time signature's segment end, bar length and position in quarter notes.
    double segmentEnd_ = 0;
    double barQuarterNotes_ = 0;
    double quarterNotes_ = 0;
};

} // namespace corvane
