// The tempo and measure maps find tempo changes and markers by halving their
// lists. Here they are held to plain walks from the start of each list, to
// the bit, on many generated songs: tempo changes so close that their
// seconds round equal, bars that span several tempo changes, signatures at
// one moment, time-code divisions, durations on and just off a change.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <bit>
#include <cmath>
#include <limits>
#include <optional>
#include <random>
#include <vector>

#include "CorvaneDomain/MIDICountInPlan.hpp"
#include "CorvaneDomain/MIDIMeasureMap.hpp"
#include "CorvaneDomain/MIDIMeasureMarkerWalk.hpp"
#include "CorvaneDomain/PracticeLoopBookmark.hpp"
#include "CorvaneDomain/StandardMIDIFileParser.hpp"
#include "support/SMFWriter.hpp"

using namespace corvane;

namespace {

// The rules as they read, every step a walk from the first element.
namespace plain {

double quarterNotes(const MIDITempoMap& map, double seconds)
{
    const auto& changes = map.tempoChanges();
    if (!(seconds > 0)) return 0;
    double total = 0;
    for (std::size_t i = 0; i < changes.size() && changes[i].seconds < seconds; ++i) {
        const double end = std::min(i + 1 < changes.size() ? changes[i + 1].seconds : seconds, seconds);
        total += std::max(0.0, end - changes[i].seconds) * 1'000'000.0 / changes[i].microsecondsPerQuarterNote;
    }
    return total;
}

double secondsAtQuarterNotes(const MIDITempoMap& map, double quarterNotes)
{
    const auto& changes = map.tempoChanges();
    if (!(quarterNotes > 0)) return 0;
    double accumulated = 0;
    std::size_t i = 0;
    for (; i + 1 < changes.size(); ++i) {
        const double segment =
            (changes[i + 1].seconds - changes[i].seconds) * 1'000'000.0 / changes[i].microsecondsPerQuarterNote;
        if (accumulated + segment >= quarterNotes) break;
        accumulated += segment;
    }
    return changes[i].seconds + (quarterNotes - accumulated) * changes[i].microsecondsPerQuarterNote / 1'000'000.0;
}

std::vector<MIDIMeasureMarker> markers(const MIDITempoMap& map, double d)
{
    constexpr std::size_t maximum = MIDIMeasureMarkerWalk::maximumBarCount;
    std::vector<MIDIMeasureMarker> out;
    if (!(d > 0)) return {{1, 0.0, true}};
    std::int64_t n = 1;
    const auto& signatures = map.timeSignatureChanges();
    for (std::size_t i = 0; i < signatures.size(); ++i) {
        const double s = std::min(d, signatures[i].seconds);
        const double e = i + 1 < signatures.size() ? std::min(d, signatures[i + 1].seconds) : d;
        if (!(s < d)) break;
        if (out.empty() || out.back().seconds != s) out.push_back({n, s, false});
        const double bar = signatures[i].numerator * 4.0 / signatures[i].denominator;
        double q = quarterNotes(map, s);
        while (true) {
            const double next = q + bar;
            const double t = secondsAtQuarterNotes(map, next);
            n += 1;
            if (!(t < e - 0.000001)) break;
            if (!(next > q) || !(t > out.back().seconds) || out.size() >= maximum) break;
            q = next;
            out.push_back({n, t, false});
        }
        if (out.size() >= maximum) break;
    }
    if (out.empty()) out.push_back({1, 0.0, false});
    out.push_back({n, d, true});
    return out;
}

const MIDIMeasureMarker& closest(const std::vector<MIDIMeasureMarker>& markers, double seconds)
{
    const MIDIMeasureMarker* best = &markers.front();
    for (const auto& marker : markers)
        if (std::abs(marker.seconds - seconds) < std::abs(best->seconds - seconds)) best = &marker;
    return *best;
}

const MIDIMeasureMarker& atOrBefore(const std::vector<MIDIMeasureMarker>& markers, double seconds)
{
    for (auto it = markers.rbegin(); it != markers.rend(); ++it)
        if (it->seconds <= seconds) return *it;
    return markers.front();
}

std::optional<double> secondsAtMeasureStart(const std::vector<MIDIMeasureMarker>& markers, std::int64_t number)
{
    for (const auto& marker : markers)
        if (marker.measureNumber == number) return marker.seconds;
    return std::nullopt;
}

std::optional<std::pair<std::int64_t, std::int64_t>> bookmarkMeasures(const std::vector<MIDIMeasureMarker>& markers,
                                                                      const MIDILoopRange& range)
{
    std::optional<std::int64_t> start, end;
    for (const auto& marker : markers) {
        if (marker.isSongEnd) continue;
        if (marker.seconds <= range.startSeconds + 0.001) start = marker.measureNumber;
        if (marker.seconds < range.endSeconds - 0.001) end = marker.measureNumber;
    }
    if (!start) return std::nullopt;
    return std::pair{*start, std::max(*start, end.value_or(*start))};
}

} // namespace plain

class Generator {
public:
    explicit Generator(std::uint64_t seed) : random_(seed) {}

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    double fraction() { return std::uniform_real_distribution<double>(0, 1)(random_); }

