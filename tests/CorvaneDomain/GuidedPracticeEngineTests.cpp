#include <gtest/gtest.h>

#include <cmath>

#include "CorvaneDomain/GuidedPracticeEngine.hpp"
#include "CorvaneDomain/PracticeTrackSetting.hpp"

using namespace corvane;
using Kind = PracticeFeedbackKind;

namespace {

const GuidedPracticeConfiguration application{0.12, 0.5, 0.035};

MIDINoteSpan span(std::uint8_t note, double start, std::int32_t track = 0, std::int32_t event = -1)
{
    static std::int32_t nextEvent = 0;
    return MIDINoteSpan{note, 100, 0, track, event >= 0 ? event : nextEvent++, start, start + 0.25};
}

GuidedPracticeEngine engineWith(std::vector<MIDINoteSpan> spans, PracticeHand hand = PracticeHand::both,
                                PracticeHandMap map = PracticeHandMap(60, {}))
{
    return GuidedPracticeEngine(spans, hand, std::move(map), application);
}

} // namespace

TEST(GuidedPracticeEngine, GradesAgainstTheClosestOpenNoteOfThatPitch)
{
    auto engine = engineWith({span(60, 1.00), span(60, 1.40)});

    const auto late = engine.evaluate(60, 90, 1.18);
    EXPECT_EQ(late.kind, Kind::late);
    EXPECT_EQ(late.expectedNote, 60);
    EXPECT_NEAR(*late.timingOffsetSeconds, 0.18, 1e-12);
    EXPECT_EQ(late.velocity, 90);

    // The note at 1.00 s is answered; the next press goes to 1.40 s.
    const auto early = engine.evaluate(60, 90, 1.20);
    EXPECT_EQ(early.kind, Kind::early);
    EXPECT_NEAR(*early.timingOffsetSeconds, -0.20, 1e-12);

    EXPECT_EQ(engine.evaluate(60, 90, 1.30).kind, Kind::incorrect);
}

TEST(GuidedPracticeEngine, WindowEdges)
{
    // Exactly on the correct tolerance is correct; beyond it early or late;
    // exactly on the matching window still matches; beyond it nothing does.
    // Offsets are chosen to be exact in binary floating point.
    const GuidedPracticeConfiguration exact{0.125, 0.5, 0.03125};
    auto gradeAt = [&](double played) {
        GuidedPracticeEngine engine(std::vector{span(64, 2.0)}, PracticeHand::both, PracticeHandMap(60, {}), exact);
        return engine.evaluate(64, 80, played);
    };
    EXPECT_EQ(gradeAt(2.125).kind, Kind::correct);
    EXPECT_EQ(gradeAt(1.875).kind, Kind::correct);
    EXPECT_EQ(gradeAt(2.25).kind, Kind::late);
    EXPECT_EQ(gradeAt(1.75).kind, Kind::early);
    EXPECT_EQ(gradeAt(2.5).kind, Kind::late);
    EXPECT_EQ(gradeAt(1.5).kind, Kind::early);
    EXPECT_EQ(gradeAt(2.5078125).kind, Kind::incorrect);
    EXPECT_EQ(gradeAt(1.4921875).kind, Kind::incorrect);
}

TEST(GuidedPracticeEngine, EqualDistancesKeepTheEarlierNote)
{
    auto engine = engineWith({span(60, 1.0), span(60, 1.5)});
    const auto feedback = engine.evaluate(60, 100, 1.25);
    EXPECT_EQ(feedback.kind, Kind::late);
    EXPECT_DOUBLE_EQ(*feedback.timingOffsetSeconds, 0.25);
    // The note at 1.5 s is still open.
    EXPECT_EQ(engine.evaluate(60, 100, 1.5).kind, Kind::correct);
}

TEST(GuidedPracticeEngine, IncorrectNamesTheNextOpenNoteOfTheHand)
{
    auto engine = engineWith({span(60, 1.0), span(67, 3.0)});
    const auto wrong = engine.evaluate(61, 70, 1.0);
    EXPECT_EQ(wrong, (PracticeFeedback{Kind::incorrect, 61, 60, std::nullopt, 70}));

    // The next note starts at or after t − 0.5 s, whatever its pitch.
    EXPECT_EQ(engine.evaluate(61, 70, 2.0).expectedNote, 67);
    EXPECT_EQ(engine.evaluate(61, 70, 9.0).expectedNote, std::nullopt);

    auto empty = engineWith({});
    EXPECT_EQ(empty.evaluate(60, 1, 0), (PracticeFeedback{Kind::incorrect, 60, std::nullopt, std::nullopt, 1}));
    EXPECT_EQ(empty.waitTarget(0), std::nullopt);
}

