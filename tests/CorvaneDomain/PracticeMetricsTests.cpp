#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "CorvaneDomain/PracticeMetricsAccumulator.hpp"

using namespace corvane;
using nlohmann::json;

namespace {

constexpr auto maxCount = std::numeric_limits<std::int64_t>::max();
const Date t{1000};

} // namespace

TEST(PracticeMetrics, ConstructionNormalisesDecodingDoesNot)
{
    EXPECT_EQ(PracticeMetrics(-1, -5, 0, 3, -1, 2), PracticeMetrics::unnormalized(0, 0, 0, 3, 0, 2));
    EXPECT_EQ(PracticeMetrics(std::nan(""), 0, 0, 0, 0, 0).activeDurationSeconds, 0);
    EXPECT_EQ(PracticeMetrics(-0.5, 0, 0, 0, 0, 0).activeDurationSeconds, 0);
    EXPECT_EQ(PracticeMetrics(INFINITY, 0, 0, 0, 0, 0).activeDurationSeconds, INFINITY);

    const json stored{{"activeDurationSeconds", -3.0}, {"playedNoteCount", 1}, {"correctCount", -2},
                      {"earlyCount", 0},               {"lateCount", 0},       {"incorrectCount", 0}};
    EXPECT_EQ(decodeJSON<PracticeMetrics>(stored), PracticeMetrics::unnormalized(-3, 1, -2, 0, 0, 0));
}

TEST(PracticeMetrics, DecodingNeedsAllSixWholeNumbers)
{
    json stored = encodeJSON(PracticeMetrics(1.5, 4, 3, 1, 0, 0));
    EXPECT_EQ(decodeJSON<PracticeMetrics>(stored), PracticeMetrics(1.5, 4, 3, 1, 0, 0));
    stored["unknown"] = "ignored";
    EXPECT_NO_THROW(decodeJSON<PracticeMetrics>(stored));

    for (const char* key : {"activeDurationSeconds", "playedNoteCount", "correctCount", "earlyCount", "lateCount",
                            "incorrectCount"}) {
        json missing = stored;
        missing.erase(key);
        EXPECT_THROW(decodeJSON<PracticeMetrics>(missing), JSONDecodingError) << key;
    }
    json fraction = stored;
    fraction["lateCount"] = 1.5;
    EXPECT_THROW(decodeJSON<PracticeMetrics>(fraction), JSONDecodingError);
    json text = stored;
    text["lateCount"] = "1";
    EXPECT_THROW(decodeJSON<PracticeMetrics>(text), JSONDecodingError);
    json tooBig = stored;
    tooBig["lateCount"] = std::uint64_t{1} << 63;
    EXPECT_THROW(decodeJSON<PracticeMetrics>(tooBig), JSONDecodingError);
    json wholeFloat = stored;
    wholeFloat["lateCount"] = 2.0;
    EXPECT_EQ(decodeJSON<PracticeMetrics>(wholeFloat).lateCount, 2);
}

TEST(PracticeMetrics, NonFiniteDurationsRefuseToEncode)
{
    try {
        encodeJSON(PracticeMetrics(INFINITY, 0, 0, 0, 0, 0));
        FAIL() << "encoded an infinite duration";
    } catch (const JSONEncodingError& error) {
        EXPECT_EQ(error.codingPath(), "activeDurationSeconds");
    }
    EXPECT_THROW(encodeJSON(PracticeMetrics::unnormalized(NAN, 0, 0, 0, 0, 0)), JSONEncodingError);
}

TEST(PracticeMetrics, DerivedValuesAndSums)
{
    const PracticeMetrics m(0, 9, 3, 1, 0, 0);
    EXPECT_EQ(m.evaluatedNoteCount(), 4);
    EXPECT_EQ(m.onTimeRatio(), 0.75);
    EXPECT_EQ(PracticeMetrics(0, 5, 0, 0, 0, 0).onTimeRatio(), std::nullopt);
    EXPECT_EQ(PracticeMetrics::unnormalized(0, 0, -1, 0, 0, 0).onTimeRatio(), std::nullopt);

    EXPECT_EQ(m.adding(PracticeMetrics::unnormalized(1.5, 1, -1, 2, 3, 4)),
              PracticeMetrics::unnormalized(1.5, 10, 2, 3, 3, 4));

    // Counts stop at the 64-bit limits instead of wrapping.
    const auto huge = PracticeMetrics::unnormalized(0, maxCount, maxCount, maxCount, 0, 0);
    EXPECT_EQ(huge.evaluatedNoteCount(), maxCount);
    EXPECT_EQ(huge.adding(huge).playedNoteCount, maxCount);
    const auto negative = PracticeMetrics::unnormalized(0, INT64_MIN, 0, 0, 0, 0);
    EXPECT_EQ(negative.adding(negative).playedNoteCount, INT64_MIN);
}

TEST(PracticeMetricsAccumulator, ActiveTimeBetweenResumeAndPause)
{
    PracticeMetricsAccumulator a(PracticeMetrics::zero());
    a.resume(t);
    a.resume(t.addingTimeInterval(5)); // the earlier start is kept
    EXPECT_DOUBLE_EQ(a.snapshot(t.addingTimeInterval(2.5)).activeDurationSeconds, 2.5);
    EXPECT_EQ(a.snapshot(t.addingTimeInterval(-1)).activeDurationSeconds, 0);
    EXPECT_EQ(a.metrics().activeDurationSeconds, 0);
    a.pause(t.addingTimeInterval(10));
    EXPECT_DOUBLE_EQ(a.metrics().activeDurationSeconds, 10);

    a.pause(t.addingTimeInterval(20)); // not running: nothing
    EXPECT_DOUBLE_EQ(a.metrics().activeDurationSeconds, 10);

    a.resume(t.addingTimeInterval(30));
    a.pause(t.addingTimeInterval(29)); // earlier than the start: adds 0 but still ends the interval
    EXPECT_DOUBLE_EQ(a.metrics().activeDurationSeconds, 10);
    EXPECT_FALSE(a.isActive());
    a.resume(Date{NAN});
    a.pause(t);
    EXPECT_DOUBLE_EQ(a.metrics().activeDurationSeconds, 10);
}

TEST(PracticeMetricsAccumulator, RecordsNotesWhetherOrNotActive)
{
    PracticeMetricsAccumulator a(PracticeMetrics::zero());
    a.record(PracticeFeedbackKind::late);
    a.record(PracticeFeedbackKind::late);
    a.record(PracticeFeedbackKind::correct);
    a.record(PracticeFeedbackKind::early);
    a.record(PracticeFeedbackKind::incorrect);
    EXPECT_EQ(a.metrics(), PracticeMetrics(0, 5, 1, 1, 2, 1));

    PracticeMetricsAccumulator full(PracticeMetrics::unnormalized(0, maxCount, maxCount, 0, 0, 0));
    full.record(PracticeFeedbackKind::correct);
    EXPECT_EQ(full.metrics().playedNoteCount, maxCount);
    EXPECT_EQ(full.metrics().correctCount, maxCount);

    PracticeMetricsAccumulator counting(a.metrics());
    counting.resume(t);
    EXPECT_NE(counting, PracticeMetricsAccumulator(a.metrics()));
}
