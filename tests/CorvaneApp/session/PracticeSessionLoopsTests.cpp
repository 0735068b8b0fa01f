// Loop selection by seconds and by measure, saved loops with their
// repetitions and progress, on a song of 2-second bars.
#include <gtest/gtest.h>

#include "SessionTestSupport.hpp"

using namespace corvane;
using namespace std::chrono_literals;

namespace {

class LoopsTest : public SessionTest {
protected:
    // Four bars of 4/4 at 120: bars start at 0, 2, 4 and 6 s; the song ends at 8 s.
    PracticeSessionStore& openFourBars()
    {
        auto& c = makeController();
        std::vector<ScoreNote> notes;
        for (int i = 0; i < 16; ++i) notes.push_back({double(i), 1, std::uint8_t(60 + i % 8)});
        c.loadMIDI(songs.write("bars.mid", score({notes})));
        EXPECT_TRUE(waitForClock());
        return c;
    }
    std::string song() const { return controller->currentSongReference()->stableID(); }
};

TEST_F(LoopsTest, TheSelectionKeepsItsGapAndMeasuresSnapToBars)
{
    auto& c = openFourBars();
    EXPECT_EQ(c.lastMeasureNumber(), 4);
    c.setLoopSelectionStart(7.95);
    EXPECT_DOUBLE_EQ(c.loopSelectionStartSeconds(), 7.9);
    c.setLoopSelectionStart(-1);
    EXPECT_DOUBLE_EQ(c.loopSelectionStartSeconds(), 0);
    c.setLoopSelectionEnd(0.01);
    EXPECT_DOUBLE_EQ(c.loopSelectionEndSeconds(), 0.1);
    c.setLoopSelectionEnd(99);
    EXPECT_DOUBLE_EQ(c.loopSelectionEndSeconds(), 8);
    EXPECT_EQ(c.loopRange(), std::nullopt) << "editing the selection applies nothing";

    c.setLoopStartMeasure(2);
    EXPECT_EQ(c.loopRange(), (MIDILoopRange{2, 8}));
    c.setLoopEndMeasure(2);
    EXPECT_EQ(c.loopRange(), (MIDILoopRange{2, 4}));
    EXPECT_EQ(c.loopSelectionMeasures(), (PracticeSessionStore::MeasureRange{2, 2}));
    // A start at or after the end takes that whole bar.
    c.setLoopStartMeasure(3);
    EXPECT_EQ(c.loopRange(), (MIDILoopRange{4, 6}));
    c.setLoopEndMeasure(4);
    EXPECT_EQ(c.loopRange(), (MIDILoopRange{4, 8})) << "the last bar ends with the song";
    c.setLoopStartMeasure(9);
    EXPECT_EQ(c.loopRange(), (MIDILoopRange{4, 8}));

    c.updateLoop(MIDILoopRange{5, 3});
    EXPECT_EQ(c.lastImportError(), "O trecho de loop é inválido.");
    EXPECT_EQ(c.loopRange(), (MIDILoopRange{4, 8}));
    c.updateLoop(std::nullopt);
    EXPECT_EQ(c.loopRange(), std::nullopt);
}

TEST_F(LoopsTest, ASavedLoopCountsItsPassesAndASecondSaveKeepsItsProgress)
{
    auto& c = openFourBars();
    c.setPlaybackRate(2.0);
    c.setLoopStartMeasure(1);
    c.setLoopEndMeasure(1);
    ASSERT_TRUE(c.canSaveCurrentLoop());
    const auto saved = c.saveCurrentLoop("Começo");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->startMeasure, 1);
    EXPECT_EQ(saved->endMeasure, 1);
    EXPECT_EQ(c.activeLoopBookmarkID(), saved->id());

    // One pass of the 2-second bar takes a second at double speed.
    ASSERT_TRUE(processEventsUntil([&] { return c.loopRepetitions() >= 2; }, 5s));
    c.togglePlayback();
    const auto stored = stores->loops.bookmarks(song());
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].repetitions, c.loopRepetitions());
    EXPECT_TRUE(stored[0].lastPracticedAt);
    EXPECT_GT(stored[0].metrics.activeDurationSeconds, 1.5);

    // Re-applying the same loop goes on counting.
    const auto repetitions = c.loopRepetitions();
    c.updateLoop(MIDILoopRange{0, 2});
    EXPECT_EQ(c.loopRepetitions(), repetitions);

    // Saving the same bars again renames the loop and keeps what was practised.
    const auto again = c.saveCurrentLoop("Abertura");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->id(), saved->id());
    EXPECT_EQ(again->name, "Abertura");
    EXPECT_EQ(again->repetitions, repetitions);
    ASSERT_EQ(stores->loops.bookmarks(song()).size(), 1u);

    // A loop that differs by less than 0.01 s at both ends is the saved one.
    c.updateLoop(std::nullopt);
    EXPECT_EQ(c.activeLoopBookmarkID(), std::nullopt);
    c.updateLoop(MIDILoopRange{0.005, 1.995});
    EXPECT_EQ(c.activeLoopBookmarkID(), saved->id());
    c.updateLoop(MIDILoopRange{0.02, 2});
    EXPECT_EQ(c.activeLoopBookmarkID(), std::nullopt);

    c.updateLoop(MIDILoopRange{0, 2});
    c.deleteLoop(*again);
    EXPECT_EQ(c.activeLoopBookmarkID(), std::nullopt);
    EXPECT_TRUE(stores->loops.bookmarks(song()).empty());
}

TEST_F(LoopsTest, ASaveTheLimitLeavesOutIsReportedAsNoSave)
{
    loopsPerSong = 1;
    auto& c = openFourBars();
    c.setLoopStartMeasure(1);
    c.setLoopEndMeasure(1);
    ASSERT_TRUE(c.saveCurrentLoop(""));
    c.setLoopStartMeasure(3);
    c.setLoopEndMeasure(3);
    EXPECT_EQ(c.saveCurrentLoop("Fim"), std::nullopt) << "the store kept only the first loop";
    const auto stored = stores->loops.bookmarks(song());
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].startMeasure, 1);
    EXPECT_EQ(c.activeLoopBookmarkID(), std::nullopt);
}

} // namespace