TEST(GuidedPracticeEngine, OnePressAnswersDoubledNotesInOtherTracks)
{
    auto engine = engineWith({span(60, 2.000, 1), span(60, 2.020, 2), span(60, 2.100, 3)});
    EXPECT_EQ(engine.evaluate(60, 100, 2.0).kind, Kind::correct);
    // The doubling 20 ms later is consumed; the one 100 ms later is not.
    const auto second = engine.evaluate(60, 100, 2.01);
    EXPECT_EQ(second.kind, Kind::correct);
    EXPECT_NEAR(*second.timingOffsetSeconds, -0.09, 1e-12);
    EXPECT_EQ(engine.evaluate(60, 100, 2.0).kind, Kind::incorrect);
}

TEST(GuidedPracticeEngine, OnlyTheHandsNotesAreExpected)
{
    const auto notes = std::vector{span(64, 1.0, 0), span(48, 1.0, 0)};

    // Automatic track, split note 60: 64 belongs to the right hand.
    auto left = engineWith(notes, PracticeHand::left);
    EXPECT_EQ(left.evaluate(64, 100, 1.0).kind, Kind::incorrect);
    EXPECT_EQ(left.evaluate(48, 100, 1.0).kind, Kind::correct);

    auto assignedRight = engineWith(notes, PracticeHand::left,
                                    PracticeHandMap(60, {PracticeTrackSetting(0, PracticeTrackHand::right, false)}));
    EXPECT_EQ(assignedRight.evaluate(64, 100, 1.0).kind, Kind::incorrect);
    EXPECT_EQ(assignedRight.evaluate(48, 100, 1.0).kind, Kind::incorrect);

    auto assignedLeft = engineWith(notes, PracticeHand::left,
                                   PracticeHandMap(60, {PracticeTrackSetting(0, PracticeTrackHand::left, false)}));
    EXPECT_EQ(assignedLeft.evaluate(64, 100, 1.0).kind, Kind::correct);
}

TEST(GuidedPracticeEngine, SeekAndHandChangesReopenNotes)
{
    auto engine = engineWith({span(60, 1.0), span(62, 4.87), span(64, 4.88), span(65, 6.0)});
    EXPECT_EQ(engine.evaluate(65, 100, 6.0).kind, Kind::correct);

    // Notes from 4.88 s on are open again; earlier ones count as passed.
    engine.seek(5.0);
    EXPECT_EQ(engine.evaluate(62, 100, 4.87).kind, Kind::incorrect);
    EXPECT_EQ(engine.evaluate(64, 100, 4.88).kind, Kind::correct);
    EXPECT_EQ(engine.evaluate(65, 100, 6.0).kind, Kind::correct);

    // Changing the hand reopens everything; setting the same hand changes nothing.
    engine.setHand(PracticeHand::both);
    EXPECT_EQ(engine.evaluate(65, 100, 6.0).kind, Kind::incorrect);
    engine.setHand(PracticeHand::right);
    EXPECT_EQ(engine.evaluate(65, 100, 6.0).kind, Kind::correct);
    engine.setHandMap(PracticeHandMap(60, {}));
    EXPECT_EQ(engine.evaluate(65, 100, 6.0).kind, Kind::incorrect);
    engine.setHandMap(PracticeHandMap(61, {}));
    EXPECT_EQ(engine.evaluate(65, 100, 6.0).kind, Kind::correct);

    engine.reset(std::vector{span(70, 0.5)}, PracticeHand::left);
    EXPECT_EQ(engine.hand(), PracticeHand::left);
    EXPECT_EQ(engine.handMap().splitNote, 61);
    EXPECT_EQ(engine.evaluate(70, 100, 0.5).kind, Kind::incorrect); // 70 is right of the split
}

TEST(GuidedPracticeEngine, WaitTargetIsTheDueChordOfTheHand)
{
    auto engine = engineWith({span(60, 10.0), span(64, 10.02), span(60, 10.05), span(67, 10.01, 0)});
    EXPECT_EQ(engine.waitTarget(9.87), std::nullopt); // more than 0.12 s ahead
    EXPECT_EQ(engine.waitTarget(9.9), (PracticeWaitTarget{10.0, {60, 64, 67}}));

    engine.evaluate(60, 100, 10.0);
    engine.evaluate(67, 100, 10.0);
    engine.evaluate(64, 100, 10.0);
    // The repeated 60 at 10.05 s lies outside the chord tolerance and is still due.
    EXPECT_EQ(engine.waitTarget(10.0), (PracticeWaitTarget{10.05, {60}}));

    auto left = engineWith({span(72, 1.0), span(40, 1.01)}, PracticeHand::left);
    EXPECT_EQ(left.waitTarget(1.0), (PracticeWaitTarget{1.01, {40}}));
}

