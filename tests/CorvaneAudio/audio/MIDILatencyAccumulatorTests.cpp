#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "CorvaneAudio/midi/MIDILatencyAccumulator.hpp"

using namespace corvane;

namespace {

MIDILatencyStatistics statisticsOf(std::initializer_list<double> samples, std::int64_t capacity = 512)
{
    MIDILatencyAccumulator accumulator(capacity);
    for (double sample : samples) accumulator.record(sample);
    return accumulator.statistics().value();
}

TEST(MIDILatencyAccumulator, NearestRankPercentilesWithoutInterpolation)
{
    EXPECT_EQ(statisticsOf({4, 1, 3, 2}), (MIDILatencyStatistics{4, 3, 4, 4}));
    EXPECT_EQ(statisticsOf({10, 20}).medianMilliseconds, 20);
    EXPECT_EQ(statisticsOf({7.5}), (MIDILatencyStatistics{1, 7.5, 7.5, 7.5}));

    MIDILatencyAccumulator accumulator(512);
    for (int i = 20; i >= 0; --i) accumulator.record(i);
    EXPECT_EQ(accumulator.statistics()->p95Milliseconds, 19);
    EXPECT_EQ(accumulator.statistics()->medianMilliseconds, 10);
}

TEST(MIDILatencyAccumulator, RejectsImpossibleValues)
{
    MIDILatencyAccumulator accumulator(8);
    EXPECT_FALSE(accumulator.statistics());
    accumulator.record(-1);
    accumulator.record(std::numeric_limits<double>::infinity());
    accumulator.record(std::nan(""));
    EXPECT_FALSE(accumulator.statistics());
    accumulator.record(0);
    accumulator.record(-0.0);
    EXPECT_EQ(accumulator.statistics()->sampleCount, 2);
}

TEST(MIDILatencyAccumulator, WindowSlidesOverTheLastCapacityValues)
{
    EXPECT_EQ(MIDILatencyAccumulator(0).capacity(), 1);
    EXPECT_EQ(statisticsOf({5, 9, 3}, -4), (MIDILatencyStatistics{1, 3, 3, 3}));

    MIDILatencyAccumulator accumulator(512);
    accumulator.record(1000); // the only large value, pushed out by the 513th
    for (int i = 0; i < 512; ++i) accumulator.record(1);
    const auto statistics = accumulator.statistics().value();
    EXPECT_EQ(statistics.sampleCount, 512);
    EXPECT_EQ(statistics.maximumMilliseconds, 1);
}

} // namespace
