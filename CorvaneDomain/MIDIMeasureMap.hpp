#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "CorvaneDomain/MIDITempoMap.hpp"

namespace corvane {

struct MIDIMeasureMarker {
    std::int64_t measureNumber = 1;
    double seconds = 0;
    bool isSongEnd = false;

    // "<number>-<bit pattern of seconds as unsigned decimal>-<true|false>"
    std::string id() const;
    bool operator==(const MIDIMeasureMarker&) const = default;
};

struct MIDIMeasureMarkerHash {
    std::size_t operator()(const MIDIMeasureMarker& m) const;
};

// Where each bar begins in seconds, numbered from 1, closed by a song-end marker.
struct MIDIMeasureMap {
    // Strictly ascending in seconds and in measure number, as built; the
    // look-ups search them by halving and rely on that order.
    std::vector<MIDIMeasureMarker> markers;
    double durationSeconds = 0;

    // A negative or NaN duration counts as 0.
    MIDIMeasureMap(const MIDITempoMap& tempoMap, double durationSeconds);

    // The nearest marker, the earlier on a tie.
    const MIDIMeasureMarker& closestMarker(double seconds) const;
    // The last marker at or before the moment, else the first.
    const MIDIMeasureMarker& markerAtOrBefore(double seconds) const;
    std::optional<double> secondsAtMeasureStart(std::int64_t measureNumber) const;

    bool operator==(const MIDIMeasureMap&) const = default;
};

} // namespace corvane
