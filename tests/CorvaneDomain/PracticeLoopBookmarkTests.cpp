#include <gtest/gtest.h>

#include "CorvaneDomain/PracticeLoopBookmark.hpp"
#include "CorvaneDomain/StandardMIDIFileParser.hpp"
#include "support/SMFWriter.hpp"

using namespace corvane;
using nlohmann::json;

namespace {

using Measures = std::pair<std::int64_t, std::int64_t>;

PracticeLoopBookmark bookmarkOf(std::int64_t start, std::int64_t end, std::string name = "")
{
    return PracticeLoopBookmark(UUID::random(), start, end, std::move(name), PracticeMetrics::zero(), 0,
                                std::nullopt);
}

// 4/4 at 120 bpm: ten bars of 2 s, 20 s in all.
MIDIMeasureMap tenBars()
{
    const MIDITempoMap tempoMap(StandardMIDIFileParser{}.parse(smf::file(1, 480, {smf::Track{}})));
    return MIDIMeasureMap(tempoMap, 20.0);
}

Measures measuresOf(const std::optional<PracticeLoopBookmark>& b)
{
    return b ? Measures{b->startMeasure, b->endMeasure} : Measures{-1, -1};
}

} // namespace

TEST(PracticeLoopBookmark, ConstructionOrdersMeasuresAndNames)
{
    const PracticeLoopBookmark b(UUID::random(), 5, 2, " x ", PracticeMetrics::zero(), -3, std::nullopt);
    EXPECT_EQ(b.startMeasure, 2);
    EXPECT_EQ(b.endMeasure, 5);
    EXPECT_EQ(b.repetitions, 0);
    EXPECT_EQ(b.name, " x ");
    EXPECT_EQ(b.measureCount(), 4);

    EXPECT_EQ(bookmarkOf(4, 4).autoName(), "Compasso 4");
    EXPECT_EQ(bookmarkOf(10, 12).autoName(), "Compassos 10\u201312");
    EXPECT_EQ(bookmarkOf(3, 5, "  ").displayName(), "Compassos 3\u20135");
    EXPECT_EQ(bookmarkOf(3, 5, "\t Refrão \n").displayName(), "Refrão");
    EXPECT_EQ(bookmarkOf(3, 5, "\u00A0Ponte\u3000").displayName(), "Ponte");
    EXPECT_EQ(bookmarkOf(3, 5, "\u205FCoda\u1680").displayName(), "Coda");
    EXPECT_EQ(bookmarkOf(7, 7, "\u1680\u205F\u2029").displayName(), "Compasso 7");
    // The rule names are stored by: only the ends go, and bytes that are
    // not UTF-8 stay as they are.
    EXPECT_EQ(trimmedLoopName("\u3000\u2028 a  b \t"), "a  b");
    EXPECT_EQ(trimmedLoopName(" \n\t "), "");
    EXPECT_EQ(trimmedLoopName(" \xff\xfe "), "\xff\xfe");
    EXPECT_EQ(trimmedLoopName(""), "");

    // Absurd stored measures do not overflow.
    EXPECT_EQ(bookmarkOf(INT64_MIN, INT64_MAX).measureCount(), INT64_MAX);
}

TEST(PracticeLoopBookmark, LoopRangeFromMeasures)
{
    const auto map = tenBars();
    EXPECT_EQ(loopRange(map, bookmarkOf(2, 3)), (MIDILoopRange{2.0, 6.0}));
    EXPECT_EQ(loopRange(map, bookmarkOf(9, 10)), (MIDILoopRange{16.0, 20.0})); // ends at the song-end marker
    EXPECT_EQ(loopRange(map, bookmarkOf(11, 12)), std::nullopt);
    EXPECT_EQ(loopRange(map, bookmarkOf(10, 40)), (MIDILoopRange{18.0, 20.0}));
    EXPECT_EQ(loopRange(map, bookmarkOf(INT64_MAX - 1, INT64_MAX)), std::nullopt);
}

