// The practice page on its own, 258 wide as the inspector shows it, on the
// X server of the test: a restored session with its breakdown, the engine's
// instrument row and the statistics of a few live notes. Kept as a picture
// for a reviewer.
#include <gtest/gtest.h>

#include <QScrollArea>
#include <QtTest/QTest>

#include <iostream>

#include "CorvaneApp/ControllerHarness.hpp"
#include "CorvaneApp/inspector/PracticeInspectorTab.hpp"
#include "CorvaneApp/inspector/PracticeReadouts.hpp"
#include "CorvaneApp/session/PracticeSessionStoreProbe.hpp"
#include "CorvaneApp/window/AppDelegate.hpp"
#include "support/QtEventLoop.hpp"

using namespace corvane;
using namespace std::chrono_literals;

TEST(PracticeInspectorScreenshot, PageWithSongEngineBreakdownAndMIDIStatistics)
{
    AppDelegate look;
    ControllerHarness harness(true);
    auto& c = harness.controller();

    const auto file = harness.songFile(16, "Noturno");
    const auto reference = PracticeSongReference::externalFile(file.string());
    VisualPreset preset = PracticeSessionStore::builtInVisualPreset();
    PersistedPracticeSession session(UUID::random(), "Noturno", reference, Date::now(), Date::now(), 0, 1,
                                     std::nullopt, PracticeMode::practice, PracticeHand::right, 12, preset,
                                     PracticeMetrics(1542.4, 1234, 871, 164, 121, 78));
    c.loadMIDI(file, std::nullopt, reference, session);
    ASSERT_EQ(c.lastImportError(), std::nullopt);
    c.setCountInEnabled(true);
    c.setCountInMeasureCount(2);

    PracticeInspectorTab page(c);
    page.resize(258, 1240);
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));

    // Live notes, a little late: they bring the MIDI statistics.
    for (std::uint64_t i = 0; i < 24; ++i) {
        const auto now = MIDIInputEvent(1, 0, 0, MIDIInputMessage::NoteOff{60, 0}).timestamp;
        const auto ago = std::uint64_t(1'500'000 + 250'000 * (i % 7));
        PracticeSessionStoreProbe::handleMIDIInput(c, MIDIInputEvent(1, now - ago, 0, MIDIInputMessage::NoteOff{60, 0}));
    }
    ASSERT_TRUE(c.midiLatencyStatistics().has_value());
    processEventsFor(600ms);
    EXPECT_TRUE(page.midiGroup().isVisible());
    EXPECT_TRUE(page.sessionGroup().breakdownColumn().isVisible());
    EXPECT_TRUE(page.soundRowStack().isVisible());
    EXPECT_EQ(page.sessionGroup().playedNotesRow().value(), "1.234");
    // Everything fits this height: the picture shows the whole column.
    EXPECT_LE(page.scrollArea().widget()->sizeHint().height(), page.height());

    const QString path = QStringLiteral(BRELMO_SCREENSHOT_FOLDER "/practice-inspector-page.png");
    ASSERT_TRUE(page.grab().save(path));
    std::cout << "practice page picture: " << path.toStdString() << "\n";
}
