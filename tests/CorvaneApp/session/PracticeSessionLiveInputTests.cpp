// A student's JACK MIDI keyboard played into the controller: grading, metrics,
// feedback, the wait mode's hold and release, and the count-in.
#include <gtest/gtest.h>

#include "SessionTestSupport.hpp"
#include "VirtualMIDIDevices.hpp"
#include "support/JackTestClient.hpp"

using namespace corvane;
using namespace std::chrono_literals;

namespace {

class LiveInputTest : public SessionTest {
protected:
    void SetUp() override
    {
        keyboard = std::make_unique<JackTestKeyboard>("Student Keys");
        SessionTest::SetUp();
        ASSERT_TRUE(processEventsUntil(
            [&] {
                monitor->refresh();
                return endpointNamed(monitor->sources(), "Student Keys:out") != nullptr;
            },
            5s));
    }
    void TearDown() override
    {
        SessionTest::TearDown();
        keyboard.reset();
    }
    // Presses a key and waits until the controller has graded it.
    void press(PracticeSessionStore& c, std::uint8_t note)
    {
        const auto played = c.sessionMetrics().playedNoteCount;
        keyboard->send({0x90, note, 90});
        ASSERT_TRUE(processEventsUntil([&] { return c.sessionMetrics().playedNoteCount != played; }, 3s))
            << int(note);
        keyboard->send({0x80, note, 0});
    }
    std::unique_ptr<JackTestKeyboard> keyboard;
};

TEST_F(LiveInputTest, WaitModeHoldsUntilTheChordIsPlayedInAnyOrder)
{
    auto& c = makeController();
    c.setPracticeMode(PracticeMode::wait);
    // A lead-in beat, then a two-note chord at 0.5 s, then a single note.
    c.loadMIDI(songs.write("chord.mid", score({{{1, 1, 64}, {1, 1, 67}, {3, 1, 72}}})));
    ASSERT_TRUE(processEventsUntil([&] { return c.isWaitingForInput(); }, 5s));
    EXPECT_TRUE(c.isPlaying()) << "waiting counts as playing";
    EXPECT_DOUBLE_EQ(c.playbackPositionSeconds(), 0.5);
    EXPECT_EQ(c.waitingNotes(), (std::vector<std::uint8_t>{64, 67}));

    press(c, 61);
    EXPECT_EQ(c.latestPracticeFeedback()->feedback.kind, PracticeFeedbackKind::incorrect);
    EXPECT_TRUE(c.isWaitingForInput());
    press(c, 67);
    EXPECT_EQ(c.latestPracticeFeedback()->feedback.kind, PracticeFeedbackKind::correct);
    EXPECT_EQ(c.waitingNotes(), (std::vector<std::uint8_t>{64}));
    press(c, 64);
    EXPECT_FALSE(c.isWaitingForInput()) << "the whole chord releases the hold";
    ASSERT_TRUE(processEventsUntil([&] { return c.playbackPositionSeconds() > 0.7; }, 3s));

    const auto metrics = c.sessionMetrics();
    EXPECT_EQ(metrics.playedNoteCount, 3);
    EXPECT_EQ(metrics.correctCount, 2);
    EXPECT_EQ(metrics.incorrectCount, 1);
    // Feedback and impact of one key press share their number, and it rises.
    ASSERT_TRUE(c.latestPracticeFeedback());
    const auto& impacts = c.visualImpactEvents();
    const auto own = std::find_if(impacts.begin(), impacts.end(), [&](const VisualImpactEvent& e) {
        return e.sequence == c.latestPracticeFeedback()->sequence;
    });
    ASSERT_NE(own, impacts.end());
    EXPECT_EQ(own->midiNote, 64);
    EXPECT_DOUBLE_EQ(own->hue, 0.34) << "a correct note flashes green outside accompaniment";
    ASSERT_TRUE(c.midiLatencyStatistics());
    EXPECT_GE(c.midiLatencyStatistics()->sampleCount, 6);

    // The next target holds again; a seek there leaves the held wait behind.
    ASSERT_TRUE(processEventsUntil([&] { return c.isWaitingForInput(); }, 5s));
    EXPECT_EQ(c.waitingNotes(), (std::vector<std::uint8_t>{72}));
    c.seek(0.0);
    EXPECT_FALSE(c.isWaitingForInput());
    EXPECT_TRUE(c.isPlaying());
    ASSERT_TRUE(processEventsUntil([&] { return c.isWaitingForInput(); }, 5s)) << "the chord at 0.5 s is awaited again";
    EXPECT_EQ(c.waitingNotes(), (std::vector<std::uint8_t>{64, 67}));
}

TEST_F(LiveInputTest, InALoopWaitModeGoesOnFromEachChordPlayedOnEveryPass)
{
    auto& c = makeController();
    c.setPracticeMode(PracticeMode::wait);
    // Notes at 0.5 s and 1.0 s inside a loop from 0.25 s to 1.25 s.
    c.loadMIDI(songs.write("loop.mid", score({{{1, 0.5, 64}, {2, 0.5, 65}, {3, 0.5, 67}}})));
    ASSERT_TRUE(waitForClock());
    c.updateLoop(MIDILoopRange{0.25, 1.25});
    ASSERT_EQ(c.loopRange(), (MIDILoopRange{0.25, 1.25}));
    // A wait seeks the transport, which counts the passes afresh: the pass
    // after the first must not take that for a return to the loop's start.
    for (int pass = 0; pass < 3; ++pass) {
        ASSERT_TRUE(processEventsUntil([&] { return c.isWaitingForInput(); }, 5s));
        EXPECT_EQ(c.waitingNotes(), (std::vector<std::uint8_t>{64})) << "pass " << pass;
        press(c, 64);
        ASSERT_TRUE(processEventsUntil([&] { return c.isWaitingForInput(); }, 5s));
        EXPECT_EQ(c.waitingNotes(), (std::vector<std::uint8_t>{65})) << "pass " << pass;
        press(c, 65);
    }
}

TEST_F(LiveInputTest, KeysAreGradedAgainstThePositionTheyWerePressedAt)
{
    auto& c = makeController();
    c.setPracticeMode(PracticeMode::practice);
    // Long notes every second so that a press lands near one of them.
    std::vector<ScoreNote> notes;
    for (int i = 0; i < 12; ++i) notes.push_back({2.0 * i, 2, 60});
    c.loadMIDI(songs.write("pulse.mid", score({notes})));
    ASSERT_TRUE(processEventsUntil([&] { return c.playbackPositionSeconds() > 0.95; }, 5s));
    // Waiting for the next second mark and pressing then: correct, within 0.12 s.
    ASSERT_TRUE(processEventsUntil([&] { return c.playbackPositionSeconds() > 1.99; }, 5s));
    press(c, 60);
    EXPECT_NE(c.latestPracticeFeedback()->feedback.kind, PracticeFeedbackKind::incorrect);
    EXPECT_EQ(c.latestPracticeFeedback()->feedback.expectedNote, 60);
    press(c, 30);
    EXPECT_EQ(c.latestPracticeFeedback()->feedback.kind, PracticeFeedbackKind::incorrect);
    const auto sequence = c.latestPracticeFeedback()->sequence;
    const auto& impacts = c.visualImpactEvents();
    const auto own = std::find_if(impacts.begin(), impacts.end(),
                                  [&](const VisualImpactEvent& e) { return e.sequence == sequence; });
    ASSERT_NE(own, impacts.end());
    EXPECT_DOUBLE_EQ(own->hue, 0.0) << "an incorrect note flashes red";
    EXPECT_EQ(c.sessionMetrics().playedNoteCount, 2);
}

TEST_F(LiveInputTest, DuringACountInKeysSoundAndFlashButAreNotCounted)
{
    std::vector<bool> clicks;
    // The count-in's waits are real time here: long enough to press a key in.
    auto& c = makeController({}, [&](bool accented) { clicks.push_back(accented); });
    c.setCountInEnabled(true);
    c.setCountInMeasureCount(1);
    c.loadMIDI(songs.write("song.mid", score({{{0, 4, 60}}})));
    ASSERT_TRUE(c.countInProgress());
    EXPECT_FALSE(c.isPlaying());
    const auto impacts = c.visualImpactEvents().size();
    keyboard->send({0x90, 60, 90});
    ASSERT_TRUE(processEventsUntil([&] { return c.visualImpactEvents().size() > impacts; }, 3s));
    EXPECT_EQ(c.latestPracticeFeedback(), std::nullopt);
    EXPECT_EQ(c.sessionMetrics().playedNoteCount, 0);
    EXPECT_DOUBLE_EQ(c.visualImpactEvents().back().hue, c.visualPreset().accentHue);

    ASSERT_TRUE(processEventsUntil([&] { return !c.countInProgress(); }, 5s));
    EXPECT_TRUE(c.isPlaying());
    EXPECT_EQ(clicks, (std::vector<bool>{true, false, false, false}));
}

} // namespace
