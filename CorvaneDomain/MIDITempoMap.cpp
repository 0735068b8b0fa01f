#include "CorvaneDomain/MIDITempoMap.hpp"

#include <algorithm>
#include <cmath>

#include "CorvaneDomain/Overloaded.hpp"

namespace corvane {

std::string MIDITempoMapError::describe(const Case& c)
{
    using std::to_string;
    return std::visit(
        Overloaded{
            [](const TrackIndexOutOfRange& e) { return "trackIndexOutOfRange(" + to_string(e.index) + ")"; },
            [](const InvalidTempoEvent& e) {
                return "invalidTempoEvent(track: " + to_string(e.track) + ", event: " + to_string(e.event) + ")";
            },
            [](const InvalidTimeSignatureEvent& e) {
                return "invalidTimeSignatureEvent(track: " + to_string(e.track) + ", event: " + to_string(e.event) +
                       ")";
            },
            [](const IndependentTracksRequireTrackSelection&) {
                return std::string("independentTracksRequireTrackSelection");
            },
        },
        c);
}

namespace {

struct OrderedTempo {
    std::uint64_t tick;
    std::int64_t order;
    std::uint32_t microsecondsPerQuarterNote;
};

struct OrderedTimeSignature {
    std::uint64_t tick;
    std::int64_t order;
    std::uint8_t numerator;
    std::uint32_t denominator;
    std::uint8_t clocksPerMetronomeClick;
    std::uint8_t thirtySecondNotesPerQuarterNote;
};

// Sorted by tick then encounter order; at one tick the last one met wins.
// A default stands at tick 0 when nothing does.
template <class T> std::vector<T> settle(std::vector<T> values, const T& fallback)
{
    std::stable_sort(values.begin(), values.end(), [](const T& a, const T& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    std::vector<T> result;
    result.reserve(values.size() + 1);
    for (const auto& value : values) {
        if (!result.empty() && result.back().tick == value.tick) result.back() = value;
        else result.push_back(value);
    }
    if (result.empty() || result.front().tick != 0) result.insert(result.begin(), fallback);
    return result;
}

std::vector<std::int64_t> checkedAllTracks(const MIDIFile& file)
{
    if (file.format == MIDIFileFormat::independentTracks)
        throw MIDITempoMapError(MIDITempoMapError::IndependentTracksRequireTrackSelection{});
    return allTrackIndices(file);
}

std::vector<std::int64_t> checkedTrack(const MIDIFile& file, std::int64_t trackIndex)
{
    if (trackIndex < 0 || trackIndex >= static_cast<std::int64_t>(file.tracks.size()))
        throw MIDITempoMapError(MIDITempoMapError::TrackIndexOutOfRange{trackIndex});
    return {trackIndex};
}

double smpteTicksPerSecond(const MIDITimeDivision::SMPTE& smpte)
{
    return frameRate(smpte.framesPerSecond) * smpte.ticksPerFrame;
}

// The last index below `count` at which `atOrBefore` holds, or 0 when it
// holds nowhere; it holds on a leading run of indices. Searching forward
// from `hint` in growing steps, then halving, costs a step or two when the
// answer lies at the hint or just after it, and never more than a search of
// the whole list.
template <class AtOrBefore> std::size_t lastAtOrBefore(std::size_t count, std::size_t hint, AtOrBefore atOrBefore)
{
    // The answer lies in [low, high).
    std::size_t low = 0, high = count;
    if (hint < count && atOrBefore(hint)) {
        low = hint;
        for (std::size_t step = 1; low + step < count; step *= 2) {
            if (!atOrBefore(low + step)) {
                high = low + step;
                break;
            }
            low += step;
        }
    } else if (hint < count) {
        high = hint;
    }
    while (high - low > 1) {
        const std::size_t middle = low + (high - low) / 2;
        if (atOrBefore(middle)) low = middle;
        else high = middle;
    }
    return low;
}

// The quarter notes of one tempo change's segment, up to `end` seconds.
double quarterNotesBetween(const MIDITempoChange& change, double end)
{
    return std::max(0.0, end - change.seconds) * 1'000'000.0 / change.microsecondsPerQuarterNote;
}

} // namespace

MIDITempoMap::MIDITempoMap(const MIDIFile& file) : MIDITempoMap(file, checkedAllTracks(file)) {}

MIDITempoMap::MIDITempoMap(const MIDIFile& file, std::int64_t trackIndex)
    : MIDITempoMap(file, checkedTrack(file, trackIndex))
{
}

MIDITempoMap::MIDITempoMap(const MIDIFile& file, const std::vector<std::int64_t>& trackIndices)
    : timeDivision_(file.timeDivision)
{
    std::vector<OrderedTempo> tempos;
    std::vector<OrderedTimeSignature> signatures;
    std::int64_t order = 0;
    for (std::int64_t trackIndex : trackIndices) {
        const auto& events = file.tracks[static_cast<std::size_t>(trackIndex)].events;
        for (std::size_t eventIndex = 0; eventIndex < events.size(); ++eventIndex, ++order) {
            const auto& event = events[eventIndex];
            const auto* meta = std::get_if<MIDIMetaEvent>(&event.kind);
            if (!meta) continue;
            const auto& d = meta->data;
            if (meta->type == 0x51) {
                const bool valid = d.size() == 3 && (d[0] | d[1] | d[2]) != 0;
                if (!valid)
                    throw MIDITempoMapError(
                        MIDITempoMapError::InvalidTempoEvent{trackIndex, static_cast<std::int64_t>(eventIndex)});
                tempos.push_back({event.tick, order, (std::uint32_t(d[0]) << 16) | (std::uint32_t(d[1]) << 8) | d[2]});
            } else if (meta->type == 0x58) {
                const bool valid = d.size() == 4 && d[0] != 0 && d[1] < 32;
                if (!valid)
                    throw MIDITempoMapError(MIDITempoMapError::InvalidTimeSignatureEvent{
                        trackIndex, static_cast<std::int64_t>(eventIndex)});
                signatures.push_back({event.tick, order, d[0], std::uint32_t(1) << d[1], d[2], d[3]});
            }
        }
    }

    const auto settledTempos = settle(std::move(tempos), OrderedTempo{0, -1, 500'000});
    tempoChanges_.reserve(settledTempos.size());
    for (const auto& tempo : settledTempos) {
        double seconds = 0;
        if (const auto* smpte = std::get_if<MIDITimeDivision::SMPTE>(&timeDivision_.value)) {
            seconds = static_cast<double>(tempo.tick) / smpteTicksPerSecond(*smpte);
        } else if (!tempoChanges_.empty()) {
            const auto ticksPerQuarter = std::get<MIDITimeDivision::TicksPerQuarterNote>(timeDivision_.value).ticks;
            const auto& previous = tempoChanges_.back();
            seconds = previous.seconds + static_cast<double>(tempo.tick - previous.tick) *
                                             previous.microsecondsPerQuarterNote /
                                             (static_cast<double>(ticksPerQuarter) * 1'000'000.0);
        }
        tempoChanges_.push_back({tempo.tick, seconds, tempo.microsecondsPerQuarterNote});
    }

    quarterNotesAtChange_.reserve(tempoChanges_.size());
    double quarterNotesSoFar = 0;
    for (std::size_t i = 0; i < tempoChanges_.size(); ++i) {
        quarterNotesAtChange_.push_back(quarterNotesSoFar);
        if (i + 1 < tempoChanges_.size())
            quarterNotesSoFar += quarterNotesBetween(tempoChanges_[i], tempoChanges_[i + 1].seconds);
    }

    const auto settledSignatures = settle(std::move(signatures), OrderedTimeSignature{0, -1, 4, 4, 24, 8});
    timeSignatureChanges_.reserve(settledSignatures.size());
    for (const auto& s : settledSignatures) {
        timeSignatureChanges_.push_back({s.tick, seconds(s.tick), s.numerator, s.denominator, s.clocksPerMetronomeClick,
                                         s.thirtySecondNotesPerQuarterNote});
    }
}

double MIDITempoMap::seconds(std::uint64_t tick) const
{
    std::size_t changeIndex = 0;
    return seconds(tick, changeIndex);
}

double MIDITempoMap::seconds(std::uint64_t tick, std::size_t& changeIndex) const
{
    if (const auto* smpte = std::get_if<MIDITimeDivision::SMPTE>(&timeDivision_.value))
        return static_cast<double>(tick) / smpteTicksPerSecond(*smpte);
    changeIndex = lastAtOrBefore(tempoChanges_.size(), changeIndex,
                                 [&](std::size_t i) { return tempoChanges_[i].tick <= tick; });
    return secondsAfter(tempoChanges_[changeIndex], tick);
}

// Every tick conversion ends here, so all of them agree to the last bit.
double MIDITempoMap::secondsAfter(const MIDITempoChange& change, std::uint64_t tick) const
{
    const auto ticksPerQuarter = std::get<MIDITimeDivision::TicksPerQuarterNote>(timeDivision_.value).ticks;
    return change.seconds + static_cast<double>(tick - change.tick) * change.microsecondsPerQuarterNote /
                                (static_cast<double>(ticksPerQuarter) * 1'000'000.0);
}

double MIDITempoMap::tick(double seconds) const
{
    if (!(seconds > 0)) return 0;
    if (const auto* smpte = std::get_if<MIDITimeDivision::SMPTE>(&timeDivision_.value))
        return seconds * smpteTicksPerSecond(*smpte);
    const auto ticksPerQuarter = std::get<MIDITimeDivision::TicksPerQuarterNote>(timeDivision_.value).ticks;
    auto it = std::upper_bound(tempoChanges_.begin(), tempoChanges_.end(), seconds,
                               [](double s, const MIDITempoChange& c) { return s < c.seconds; });
    const auto& change = it == tempoChanges_.begin() ? *it : *(it - 1);
    return static_cast<double>(change.tick) +
           (seconds - change.seconds) * ticksPerQuarter * 1'000'000.0 / change.microsecondsPerQuarterNote;
}

// Tempo changes' seconds never go down (ticks go up, tempos are positive),
// so the changes before a moment, and those whose quarter notes are summed
// below a count, are each a leading run of the list.
double MIDITempoMap::quarterNotes(double seconds) const
{
    std::size_t changeIndex = 0;
    return quarterNotes(seconds, changeIndex);
}

double MIDITempoMap::quarterNotes(double seconds, std::size_t& changeIndex) const
{
    if (!(seconds > 0)) return 0;
    // The last change before the moment; the first one stands at 0 s.
    changeIndex = lastAtOrBefore(tempoChanges_.size(), changeIndex,
                                 [&](std::size_t i) { return tempoChanges_[i].seconds < seconds; });
    return quarterNotesAtChange_[changeIndex] + quarterNotesBetween(tempoChanges_[changeIndex], seconds);
}

double MIDITempoMap::secondsAtQuarterNotes(double quarterNotes) const
{
    std::size_t changeIndex = 0;
    return secondsAtQuarterNotes(quarterNotes, changeIndex);
}

double MIDITempoMap::secondsAtQuarterNotes(double quarterNotes, std::size_t& changeIndex) const
{
    if (!(quarterNotes > 0) || tempoChanges_.empty()) return 0;
    // The last change that starts before the count is reached; past the last change its tempo goes on.
    changeIndex = lastAtOrBefore(tempoChanges_.size(), changeIndex,
                                 [&](std::size_t i) { return quarterNotesAtChange_[i] < quarterNotes; });
    const auto& change = tempoChanges_[changeIndex];
    return change.seconds +
           (quarterNotes - quarterNotesAtChange_[changeIndex]) * change.microsecondsPerQuarterNote / 1'000'000.0;
}

} // namespace corvane
