#include "CorvaneDomain/MIDIMeasureMap.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>

#include "CorvaneDomain/MIDIMeasureMarkerWalk.hpp"

namespace corvane {

std::string MIDIMeasureMarker::id() const
{
    return std::to_string(measureNumber) + "-" + std::to_string(std::bit_cast<std::uint64_t>(seconds)) + "-" +
           (isSongEnd ? "true" : "false");
}

std::size_t MIDIMeasureMarkerHash::operator()(const MIDIMeasureMarker& m) const
{
    const std::size_t h1 = std::hash<std::int64_t>{}(m.measureNumber);
    const std::size_t h2 = std::hash<double>{}(m.seconds);
    return h1 ^ (h2 * 31) ^ (m.isSongEnd ? 0x9e3779b9u : 0u);
}

MIDIMeasureMap::MIDIMeasureMap(const MIDITempoMap& tempoMap, double duration)
    : durationSeconds(duration > 0 ? duration : 0)
{
    MIDIMeasureMarkerWalk walk(tempoMap, durationSeconds);
    markers.reserve(walk.expectedCount());
    for (MIDIMeasureMarker marker; walk.next(marker);) markers.push_back(marker);
    // Bars too short to move the position end a segment before its expected
    // count: the room kept for them is given back.
    if (markers.capacity() - markers.size() > markers.size()) markers.shrink_to_fit();
}

// The markers ascend strictly in seconds and in number (see the header), so
// every look-up halves the list.

const MIDIMeasureMarker& MIDIMeasureMap::closestMarker(double seconds) const
{
    const auto distance = [&](const MIDIMeasureMarker& marker) { return std::abs(marker.seconds - seconds); };
    // The first marker at or after the moment is the nearest of those after it.
    const auto after = std::partition_point(markers.begin(), markers.end(),
                                            [&](const MIDIMeasureMarker& marker) { return marker.seconds < seconds; });
    if (after == markers.begin()) return markers.front();
    // Before the moment, distances shrink towards it, but rounding can make
    // several equal: of those, and on a tie with the marker after, the earliest wins.
    const double nearestBefore = distance(*(after - 1));
    if (after != markers.end() && distance(*after) < nearestBefore) return *after;
    return *std::partition_point(markers.begin(), after,
                                 [&](const MIDIMeasureMarker& marker) { return distance(marker) > nearestBefore; });
}

const MIDIMeasureMarker& MIDIMeasureMap::markerAtOrBefore(double seconds) const
{
    const auto after = std::partition_point(markers.begin(), markers.end(),
                                            [&](const MIDIMeasureMarker& marker) { return marker.seconds <= seconds; });
    return after == markers.begin() ? markers.front() : *(after - 1);
}

std::optional<double> MIDIMeasureMap::secondsAtMeasureStart(std::int64_t measureNumber) const
{
    const auto found = std::partition_point(markers.begin(), markers.end(), [&](const MIDIMeasureMarker& marker) {
        return marker.measureNumber < measureNumber;
    });
    if (found == markers.end() || found->measureNumber != measureNumber) return std::nullopt;
    return found->seconds;
}

} // namespace corvane