    MIDITempoMap tempoMap()
    {
        static constexpr std::uint16_t divisions[] = {1, 3, 96, 480, 32767, 0xE728, 0xE301};
        std::uint16_t division = divisions[below(7)];
        smf::Track track;
        const bool far = below(4) == 0;
        if (far) {
            // Past 2^19 s, a tick at the fastest tempo adds less than half a
            // unit in the last place: changes a tick apart share their
            // seconds. Long bars reach there in a few dozen.
            division = 32767;
            track.tempo(0, 16'777'215).timeSignature(0, 255, 0);
            for (int i = 0; i < 4; ++i) track.tempo(0x0FFFFFFF, 16'777'215);
            track.tempo(below(3), 1);
        }
        for (int events = below(40); events > 0; --events) {
            if (far && below(2)) track.timeSignature(static_cast<std::uint32_t>(below(3)), 255, 0);
            else if (below(10) < 7) track.tempo(far ? static_cast<std::uint32_t>(below(3)) : delta(), tempo());
            else track.timeSignature(delta(), static_cast<std::uint8_t>(below(4) ? 1 + below(12) : 255),
                                     static_cast<std::uint8_t>(below(6)));
        }
        return MIDITempoMap(StandardMIDIFileParser{}.parse(smf::file(0, division, {track})));
    }

