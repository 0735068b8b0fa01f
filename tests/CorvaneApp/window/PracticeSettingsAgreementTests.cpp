// One practice setting seen from every place that shows or uses it: the
// settings window, the inspector and the controller's grading.
#include <gtest/gtest.h>

#include "CorvaneApp/inspector/PracticeInspectorTab.hpp"
#include "CorvaneApp/kit/StudioParameterRow.hpp"
#include "CorvaneApp/session/PracticeSessionStoreProbe.hpp"
#include "CorvaneApp/settings/SettingsPracticeForm.hpp"
#include "CorvaneApp/settings/SettingsView.hpp"
#include "WindowTestSupport.hpp"

using namespace corvane;

TEST(PracticeSettingsAgreement, ARestoredLatencyIsTheOneShownAndGradedAndTheFileIsLeftAlone)
{
    const std::string key = practiceSettings::inputLatencyMilliseconds.key;
    ControllerHarness harness(true);
    {
        auto& first = harness.controller();
        first.setPracticeMode(PracticeMode::practice);
        first.setInputLatencyMilliseconds(80);
        harness.openSong(4); // a note a bar, every 2 s
        first.seek(1.95);
        first.flushProgress();
    }
    // The settings file says 20 ms: edited by hand, or left so by an earlier version.
    harness.defaults().setDouble(key, 20);
    auto& c = harness.restart();
    ASSERT_TRUE(c.currentSong());
    ASSERT_NEAR(c.playbackPositionSeconds(), 1.95, 1e-6);

    int writes = 0;
    QObject::connect(&harness.defaults(), &DefaultsStore::valueChanged, [&](const QString& changed) {
        if (changed == QString::fromStdString(key)) ++writes;
    });
    SettingsView window(c, nullptr, nullptr, {});
    PracticeInspectorTab page(c, {});
    const auto shown = [&](const QString& text) {
        EXPECT_EQ(window.practiceForm()->latencyRow()->readoutText(), text);
        EXPECT_EQ(page.latencyRow().readoutText(), text);
    };
    // The session's latency in use, everywhere, the file untouched.
    EXPECT_EQ(c.inputLatencyMilliseconds(), 80);
    shown("80 ms");
    EXPECT_EQ(harness.defaults().doubleValue(key), 20);

    // A key 50 ms before the note at 2 s: the stored setting is taken up
    // as it is played, so 80 ms would grade it early and 20 ms grades it correct.
    PracticeSessionStoreProbe::handleMIDIInput(c, MIDIInputEvent(1, 0, 0, MIDIInputMessage::NoteOn{61, 90}));
    ASSERT_TRUE(c.latestPracticeFeedback());
    EXPECT_EQ(c.latestPracticeFeedback()->feedback.kind, PracticeFeedbackKind::correct);
    EXPECT_EQ(c.inputLatencyMilliseconds(), 20);
    shown("20 ms");
    EXPECT_EQ(writes, 0) << "neither restoring nor grading writes the setting";
    EXPECT_EQ(harness.defaults().doubleValue(key), 20);

    // A move in either place shows in the other and grades at once.
    c.setInputLatencyMilliseconds(90);
    shown("90 ms");
    c.seek(1.95);
    PracticeSessionStoreProbe::handleMIDIInput(c, MIDIInputEvent(1, 0, 0, MIDIInputMessage::NoteOn{61, 90}));
    EXPECT_EQ(c.latestPracticeFeedback()->feedback.kind, PracticeFeedbackKind::early);
}

TEST(PracticeSettingsAgreement, ASplitChangedInTheWindowRegradesWithoutATick)
{
    ControllerHarness harness(true);
    auto& c = harness.controller();
    c.setPracticeMode(PracticeMode::practice);
    c.setPracticeHand(PracticeHand::right);
    harness.openSong(4);
    SettingsView window(c, nullptr, nullptr, {});
    // Bar 2's note is 61: the right hand's with the split at 60, not at 62.
    c.seek(2.0);
    PracticeSessionStoreProbe::handleMIDIInput(c, MIDIInputEvent(1, 0, 0, MIDIInputMessage::NoteOn{61, 90}));
    EXPECT_EQ(c.latestPracticeFeedback()->feedback.kind, PracticeFeedbackKind::correct);
    c.setHandSplitNote(62);
    EXPECT_EQ(window.practiceForm()->splitRow()->readoutText(), QStringLiteral("62"));
    c.seek(2.0);
    PracticeSessionStoreProbe::handleMIDIInput(c, MIDIInputEvent(1, 0, 0, MIDIInputMessage::NoteOn{61, 90}));
    EXPECT_EQ(c.latestPracticeFeedback()->feedback.kind, PracticeFeedbackKind::incorrect)
        << "the left hand's note is not the student's now";
}