TEST(GuidedPracticeEngine, AChordOfHalfAMillionNotesIsWaitedForKeyByKeyInRoomForItsKeys)
{
    std::vector<MIDINoteSpan> chord;
    for (int i = 0; i < 500'000; ++i) chord.push_back(span(static_cast<std::uint8_t>(21 + i % 88), 1.0));
    auto engine = engineWith(std::move(chord));
    std::vector<std::uint8_t> keys;
    for (std::uint8_t key = 21; key <= 108; ++key) keys.push_back(key);
    const auto target = engine.waitTarget(1.0);
    ASSERT_TRUE(target);
    EXPECT_EQ(*target, (PracticeWaitTarget{1.0, keys}));
    EXPECT_EQ(target->requiredNotes.capacity(), 88u);

    // One press answers every note of its key in the chord.
    EXPECT_EQ(engine.evaluate(60, 100, 1.0).kind, Kind::correct);
    std::erase(keys, 60);
    EXPECT_EQ(engine.waitTarget(1.0), (PracticeWaitTarget{1.0, keys}));
    EXPECT_EQ(engine.evaluate(60, 100, 1.0).kind, Kind::incorrect);
}

TEST(GuidedPracticeEngine, ALongSongIsGradedAroundThePositionWithTheOtherHandsNotesBetween)
{
    // Left-hand notes every 0.1 s, with a right-hand note at every whole second.
    std::vector<MIDINoteSpan> spans;
    for (int i = 0; i < 100'000; ++i) spans.push_back(span(i % 10 == 0 ? 72 : 40, i * 0.1, 0, i));
    auto engine = engineWith(spans, PracticeHand::right);
    engine.seek(9'000.0);
    EXPECT_EQ(engine.waitTarget(9'000.0), (PracticeWaitTarget{9'000.0, {72}}));
    EXPECT_EQ(engine.evaluate(72, 100, 8'999.0).kind, Kind::incorrect) << "passed by the seek";
    EXPECT_EQ(engine.evaluate(72, 100, 9'000.05).kind, Kind::correct);
    // The left hand's open notes between are skipped on the way to the next chord.
    EXPECT_EQ(engine.waitTarget(9'000.5), std::nullopt);
    EXPECT_EQ(engine.waitTarget(9'000.9), (PracticeWaitTarget{9'001.0, {72}}));
    const auto wrong = engine.evaluate(41, 100, 9'000.9);
    EXPECT_EQ(wrong.kind, Kind::incorrect);
    EXPECT_EQ(wrong.expectedNote, 72);
    EXPECT_EQ(engine.evaluate(72, 100, std::nan("")),
              (PracticeFeedback{Kind::incorrect, 72, std::nullopt, std::nullopt, 100}));

    // Back to the start: everything there is open again.
    engine.seek(0);
    EXPECT_EQ(engine.evaluate(72, 100, 0.0).kind, Kind::correct);
    EXPECT_EQ(engine.waitTarget(9'999.8), (PracticeWaitTarget{1.0, {72}})) << "the first chord still open";
}

TEST(GuidedPracticeEngine, CompensatedPosition)
{
    EXPECT_DOUBLE_EQ(GuidedPracticeEngine::compensatedPosition(1.0, 50, 2), 0.9);
    EXPECT_DOUBLE_EQ(GuidedPracticeEngine::compensatedPosition(1.0, -10, 1), 1.0);
    EXPECT_DOUBLE_EQ(GuidedPracticeEngine::compensatedPosition(1.0, 100, -1), 1.0);
    EXPECT_DOUBLE_EQ(GuidedPracticeEngine::compensatedPosition(0.01, 100, 1), 0);
}

TEST(GuidedPracticeEngine, ConfigurationRefusesTolerancesOutOfOrder)
{
    EXPECT_NO_THROW(GuidedPracticeConfiguration(0.12, 0.5, 0.035));
    EXPECT_THROW(GuidedPracticeConfiguration(0.6, 0.5, 0.035), std::invalid_argument);
    EXPECT_THROW(GuidedPracticeConfiguration(-0.1, 0.5, 0.035), std::invalid_argument);
    EXPECT_THROW(GuidedPracticeConfiguration(0.1, 0.5, -0.01), std::invalid_argument);
    EXPECT_THROW(GuidedPracticeConfiguration(std::nan(""), 0.5, 0.035), std::invalid_argument);
}

TEST(PracticeMode, OnlyPracticeModeHoldsBackTheStudentsNotes)
{
    EXPECT_FALSE(playsScoreNote(PracticeMode::practice, true));
    EXPECT_TRUE(playsScoreNote(PracticeMode::practice, false));
    EXPECT_TRUE(playsScoreNote(PracticeMode::wait, true));
    EXPECT_TRUE(playsScoreNote(PracticeMode::accompaniment, true));
}