    // On a change, a hair before or after one, between them, or past the last.
    double moment(const MIDITempoMap& map)
    {
        std::vector<double> changes;
        for (const auto& change : map.tempoChanges()) changes.push_back(change.seconds);
        for (const auto& change : map.timeSignatureChanges()) changes.push_back(change.seconds);
        const double at = changes[static_cast<std::size_t>(below(static_cast<int>(changes.size())))];
        switch (below(5)) {
        case 0: return at;
        case 1: return std::nextafter(at, -1.0);
        case 2: return at + 0.0000005;
        case 3: return std::nextafter(at, std::numeric_limits<double>::infinity());
        default: return fraction() * 1.2 * *std::max_element(changes.begin(), changes.end()) + fraction();
        }
    }

private:
    std::uint32_t delta()
    {
        switch (below(6)) {
        case 0: return 0;
        case 1: return 1;
        case 2: return static_cast<std::uint32_t>(below(100));
        case 3: return static_cast<std::uint32_t>(below(100'000));
        case 4: return 0x0FFFFFFF;
        default: return static_cast<std::uint32_t>(below(2000));
        }
    }

    std::uint32_t tempo()
    {
        static constexpr std::uint32_t chosen[] = {1, 2, 254, 500'000, 16'777'215};
        return below(3) ? chosen[below(5)] : static_cast<std::uint32_t>(1 + below(2'000'000));
    }

    std::mt19937_64 random_;
};

// Neighbours of a value in floating point, and itself.
std::vector<double> around(double value)
{
    return {value, std::nextafter(value, -std::numeric_limits<double>::infinity()),
            std::nextafter(value, std::numeric_limits<double>::infinity())};
}

const std::vector<double> outliers = {-1.0, 0.0, -0.0, std::nan(""), std::numeric_limits<double>::infinity(),
                                      -std::numeric_limits<double>::infinity(), 1e300};

std::vector<double> ascendingWithoutNaN(std::vector<double> values)
{
    std::erase_if(values, [](double v) { return std::isnan(v); });
    std::sort(values.begin(), values.end());
    return values;
}

// Equal to the bit (a NaN equal to itself).
std::uint64_t bits(double value) { return std::bit_cast<std::uint64_t>(value); }

// Each conversion searched from nothing, hinted from wherever the last one
// stopped (values in any order), and walked with values in ascending order.
template <class Searched, class Hinted, class Plain>
void expectSameAsPlain(const std::vector<double>& values, Searched searched, Hinted hinted, Plain plainValue)
{
    std::size_t scattered = 0, ascending = 0;
    for (double v : values) {
        ASSERT_EQ(bits(searched(v)), bits(plainValue(v))) << "at " << v;
        ASSERT_EQ(bits(hinted(v, scattered)), bits(plainValue(v))) << "at " << v << ", hinted";
    }
    for (double v : ascendingWithoutNaN(values)) ASSERT_EQ(bits(hinted(v, ascending)), bits(plainValue(v))) << "at " << v;
}

} // namespace

TEST(MapSearch, QuarterNoteConversionsGiveWhatAWalkFromTheStartGives)
{
    Generator generate(49);
    int equalSecondsAcrossChanges = 0;
    for (int song = 0; song < 300; ++song) {
        const auto map = generate.tempoMap();
        std::vector<double> moments = outliers, counts = outliers;
        for (const auto& change : map.tempoChanges()) {
            for (double s : around(change.seconds)) moments.push_back(s);
            for (double q : around(plain::quarterNotes(map, change.seconds))) counts.push_back(q);
        }
        for (int i = 0; i < 20; ++i) {
            moments.push_back(generate.moment(map));
            counts.push_back(plain::quarterNotes(map, generate.moment(map)) * (0.5 + generate.fraction()));
        }
        {
            SCOPED_TRACE("song " + std::to_string(song) + ", quarter notes at seconds");
            expectSameAsPlain(
                moments, [&](double s) { return map.quarterNotes(s); },
                [&](double s, std::size_t& change) { return map.quarterNotes(s, change); },
                [&](double s) { return plain::quarterNotes(map, s); });
        }
        {
            SCOPED_TRACE("song " + std::to_string(song) + ", seconds at quarter notes");
            expectSameAsPlain(
                counts, [&](double q) { return map.secondsAtQuarterNotes(q); },
                [&](double q, std::size_t& change) { return map.secondsAtQuarterNotes(q, change); },
                [&](double q) { return plain::secondsAtQuarterNotes(map, q); });
        }
        for (std::size_t i = 1; i < map.tempoChanges().size(); ++i)
            if (map.tempoChanges()[i].seconds == map.tempoChanges()[i - 1].seconds) ++equalSecondsAcrossChanges;
    }
    // The generated songs do reach the case where rounding makes two tempo changes one moment.
    EXPECT_GT(equalSecondsAcrossChanges, 0);
}

TEST(MapSearch, MarkersAndTheirLookUpsGiveWhatAPlainWalkGives)
{
    Generator generate(1105);
    int songs = 0;
    while (songs < 150) {
        const auto map = generate.tempoMap();
        double duration = generate.moment(map);
        // A few thousand bars at most, so that the plain walks stay quick.
        while (MIDIMeasureMarkerWalk(map, duration).expectedCount() > 2000) duration /= 4;
        ++songs;

        const MIDIMeasureMap measures(map, duration);
        const auto expected = plain::markers(map, measures.durationSeconds);
        ASSERT_EQ(measures.markers, expected) << "song " << songs;
        ASSERT_GE(MIDIMeasureMarkerWalk(map, duration).expectedCount(), expected.size()) << "song " << songs;

        std::vector<double> moments = outliers;
        for (int i = 0; i < 30; ++i) {
            const auto& marker = expected[static_cast<std::size_t>(generate.below(static_cast<int>(expected.size())))];
            const auto& next = expected[std::min<std::size_t>(&marker - expected.data() + 1, expected.size() - 1)];
            // On a marker, beside it, and half way to the next (a tie, when it is exact).
            for (double s : around(marker.seconds)) moments.push_back(s);
            moments.push_back((marker.seconds + next.seconds) / 2);
            moments.push_back(marker.seconds + 0.001);
        }
        for (double s : moments) {
            ASSERT_EQ(measures.closestMarker(s), plain::closest(expected, s)) << "song " << songs << " at " << s;
            ASSERT_EQ(measures.markerAtOrBefore(s), plain::atOrBefore(expected, s)) << "song " << songs << " at " << s;
        }
        const std::int64_t last = expected.back().measureNumber;
        for (std::int64_t number : {std::int64_t{-1}, std::int64_t{0}, std::int64_t{1}, last - 1, last, last + 1,
                                    std::int64_t{1} + generate.below(static_cast<int>(last))})
            ASSERT_EQ(measures.secondsAtMeasureStart(number), plain::secondsAtMeasureStart(expected, number))
                << "song " << songs << " measure " << number;
        for (int i = 0; i + 1 < static_cast<int>(moments.size()); i += 2) {
            const MIDILoopRange range{moments[static_cast<std::size_t>(i)], moments[static_cast<std::size_t>(i) + 1]};
            const auto found = bookmark(measures, range, "");
            const auto measuresFound =
                found ? std::optional(std::pair{found->startMeasure, found->endMeasure}) : std::nullopt;
            ASSERT_EQ(measuresFound, plain::bookmarkMeasures(expected, range)) << "song " << songs;
        }
    }
}

// Two small files the fuzzer found, each a million bars long: a song of 97
// days in a time-code division, and bars of 1/2^31 of a whole note.
TEST(MapSearch, HostileFilesGiveTheirBarsUpToTheLimit)
{
    for (const char* name : {"measure-map-smpte-division.mid", "measure-map-tiny-metre.mid"}) {
        SCOPED_TRACE(name);
        const MIDITimeline timeline(
            StandardMIDIFileParser{}.parseContentsOf(std::filesystem::path(BRELMO_DOMAIN_FIXTURES) / "hostile-midi" / name));
        const MIDIMeasureMap measures(timeline.tempoMap(), timeline.durationSeconds());
        const auto expected = plain::markers(timeline.tempoMap(), timeline.durationSeconds());
        ASSERT_EQ(measures.markers.size(), MIDIMeasureMarkerWalk::maximumBarCount + 1);
        ASSERT_EQ(measures.markers, expected);
        const double middle = timeline.durationSeconds() / 2;
        EXPECT_EQ(measures.closestMarker(middle), plain::closest(expected, middle));
        EXPECT_EQ(measures.markerAtOrBefore(middle), plain::atOrBefore(expected, middle));
        EXPECT_EQ(measures.secondsAtMeasureStart(500'000), plain::secondsAtMeasureStart(expected, 500'000));

        // The count-in reads only the bars it reuses, and the same ones.
        const MIDICountInPlan plan(timeline, 0, 4, 1);
        ASSERT_FALSE(timeline.noteSpans().empty());
        std::int64_t empty = 0;
        while (empty < 4 && expected[static_cast<std::size_t>(empty) + 1].seconds <=
                                timeline.noteSpans().front().startSeconds + 0.000001)
            ++empty;
        EXPECT_EQ(plan.reusedLeadingMeasureCount, empty);
        EXPECT_EQ(plan.completionOffsetSeconds,
                  plan.timelineStartOffsetSeconds + expected[static_cast<std::size_t>(empty)].seconds);
    }
}
