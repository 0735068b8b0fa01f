#include <gtest/gtest.h>

#include <cmath>

#include "CorvaneDomain/MIDIMeasureMap.hpp"
#include "CorvaneDomain/StandardMIDIFileParser.hpp"
#include "support/SMFWriter.hpp"

using namespace corvane;

namespace {

// Division 480 at 120 bpm: a quarter note is 480 ticks and half a second.
MIDITempoMap tempoMapOf(smf::Track track) { return MIDITempoMap(StandardMIDIFileParser{}.parse(smf::file(1, 480, {track}))); }

std::vector<std::pair<std::int64_t, double>> bars(const MIDIMeasureMap& map)
{
    std::vector<std::pair<std::int64_t, double>> out;
    for (const auto& m : map.markers) out.emplace_back(m.measureNumber, m.seconds);
    return out;
}

using Bars = std::vector<std::pair<std::int64_t, double>>;

} // namespace

TEST(MIDIMeasureMap, FourFourBarsAndTheSongEnd)
{
    MIDIMeasureMap map(tempoMapOf({}), 5.0);
    EXPECT_EQ(bars(map), (Bars{{1, 0.0}, {2, 2.0}, {3, 4.0}, {4, 5.0}}));
    EXPECT_TRUE(map.markers.back().isSongEnd);
    EXPECT_FALSE(map.markers[2].isSongEnd);
    EXPECT_EQ(map.markers[0].id(), "1-0-false");

    // A bar that would begin at the end itself is not added.
    EXPECT_EQ(bars(MIDIMeasureMap(tempoMapOf({}), 4.0)), (Bars{{1, 0.0}, {2, 2.0}, {3, 4.0}}));
}

TEST(MIDIMeasureMap, SignatureChangesRestartTheGrid)
{
    EXPECT_EQ(bars(MIDIMeasureMap(tempoMapOf(smf::Track{}.timeSignature(1920, 3, 2)), 4.0)),
              (Bars{{1, 0.0}, {2, 2.0}, {3, 3.5}, {4, 4.0}}));
    // A change in the middle of bar 2 cuts it short.
    EXPECT_EQ(bars(MIDIMeasureMap(tempoMapOf(smf::Track{}.timeSignature(2880, 3, 2)), 6.0)),
              (Bars{{1, 0.0}, {2, 2.0}, {3, 3.0}, {4, 4.5}, {5, 6.0}}));
    EXPECT_EQ(bars(MIDIMeasureMap(tempoMapOf(smf::Track{}.timeSignature(0, 6, 3)), 3.0)),
              (Bars{{1, 0.0}, {2, 1.5}, {3, 3.0}}));
}

TEST(MIDIMeasureMap, BarLinesFollowTempoChanges)
{
    // 120 bpm for the first bar, then 60 bpm: the second bar lasts 4 s.
    EXPECT_EQ(bars(MIDIMeasureMap(tempoMapOf(smf::Track{}.tempo(1920, 1'000'000)), 7.0)),
              (Bars{{1, 0.0}, {2, 2.0}, {3, 6.0}, {4, 7.0}}));
}

TEST(MIDIMeasureMap, EmptyDurations)
{
    for (double d : {0.0, -2.0, std::nan("")}) {
        MIDIMeasureMap map(tempoMapOf({}), d);
        EXPECT_EQ(map.markers, (std::vector<MIDIMeasureMarker>{{1, 0.0, true}}));
        EXPECT_EQ(map.durationSeconds, 0.0);
    }
}

TEST(MIDIMeasureMap, Lookups)
{
    MIDIMeasureMap map(tempoMapOf({}), 5.0);
    EXPECT_EQ(map.secondsAtMeasureStart(4), 5.0);
    EXPECT_EQ(map.secondsAtMeasureStart(2), 2.0);
    EXPECT_EQ(map.secondsAtMeasureStart(0), std::nullopt);
    EXPECT_EQ(map.secondsAtMeasureStart(5), std::nullopt);
    EXPECT_EQ(map.closestMarker(1.0).measureNumber, 1); // a tie goes to the earlier marker
    EXPECT_EQ(map.closestMarker(1.1).measureNumber, 2);
    EXPECT_EQ(map.closestMarker(99).measureNumber, 4);
    EXPECT_EQ(map.markerAtOrBefore(-1.0).measureNumber, 1);
    EXPECT_EQ(map.markerAtOrBefore(3.9).measureNumber, 2);
    EXPECT_TRUE(map.markerAtOrBefore(5.0).isSongEnd);
}

TEST(MIDIMeasureMap, HostileSignaturesCannotMakeTheWalkEndless)
{
    // A bar of 1/2^31 of a whole note over a long song would mean billions of
    // bars: at 120 bpm each lasts 2^-30 s. The first 100,000 are kept, then
    // the song's end, numbered as the bar after the last.
    auto tempoMap = tempoMapOf(smf::Track{}.timeSignature(0, 1, 31));
    MIDIMeasureMap map(tempoMap, 1.0e6);
    ASSERT_EQ(map.markers.size(), 100'001u);
    for (std::size_t i = 0; i + 1 < map.markers.size(); ++i)
        ASSERT_EQ(map.markers[i], (MIDIMeasureMarker{std::int64_t(i) + 1, std::ldexp(double(i), -30), false})) << i;
    EXPECT_EQ(map.markers.back(), (MIDIMeasureMarker{100'001, 1.0e6, true}));

    // Past 2^19 s at the fastest tempo such a bar does not move the position at all.
    smf::Track far = smf::Track{}.tempo(0, 16'777'215);
    for (int i = 0; i < 4; ++i) far.tempo(0x0FFFFFFF, 16'777'215);
    far.tempo(1, 1).timeSignature(0, 1, 31);
    const MIDITempoMap farMap(StandardMIDIFileParser{}.parse(smf::file(1, 32767, {far})));
    const double farStart = farMap.timeSignatureChanges().back().seconds;
    ASSERT_GT(farStart, 524'288.0);
    MIDIMeasureMap stalled(farMap, farStart + 10);
    ASSERT_GE(stalled.markers.size(), 3u);
    EXPECT_EQ(stalled.markers[stalled.markers.size() - 2].seconds, farStart);
    EXPECT_TRUE(stalled.markers.back().isSongEnd);
    // The room reserved for the bars that did not come is not kept.
    EXPECT_LE(stalled.markers.capacity(), 2 * stalled.markers.size());
}