TEST(PracticeLoopBookmark, BookmarkFromALoopSnapsToBarLines)
{
    const auto map = tenBars();
    EXPECT_EQ(measuresOf(bookmark(map, {2.0005, 5.9995}, "")), Measures(2, 3));
    EXPECT_EQ(measuresOf(bookmark(map, {4.0, 10.0}, "")), Measures(3, 5));
    EXPECT_EQ(measuresOf(bookmark(map, {2.5, 2.9}, "")), Measures(2, 2));
    EXPECT_EQ(measuresOf(bookmark(map, {0.0, 0.0005}, "")), Measures(1, 1));
    EXPECT_EQ(measuresOf(bookmark(map, {16.0, 20.0}, "")), Measures(9, 10));
    EXPECT_EQ(bookmark(map, {-1.0, 3.0}, ""), std::nullopt);

    const auto made = bookmark(map, {2.0, 6.0}, " Refrão ");
    ASSERT_TRUE(made);
    EXPECT_EQ(made->name, " Refrão ");
    EXPECT_EQ(made->metrics, PracticeMetrics::zero());
    EXPECT_EQ(made->repetitions, 0);
    EXPECT_EQ(made->lastPracticedAt, std::nullopt);
    EXPECT_NE(made->id(), bookmark(map, {2.0, 6.0}, " Refrão ")->id());
    // And back again.
    EXPECT_EQ(loopRange(map, *made), (MIDILoopRange{2.0, 6.0}));
}

TEST(PracticeLoopBookmark, Coding)
{
    const auto minimal = decodeJSON<PracticeLoopBookmark>(json{{"startMeasure", 4}, {"endMeasure", 2}});
    EXPECT_EQ(minimal.startMeasure, 2);
    EXPECT_EQ(minimal.endMeasure, 4);
    EXPECT_EQ(minimal.name, "");
    EXPECT_EQ(minimal.metrics, PracticeMetrics::zero());
    EXPECT_EQ(minimal.repetitions, 0);
    EXPECT_EQ(minimal.lastPracticedAt, std::nullopt);

    const auto nulls = decodeJSON<PracticeLoopBookmark>(json{{"startMeasure", 1}, {"endMeasure", 2}, {"id", nullptr},
                                                             {"name", nullptr}, {"metrics", nullptr},
                                                             {"repetitions", -4}, {"lastPracticedAt", nullptr}});
    EXPECT_EQ(nulls.repetitions, 0);
    EXPECT_NE(nulls.id(), minimal.id());

    EXPECT_THROW(decodeJSON<PracticeLoopBookmark>(json{{"startMeasure", 4}}), JSONDecodingError);
    EXPECT_THROW(decodeJSON<PracticeLoopBookmark>(json{{"startMeasure", 1}, {"endMeasure", 2}, {"name", 3}}),
                 JSONDecodingError);
    // Metrics, when present, must be complete.
    EXPECT_THROW(decodeJSON<PracticeLoopBookmark>(
                     json{{"startMeasure", 1}, {"endMeasure", 2}, {"metrics", json::object()}}),
                 JSONDecodingError);

    PracticeLoopBookmark full(*UUID::fromString("0f8fad5b-d9cb-469f-a165-70867728950e"), 3, 6, "Ponte",
                              PracticeMetrics(12.5, 10, 6, 2, 1, 1), 7, Date{1234.5});
    const auto encoded = encodeJSON(full);
    EXPECT_EQ(encoded["id"], "0F8FAD5B-D9CB-469F-A165-70867728950E");
    EXPECT_EQ(encoded["lastPracticedAt"], 1234.5);
    EXPECT_EQ(decodeJSON<PracticeLoopBookmark>(encoded), full);

    full.lastPracticedAt.reset();
    EXPECT_FALSE(encodeJSON(full).contains("lastPracticedAt"));
}
