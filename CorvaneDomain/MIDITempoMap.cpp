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

    const auto settledSignatures = settle(std::move(signatures), OrderedTimeSignature{0, -1, 4, 4, 24, 8});
    timeSignatureChanges_.reserve(settledSignatures.size());
    for (const auto& s : settledSignatures) {
        timeSignatureChanges_.push_back({s.tick, seconds(s.tick), s.numerator, s.denominator, s.clocksPerMetronomeClick,
                                         s.thirtySecondNotesPerQuarterNote});
    }
}

double MIDITempoMap::seconds(std::uint64_t tick) const
{
    if (const auto* smpte = std::get_if<MIDITimeDivision::SMPTE>(&timeDivision_.value))
        return static_cast<double>(tick) / smpteTicksPerSecond(*smpte);
    auto it = std::upper_bound(tempoChanges_.begin(), tempoChanges_.end(), tick,
                               [](std::uint64_t t, const MIDITempoChange& c) { return t < c.tick; });
    return secondsAfter(it == tempoChanges_.begin() ? *it : *(it - 1), tick);
}

double MIDITempoMap::seconds(std::uint64_t tick, std::size_t& changeIndex) const
{
    if (std::holds_alternative<MIDITimeDivision::SMPTE>(timeDivision_.value)) return seconds(tick);
    // A tick behind the one reached starts the walk over.
    if (changeIndex >= tempoChanges_.size() || tempoChanges_[changeIndex].tick > tick) changeIndex = 0;
    while (changeIndex + 1 < tempoChanges_.size() && tempoChanges_[changeIndex + 1].tick <= tick) ++changeIndex;
    return secondsAfter(tempoChanges_[changeIndex], tick);
}

// Both lookups share this arithmetic, so they agree to the last bit.
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

double MIDITempoMap::quarterNotes(double seconds) const
{
    if (!(seconds > 0)) return 0;
    double total = 0;
    for (std::size_t i = 0; i < tempoChanges_.size() && tempoChanges_[i].seconds < seconds; ++i) {
        const auto& change = tempoChanges_[i];
        double end = i + 1 < tempoChanges_.size() ? tempoChanges_[i + 1].seconds : seconds;
        end = std::min(end, seconds);
        total += std::max(0.0, end - change.seconds) * 1'000'000.0 / change.microsecondsPerQuarterNote;
    }
    return total;
}

double MIDITempoMap::secondsAtQuarterNotes(double quarterNotes) const
{
    if (!(quarterNotes > 0) || tempoChanges_.empty()) return 0;
    double accumulated = 0;
    std::size_t i = 0;
    for (; i + 1 < tempoChanges_.size(); ++i) {
        const auto& change = tempoChanges_[i];
        const double segment =
            (tempoChanges_[i + 1].seconds - change.seconds) * 1'000'000.0 / change.microsecondsPerQuarterNote;
        if (accumulated + segment >= quarterNotes) break;
        accumulated += segment;
    }
    const auto& change = tempoChanges_[i];
    return change.seconds + (quarterNotes - accumulated) * change.microsecondsPerQuarterNote / 1'000'000.0;
}

} // namespace corvane
