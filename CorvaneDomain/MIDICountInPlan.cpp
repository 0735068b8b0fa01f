#include "CorvaneDomain/MIDICountInPlan.hpp"

#include <algorithm>
#include <cmath>

#include "CorvaneDomain/MIDIMeasureMarkerWalk.hpp"

namespace corvane {

namespace {

constexpr double tolerance = 0.000001;

// The last change at or before `seconds`, else the first; changes' seconds never go down.
template <class Change> const Change& changeAt(const std::vector<Change>& changes, double seconds)
{
    const auto after = std::partition_point(changes.begin(), changes.end(),
                                            [&](const Change& change) { return change.seconds <= seconds; });
    return after == changes.begin() ? changes.front() : *(after - 1);
}

} // namespace

MIDICountInPlan::MIDICountInPlan(const MIDITimeline& timeline, double startSeconds, std::int64_t requestedMeasures,
                                 double playbackRate)
    : measureCount(std::clamp<std::int64_t>(requestedMeasures, 1, 4))
{
    const double rate = playbackRate > 0.01 ? playbackRate : 0.01;
    const auto& tempoMap = timeline.tempoMap();
    const auto& signature = changeAt(tempoMap.timeSignatureChanges(), startSeconds);
    const auto& tempo = changeAt(tempoMap.tempoChanges(), startSeconds);

    const double quartersPerBar = signature.numerator * 4.0 / signature.denominator;
    const double beatQuarters = std::max(signature.clocksPerMetronomeClick / 24.0, 0.125);
    const double roundedBeats = std::round(quartersPerBar / beatQuarters);
    // A zero denominator cannot reach here from a parsed file; keep one beat if it does.
    const std::int64_t beatsPerBar =
        std::isfinite(roundedBeats) ? std::max<std::int64_t>(1, static_cast<std::int64_t>(roundedBeats)) : 1;

    std::int64_t reused = 0;
    std::vector<MIDIMeasureMarker> markers;
    const auto& spans = timeline.noteSpans();
    if (startSeconds <= tolerance && !spans.empty()) {
        // The song's first bar, and the empty ones after it that are reused:
        // only those are made, however many bars the song has.
        MIDIMeasureMarkerWalk walk(tempoMap, timeline.durationSeconds());
        const double firstNote = spans.front().startSeconds;
        MIDIMeasureMarker marker;
        if (walk.next(marker)) markers.push_back(marker);
        while (reused < measureCount && walk.next(marker) && marker.seconds <= firstNote + tolerance) {
            markers.push_back(marker);
            ++reused;
        }
    }
    reusedLeadingMeasureCount = reused;

    const std::int64_t synthetic = measureCount - reused;
    const double beatSeconds = beatQuarters * (tempo.microsecondsPerQuarterNote / 1'000'000.0) / rate;
    const double barSeconds = beatSeconds * static_cast<double>(beatsPerBar);
    for (std::int64_t bar = 0; bar < synthetic; ++bar)
        for (std::int64_t beat = 0; beat < beatsPerBar; ++beat)
            beats.push_back({barSeconds * static_cast<double>(bar) + beatSeconds * static_cast<double>(beat), bar + 1,
                             beat + 1, beat == 0});
    timelineStartOffsetSeconds = barSeconds * static_cast<double>(synthetic);

    // Reused bars click at the start's beat length, placed by the song's own tempo.
    for (std::int64_t bar = 0; bar < reused; ++bar) {
        const double barEnd = markers[bar + 1].seconds;
        std::size_t tempoChange = 0;
        double quarters = tempoMap.quarterNotes(markers[bar].seconds, tempoChange);
        for (std::int64_t beat = 0;; ++beat) {
            const double t = tempoMap.secondsAtQuarterNotes(quarters, tempoChange);
            if (!(t < barEnd - tolerance)) break;
            beats.push_back({timelineStartOffsetSeconds + t / rate, synthetic + bar + 1, beat + 1, beat == 0});
            const double next = quarters + beatQuarters;
            if (!(next > quarters)) break; // no progress possible in floating point
            quarters = next;
        }
    }

    completionOffsetSeconds =
        reused == 0 ? timelineStartOffsetSeconds : timelineStartOffsetSeconds + markers[reused].seconds / rate;

    std::stable_sort(beats.begin(), beats.end(),
                     [](const MIDICountInBeat& a, const MIDICountInBeat& b) { return a.offsetSeconds < b.offsetSeconds; });
}

} // namespace corvane
