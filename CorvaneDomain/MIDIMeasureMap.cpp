#include "CorvaneDomain/MIDIMeasureMap.hpp"

#include <bit>
#include <cmath>
#include <functional>

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
    const double d = durationSeconds;
    if (!(d > 0)) {
        markers.push_back({1, 0.0, true});
        return;
    }
    constexpr double tolerance = 0.000001;
    // Far beyond any real song. A hostile file (a bar of 1/2^31 of a whole
    // note, or a bar too short to move a large position in floating point)
    // would otherwise make the walk below endless.
    constexpr std::size_t maximumBarCount = 1'000'000;
    std::int64_t n = 1;
    const auto& signatures = tempoMap.timeSignatureChanges();
    for (std::size_t i = 0; i < signatures.size(); ++i) {
        const auto& signature = signatures[i];
        const double s = std::min(d, signature.seconds);
        const double e = i + 1 < signatures.size() ? std::min(d, signatures[i + 1].seconds) : d;
        if (!(s < d)) break;
        if (markers.empty() || markers.back().seconds != s) markers.push_back({n, s, false});
        const double barLength = signature.numerator * 4.0 / signature.denominator;
        double q = tempoMap.quarterNotes(s);
        while (true) {
            const double next = q + barLength;
            const double t = tempoMap.secondsAtQuarterNotes(next);
            n += 1;
            if (!(t < e - tolerance)) break;
            if (!(next > q) || !(t > markers.back().seconds) || markers.size() >= maximumBarCount) break;
            q = next;
            markers.push_back({n, t, false});
        }
        if (markers.size() >= maximumBarCount) break;
    }
    if (markers.empty()) markers.push_back({1, 0.0, false});
    markers.push_back({n, d, true});
}

const MIDIMeasureMarker& MIDIMeasureMap::closestMarker(double seconds) const
{
    const MIDIMeasureMarker* best = &markers.front();
    for (const auto& marker : markers)
        if (std::abs(marker.seconds - seconds) < std::abs(best->seconds - seconds)) best = &marker;
    return *best;
}

const MIDIMeasureMarker& MIDIMeasureMap::markerAtOrBefore(double seconds) const
{
    for (auto it = markers.rbegin(); it != markers.rend(); ++it)
        if (it->seconds <= seconds) return *it;
    return markers.front();
}

std::optional<double> MIDIMeasureMap::secondsAtMeasureStart(std::int64_t measureNumber) const
{
    for (const auto& marker : markers)
        if (marker.measureNumber == measureNumber) return marker.seconds;
    return std::nullopt;
}

} // namespace corvane
