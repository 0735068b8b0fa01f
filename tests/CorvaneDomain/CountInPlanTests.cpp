#include <gtest/gtest.h>

#include <cmath>

#include "CorvaneDomain/MIDICountInPlan.hpp"
#include "CorvaneDomain/StandardMIDIFileParser.hpp"
#include "support/SMFWriter.hpp"

using namespace corvane;

namespace {

// Division 480: a quarter note is 480 ticks, half a second at the default 120 bpm.
MIDITimeline timelineOf(smf::Track conductor, smf::Track notes = {})
{
    return MIDITimeline(StandardMIDIFileParser{}.parse(smf::file(1, 480, {conductor, notes})));
}

// One note at `tick`, a quarter long, then a last note that closes the song at `endTick`.
smf::Track notesAt(std::uint32_t tick, std::uint32_t endTick = 480 * 40)
{
    return smf::Track{}.noteOn(tick, 60).noteOff(480, 60).noteOn(endTick - tick - 480, 62).noteOff(480, 62);
}

struct Click {
    double offset;
    std::int64_t measure, beat;
    bool accent;
    bool operator==(const Click&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Click& c)
{
    return out << "{" << c.offset << ", m" << c.measure << " b" << c.beat << (c.accent ? " accent" : "") << "}";
}

std::vector<Click> clicks(const MIDICountInPlan& plan)
{
    std::vector<Click> out;
    for (const auto& b : plan.beats) out.push_back({b.offsetSeconds, b.measureNumber, b.beatNumber, b.isAccent});
    return out;
}

std::vector<double> offsets(const MIDICountInPlan& plan)
{
    std::vector<double> out;
    for (const auto& b : plan.beats) out.push_back(b.offsetSeconds);
    return out;
}

} // namespace

TEST(MIDICountInPlan, FourFourFromTheMiddleOfTheSong)
{
    const auto timeline = timelineOf({}, notesAt(0));
    const MIDICountInPlan plan(timeline, 10.0, 2, 1.0);
    EXPECT_EQ(clicks(plan), (std::vector<Click>{{0.0, 1, 1, true},
                                                {0.5, 1, 2, false},
                                                {1.0, 1, 3, false},
                                                {1.5, 1, 4, false},
                                                {2.0, 2, 1, true},
                                                {2.5, 2, 2, false},
                                                {3.0, 2, 3, false},
                                                {3.5, 2, 4, false}}));
    EXPECT_EQ(plan.measureCount, 2);
    EXPECT_EQ(plan.reusedLeadingMeasureCount, 0);
    EXPECT_DOUBLE_EQ(plan.timelineStartOffsetSeconds, 4.0);
    EXPECT_DOUBLE_EQ(plan.completionOffsetSeconds, 4.0);

    // Half speed stretches every real offset.
    const MIDICountInPlan slow(timeline, 10.0, 2, 0.5);
    EXPECT_EQ(offsets(slow), (std::vector<double>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_DOUBLE_EQ(slow.timelineStartOffsetSeconds, 8.0);
}

TEST(MIDICountInPlan, BarCountsAndRatesAreClamped)
{
    const auto timeline = timelineOf({}, notesAt(0));
    EXPECT_EQ(MIDICountInPlan(timeline, 10.0, 0, 1.0).measureCount, 1);
    EXPECT_EQ(MIDICountInPlan(timeline, 10.0, 9, 1.0).measureCount, 4);
    EXPECT_EQ(MIDICountInPlan(timeline, 10.0, -3, 1.0).beats.size(), 4u);

    // A rate of 0 (or NaN) counts as 0.01: a beat of 0.5 song seconds lasts 50 real seconds.
    EXPECT_DOUBLE_EQ(MIDICountInPlan(timeline, 10.0, 1, 0.0).beats[1].offsetSeconds, 50.0);
    EXPECT_DOUBLE_EQ(MIDICountInPlan(timeline, 10.0, 1, std::nan("")).beats[1].offsetSeconds, 50.0);
}

TEST(MIDICountInPlan, BeatsFollowTheTimeSignatureAndItsClick)
{
    // 3/4 with a quarter-note click.
    auto threeFour = MIDICountInPlan(timelineOf(smf::Track{}.timeSignature(0, 3, 2, 24), notesAt(0)), 5.0, 1, 1.0);
    EXPECT_EQ(offsets(threeFour), (std::vector<double>{0, 0.5, 1.0}));
    EXPECT_DOUBLE_EQ(threeFour.timelineStartOffsetSeconds, 1.5);

    // 6/8 clicked in dotted quarters: two beats of 1.5 quarter notes.
    auto sixEight = MIDICountInPlan(timelineOf(smf::Track{}.timeSignature(0, 6, 3, 36), notesAt(0)), 5.0, 1, 1.0);
    EXPECT_EQ(clicks(sixEight), (std::vector<Click>{{0.0, 1, 1, true}, {0.75, 1, 2, false}}));
    EXPECT_DOUBLE_EQ(sixEight.timelineStartOffsetSeconds, 1.5);

    // 6/8 clicked in eighths: six beats.
    auto eighths = MIDICountInPlan(timelineOf(smf::Track{}.timeSignature(0, 6, 3, 12), notesAt(0)), 5.0, 1, 1.0);
    EXPECT_EQ(eighths.beats.size(), 6u);
    EXPECT_DOUBLE_EQ(eighths.beats[1].offsetSeconds, 0.25);

    // A zero click is raised to a thirty-second note: 4/4 gives 32 beats.
    auto zeroClick = MIDICountInPlan(timelineOf(smf::Track{}.timeSignature(0, 4, 2, 0), notesAt(0)), 5.0, 1, 1.0);
    EXPECT_EQ(zeroClick.beats.size(), 32u);

    // The signature and tempo in force at the start are used, not the first ones.
    auto later = MIDICountInPlan(
        timelineOf(smf::Track{}.timeSignature(0, 4, 2).tempo(1920, 1'000'000).timeSignature(0, 3, 2), notesAt(0)),
        5.0, 1, 1.0);
    EXPECT_EQ(offsets(later), (std::vector<double>{0, 1, 2}));
}

TEST(MIDICountInPlan, EmptyLeadingBarsAreReusedFromTheStart)
{
    // First note on the downbeat of bar 2: one empty bar of 2 s.
    const auto oneEmpty = timelineOf({}, notesAt(1920));
    const MIDICountInPlan plan(oneEmpty, 0, 2, 1.0);
    EXPECT_EQ(plan.reusedLeadingMeasureCount, 1);
    EXPECT_EQ(clicks(plan), (std::vector<Click>{{0.0, 1, 1, true},
                                                {0.5, 1, 2, false},
                                                {1.0, 1, 3, false},
                                                {1.5, 1, 4, false},
                                                {2.0, 2, 1, true},
                                                {2.5, 2, 2, false},
                                                {3.0, 2, 3, false},
                                                {3.5, 2, 4, false}}));
    EXPECT_DOUBLE_EQ(plan.timelineStartOffsetSeconds, 2.0);
    EXPECT_DOUBLE_EQ(plan.completionOffsetSeconds, 4.0);

    // Three empty bars and two requested: both are the song's own; the
    // timeline starts at once and the count-in ends at bar 3.
    const auto threeEmpty = timelineOf({}, notesAt(3 * 1920));
    const MIDICountInPlan reused(threeEmpty, 0, 2, 0.5);
    EXPECT_EQ(reused.reusedLeadingMeasureCount, 2);
    EXPECT_DOUBLE_EQ(reused.timelineStartOffsetSeconds, 0);
    EXPECT_DOUBLE_EQ(reused.completionOffsetSeconds, 8.0);
    EXPECT_EQ(reused.beats.size(), 8u);
    EXPECT_EQ(reused.beats[4].measureNumber, 2);
    EXPECT_DOUBLE_EQ(reused.beats[4].offsetSeconds, 4.0);

    // A note a hair before the bar line still leaves that bar empty; one
    // clearly inside bar 1 does not.
    EXPECT_EQ(MIDICountInPlan(timelineOf({}, notesAt(1919)), 0, 2, 1.0).reusedLeadingMeasureCount, 0);

    // Not from the very start, or without notes: nothing is reused.
    EXPECT_EQ(MIDICountInPlan(threeEmpty, 0.5, 2, 1.0).reusedLeadingMeasureCount, 0);
    EXPECT_EQ(MIDICountInPlan(timelineOf({}, {}), 0, 2, 1.0).reusedLeadingMeasureCount, 0);
}

TEST(MIDICountInPlan, ReusedBarsFollowTheSongsOwnTempo)
{
    // Bar 1 at 120 bpm, bar 2 at 60 bpm from its downbeat; first note in bar 3.
    const auto timeline = timelineOf(smf::Track{}.tempo(1920, 1'000'000), notesAt(2 * 1920));
    const MIDICountInPlan plan(timeline, 0, 2, 1.0);
    ASSERT_EQ(plan.reusedLeadingMeasureCount, 2);
    EXPECT_EQ(offsets(plan), (std::vector<double>{0, 0.5, 1.0, 1.5, 2, 3, 4, 5}));
    EXPECT_DOUBLE_EQ(plan.completionOffsetSeconds, 6.0);
}
