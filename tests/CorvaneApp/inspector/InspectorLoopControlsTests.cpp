// The "Trechos" section on the real controller, a song of 10 bars of 2 s
// each, with the engine on the JACK dummy server (loops and seeking need it).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <QtTest/QTest>

#include <cmath>
#include <limits>

#include "CorvaneApp/ControllerHarness.hpp"
#include "CorvaneApp/inspector/InspectorLoopControls.hpp"
#include "CorvaneApp/inspector/SavedLoopRow.hpp"
#include "CorvaneApp/kit/StudioChipButton.hpp"
#include "CorvaneApp/kit/StudioMenuRow.hpp"
#include "CorvaneApp/kit/StudioSection.hpp"
#include "CorvaneApp/kit/StudioStepperRow.hpp"
#include "CorvaneApp/kit/StudioSwitch.hpp"
#include "CorvaneApp/kit/StudioTrackSlider.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "support/QtEventLoop.hpp"

using namespace corvane;

namespace {

QPoint pointOf(const StudioTrackSlider& slider, double value)
{
    const double span = slider.upper() - slider.lower();
    const double fraction = span > 0 ? (value - slider.lower()) / span : 0;
    return QPoint(int(std::lround(7 + fraction * (slider.width() - 14))), slider.height() / 2);
}

PracticeLoopBookmark bookmark(std::int64_t start, std::int64_t end, std::string name = "", std::int64_t repetitions = 0,
                              PracticeMetrics metrics = PracticeMetrics::zero())
{
    return PracticeLoopBookmark(UUID::random(), start, end, std::move(name), metrics, repetitions, std::nullopt);
}

} // namespace

class InspectorLoopControlsTest : public ::testing::Test {
protected:
    PracticeSessionStore& c() { return harness.controller(); }
    std::string song() { return c().currentSongReference()->stableID(); }
    void show()
    {
        section.resize(258 - 28, 600);
        section.show();
        section.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&section));
    }
    // Lets rows removed during a click go.
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    std::optional<PracticeLoopBookmark> stored(const UUID& id)
    {
        for (const auto& loop : c().loopStore().bookmarks(song()))
            if (loop.id() == id) return loop;
        return std::nullopt;
    }
    void drag(StudioTrackSlider& slider, std::initializer_list<double> values)
    {
        bool first = true;
        for (double value : values) {
            if (first) QTest::mousePress(&slider, Qt::LeftButton, {}, pointOf(slider, value));
            else QTest::mouseMove(&slider, pointOf(slider, value));
            first = false;
        }
        QTest::mouseRelease(&slider, Qt::LeftButton, {}, pointOf(slider, *(values.end() - 1)));
    }

    ControllerHarness harness{true};
    InspectorLoopControls* placed = new InspectorLoopControls(harness.controller());
    InspectorLoopControls& controls = *placed;
    StudioSection section{QStringLiteral("Trechos"), std::nullopt, placed, placed->accessory()};
};

TEST_F(InspectorLoopControlsTest, WithoutSongTheInvitationShowsAndTheSwitchFollowsTheActiveLoop)
{
    show();
    EXPECT_TRUE(controls.emptyText().isVisible());
    EXPECT_EQ(controls.emptyText().text(), QStringLiteral("Abra uma música para selecionar um trecho."));
    EXPECT_FALSE(controls.editor().isVisible());
    EXPECT_FALSE(controls.repeatSwitch().isEnabled());
    EXPECT_EQ(controls.accessory()->parentWidget(), section.header());
    EXPECT_EQ(controls.repeatSwitch().toolTip(), QStringLiteral("Repetir o trecho marcado"));
    controls.nudgeStart(1);
    EXPECT_EQ(c().loopSelectionStartSeconds(), 0) << "nudging without a song does nothing";

    harness.openSong(10);
    EXPECT_FALSE(controls.emptyText().isVisible());
    EXPECT_TRUE(controls.editor().isVisible());
    ASSERT_TRUE(controls.repeatSwitch().isEnabled());
    EXPECT_FALSE(controls.repeatSwitch().isChecked());
    EXPECT_FALSE(controls.saveButton().isEnabled()) << "nothing active to save";
    EXPECT_TRUE(controls.savedEmptyText().isVisible());

    QTest::mouseClick(&controls.repeatSwitch(), Qt::LeftButton);
    EXPECT_EQ(c().loopRange(), (MIDILoopRange{0, 20})) << "the whole song was the selection";
    EXPECT_TRUE(controls.repeatSwitch().isChecked());
    EXPECT_TRUE(controls.saveButton().isEnabled());
    QTest::mouseClick(&controls.repeatSwitch(), Qt::LeftButton);
    EXPECT_EQ(c().loopRange(), std::nullopt);
    EXPECT_FALSE(controls.repeatSwitch().isChecked());
    // The selection stays while repetition is off.
    EXPECT_EQ(controls.endMeasureText().text(), "10");
    c().updateLoop(MIDILoopRange{2, 4});
    EXPECT_TRUE(controls.repeatSwitch().isChecked()) << "a loop applied elsewhere shows";
}

TEST_F(InspectorLoopControlsTest, SlidersPickMeasuresAndPushTheOtherEnd)
{
    show();
    harness.openSong(10);
    auto& start = controls.startSlider();
    auto& end = controls.endSlider();
    EXPECT_EQ(start.lower(), 1);
    EXPECT_EQ(start.upper(), 10);
    EXPECT_EQ(start.value(), 1);
    EXPECT_EQ(end.value(), 10);
    EXPECT_EQ(controls.startMeasureText().text(), "1");
    EXPECT_EQ(controls.endMeasureText().text(), "10");

    drag(end, {10, 6, 3});
    EXPECT_EQ(c().loopRange(), (MIDILoopRange{0, 6}));
    EXPECT_EQ(end.value(), 3);
    EXPECT_EQ(controls.endMeasureText().text(), "3");
    // A start at or after the end takes that whole bar.
    drag(start, {1, 5});
    EXPECT_EQ(c().loopRange(), (MIDILoopRange{8, 10}));
    EXPECT_EQ(controls.startMeasureText().text(), "5");
    EXPECT_EQ(controls.endMeasureText().text(), "5");
    // An end at or before the start takes that bar from its beginning.
    drag(end, {5, 2});
    EXPECT_EQ(c().loopRange(), (MIDILoopRange{2, 4}));
    EXPECT_EQ(start.value(), 2);
    EXPECT_EQ(end.value(), 2);
    EXPECT_EQ(controls.startStepper().readout(), "0:02,00");
    EXPECT_EQ(controls.endStepper().readout(), "0:04,00");

    harness.openSong(1, "Um");
    EXPECT_EQ(start.lower(), 1);
    EXPECT_EQ(start.upper(), 1);
    EXPECT_EQ(end.upper(), 1);
    EXPECT_EQ(controls.startMeasureText().text(), "1");
    EXPECT_EQ(controls.endMeasureText().text(), "1");
}

TEST_F(InspectorLoopControlsTest, FlagsMarkThePlaybackPositionAndSteppersMoveByTheStoredStep)
{
    show();
    harness.openSong(10);
    c().seek(5);
    QTest::mouseClick(&controls.startMarkButton(), Qt::LeftButton);
    EXPECT_EQ(c().loopRange(), (MIDILoopRange{5, 20}));
    c().seek(13);
    QTest::mouseClick(&controls.endMarkButton(), Qt::LeftButton);
    EXPECT_EQ(c().loopRange(), (MIDILoopRange{5, 13}));
    EXPECT_EQ(controls.startMarkButton().systemImage(), "flag.fill");
    EXPECT_EQ(controls.endMarkButton().systemImage(), "flag.checkered");
    EXPECT_EQ(controls.endMarkButton().toolTip(), "Marcar o fim do trecho onde a música está agora");

    EXPECT_EQ(controls.stepRow().value(), "50 ms");
    const auto steps = controls.stepRow().menu()->actions();
    ASSERT_EQ(steps.size(), 5);
    QStringList titles;
    for (auto step : steps) titles << step->text();
    EXPECT_EQ(titles, (QStringList{"10 ms", "50 ms", "100 ms", "250 ms", "500 ms"}));
    steps[3]->trigger();
    EXPECT_EQ(harness.defaults().doubleValue(practiceSettings::loopNudgeStepSeconds.key), 0.25);
    EXPECT_EQ(controls.stepRow().value(), "250 ms");
    QTest::mouseClick(controls.startStepper().incrementButton(), Qt::LeftButton);
    QTest::mouseClick(controls.endStepper().decrementButton(), Qt::LeftButton);
    EXPECT_EQ(c().loopRange(), (MIDILoopRange{5.25, 12.75}));
    EXPECT_EQ(controls.startStepper().readout(), "0:05,25");
    EXPECT_EQ(controls.endStepper().readout(), "0:12,75");
    QTest::mouseClick(controls.startStepper().decrementButton(), Qt::LeftButton);
    EXPECT_EQ(c().loopSelectionStartSeconds(), 5);

    // A step that is no step is refused: nothing stored, the step as it was.
    for (const double bad : {std::numeric_limits<double>::quiet_NaN(), -1.0, 0.0,
                             std::numeric_limits<double>::infinity()})
        c().setLoopNudgeStepSeconds(bad);
    EXPECT_EQ(c().loopNudgeStepSeconds(), 0.25);
    EXPECT_EQ(controls.stepRow().value(), "250 ms");
    EXPECT_EQ(harness.defaults().doubleValue(practiceSettings::loopNudgeStepSeconds.key), 0.25);
}

TEST_F(InspectorLoopControlsTest, SavingActivatingAndTheActiveMark)
{
    show();
    harness.openSong(10);
    c().setLoopStartMeasure(3);
    c().setLoopEndMeasure(4);
    QTest::mouseClick(&controls.saveButton(), Qt::LeftButton);
    ASSERT_EQ(controls.savedRows().size(), 1u);
    EXPECT_FALSE(controls.savedEmptyText().isVisible());
    SavedLoopRow* first = controls.savedRows()[0];
    EXPECT_EQ(first->activateButton().name(), "Compassos 3–4");
    EXPECT_TRUE(first->isActive());
    EXPECT_EQ(first->activateButton().systemImage(), "repeat.circle.fill");
    EXPECT_EQ(c().loopStore().bookmarks(song())[0].name, "") << "saved without a name";

    c().setLoopStartMeasure(6);
    c().setLoopEndMeasure(6);
    QTest::mouseClick(&controls.saveButton(), Qt::LeftButton);
    ASSERT_EQ(controls.savedRows().size(), 2u);
    SavedLoopRow* second = controls.savedRows()[1];
    EXPECT_EQ(controls.savedRows()[0], first) << "the first row is kept, not rebuilt";
    EXPECT_EQ(controls.rowsCreated(), 2);
    EXPECT_FALSE(first->isActive());
    EXPECT_TRUE(second->isActive());
    EXPECT_EQ(first->activateButton().systemImage(), "repeat.circle");

    // Activation: the selection, then the loop, then the loop's start.
    c().seek(1);
    ASSERT_EQ(c().playbackPositionSeconds(), 1);
    QStringList calls;
    QObject::connect(&c(), &PracticeSessionStore::loopSelectionStartSecondsChanged, &controls,
                     [&] { calls << "selection"; });
    QObject::connect(&c(), &PracticeSessionStore::loopRangeChanged, &controls, [&] { calls << "loop"; });
    QObject::connect(&c(), &PracticeSessionStore::playbackPositionSecondsChanged, &controls,
                     [&] { calls << QString("position %1").arg(c().playbackPositionSeconds()); });
    QTest::mouseClick(&first->activateButton(), Qt::LeftButton);
    EXPECT_EQ(calls, (QStringList{"selection", "loop", "position 4"}))
        << "the position before the loop stays until the seek";
    EXPECT_EQ(c().loopRange(), (MIDILoopRange{4, 8}));
    EXPECT_TRUE(first->isActive());
    EXPECT_FALSE(second->isActive());

    // The mark tolerates less than 0.01 s at each end, however the loop came.
    c().updateLoop(MIDILoopRange{10.005, 11.995});
    EXPECT_TRUE(second->isActive());
    c().updateLoop(MIDILoopRange{10.02, 12});
    EXPECT_FALSE(second->isActive());
    EXPECT_FALSE(first->isActive());
}

TEST_F(InspectorLoopControlsTest, RenamingInPlace)
{
    show();
    harness.openSong(10);
    c().setLoopStartMeasure(5);
    c().setLoopEndMeasure(8);
    ASSERT_TRUE(c().saveCurrentLoop(""));
    SavedLoopRow* row = controls.savedRows().at(0);
    const UUID id = row->bookmark().id();
    QLineEdit& field = row->renameField();
    EXPECT_EQ(row->renameButton().systemImage(), "pencil");
    EXPECT_EQ(row->renameButton().toolTip(), "Renomear");
    EXPECT_EQ(row->renameButton().focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(row->moreButton().focusPolicy(), Qt::NoFocus);

    // Return stores the trimmed text, once.
    QTest::mouseClick(&row->renameButton(), Qt::LeftButton);
    ASSERT_TRUE(row->isRenaming());
    EXPECT_TRUE(field.isVisible());
    EXPECT_TRUE(field.hasFocus());
    EXPECT_FALSE(row->activateButton().isVisible());
    EXPECT_EQ(field.text(), "");
    EXPECT_EQ(field.placeholderText(), "Compassos 5–8");
    EXPECT_EQ(row->renameButton().systemImage(), "checkmark");
    EXPECT_EQ(row->renameButton().toolTip(), "Confirmar nome");
    field.insert(QStringLiteral("  Refrão ")); // typed; keyClicks knows only ASCII
    auto revision = c().progressRevision();
    QTest::keyClick(&field, Qt::Key_Return);
    EXPECT_FALSE(row->isRenaming());
    EXPECT_EQ(stored(id)->name, "Refrão");
    EXPECT_EQ(c().progressRevision(), revision + 1) << "the focus leaving the hidden field renames nothing more";
    EXPECT_EQ(row->activateButton().name(), "Refrão");
    EXPECT_EQ(row->activateButton().toolTip(),
              "Ativar este trecho e voltar ao começo dele · Compassos 5–8 · 4 compassos");
    EXPECT_EQ(controls.savedRows().at(0), row);

    // Confirming the same text calls nothing.
    QTest::mouseClick(&row->renameButton(), Qt::LeftButton);
    EXPECT_EQ(field.text(), "Refrão");
    revision = c().progressRevision();
    QTest::mouseClick(&row->renameButton(), Qt::LeftButton);
    EXPECT_FALSE(row->isRenaming());
    EXPECT_EQ(c().progressRevision(), revision);

    // The controller stores names trimmed.
    c().renameLoop(*stored(id), "  Coda \n");
    EXPECT_EQ(stored(id)->name, "Coda");
    // A leading space stored by an earlier version, confirmed unchanged, is trimmed away.
    c().loopStore().rename(id, " Ponte", song());
    c().resetSessionMetrics(); // the rows read the store again
    QTest::mouseClick(&row->renameButton(), Qt::LeftButton);
    EXPECT_EQ(field.text(), " Ponte") << "the stored name, untrimmed";
    QTest::keyClick(&field, Qt::Key_Return);
    EXPECT_EQ(stored(id)->name, "Ponte");

    // A rename survives the controller's refreshes; losing the focus confirms.
    QTest::mouseClick(&row->renameButton(), Qt::LeftButton);
    field.selectAll();
    QTest::keyClicks(&field, "Meio");
    c().resetSessionMetrics();
    c().updateLoop(MIDILoopRange{0, 2});
    EXPECT_TRUE(row->isRenaming());
    EXPECT_EQ(field.text(), "Meio");
    EXPECT_EQ(controls.savedRows().at(0), row);
    controls.saveButton().setFocusPolicy(Qt::StrongFocus);
    controls.saveButton().setFocus();
    EXPECT_FALSE(row->isRenaming());
    EXPECT_EQ(stored(id)->name, "Meio");

    // Emptied, or only white space: the empty name, and the automatic one shows.
    for (const char* blank : {"", "   "}) {
        QTest::mouseClick(&row->renameButton(), Qt::LeftButton);
        field.selectAll();
        QTest::keyClick(&field, Qt::Key_Backspace);
        if (*blank) QTest::keyClicks(&field, blank);
        QTest::keyClick(&field, Qt::Key_Enter);
        EXPECT_EQ(stored(id)->name, "") << blank;
        EXPECT_EQ(row->activateButton().name(), "Compassos 5–8");
        c().renameLoop(*stored(id), "Meio");
    }
    EXPECT_EQ(row->activateButton().toolTip(), "Ativar este trecho e voltar ao começo dele · Compassos 5–8 · 4 compassos");

    // A rename left open when another song opens touches neither song.
    const std::string first = song();
    QTest::mouseClick(&row->renameButton(), Qt::LeftButton);
    QTest::keyClicks(&field, " nova");
    harness.openSong(10, "Outra");
    settle();
    EXPECT_TRUE(controls.savedRows().empty());
    EXPECT_TRUE(c().savedLoops().empty());
    const auto earlier = c().loopStore().bookmarks(first).at(0);
    EXPECT_EQ(earlier.name, "Meio");
    // The controller itself refuses a loop of a song no longer open.
    c().renameLoop(earlier, "Fora");
    c().resetLoopProgress(earlier);
    c().deleteLoop(earlier);
    ASSERT_EQ(c().loopStore().bookmarks(first).size(), 1u);
    EXPECT_EQ(c().loopStore().bookmarks(first).at(0).name, "Meio");
}

TEST_F(InspectorLoopControlsTest, FiguresMenusResetAndRemove)
{
    harness.openSong(10);
    c().loopStore().add(bookmark(3, 4, "", 3, PracticeMetrics(60, 30, 9, 1, 1, 1)), song());
    c().loopStore().add(bookmark(7, 7, "Fim", 0, PracticeMetrics(45, 0, 0, 0, 0, 0)), song());
    c().resetSessionMetrics(); // brings the rows over
    show();
    ASSERT_EQ(controls.savedRows().size(), 2u);
    SavedLoopRow* practised = controls.savedRows()[0];
    SavedLoopRow* fresh = controls.savedRows()[1];
    EXPECT_EQ(practised->activateButton().repetitionsText(), "3×");
    EXPECT_EQ(practised->activateButton().accuracyText(), "75%");
    EXPECT_EQ(practised->activateButton().toolTip(), "Ativar este trecho e voltar ao começo dele · 2 compassos · 12 "
                                                     "notas avaliadas em 3 repetições");
    EXPECT_EQ(fresh->activateButton().repetitionsText(), "");
    EXPECT_EQ(fresh->activateButton().accuracyText(), "");
    EXPECT_EQ(fresh->activateButton().toolTip(),
              "Ativar este trecho e voltar ao começo dele · Compasso 7 · 1 compassos");

    // Both menus hold the same two actions; reset is off with nothing to reset,
    // active time notwithstanding.
    for (SavedLoopRow* row : {practised, fresh}) {
        const auto more = row->moreMenu().actions();
        ASSERT_EQ(more.size(), 3);
        EXPECT_EQ(more[0], &row->resetAction());
        EXPECT_TRUE(more[1]->isSeparator());
        EXPECT_EQ(more[2], &row->removeAction());
        EXPECT_EQ(row->contextMenu().actions(), (QList<QAction*>{&row->resetAction(), &row->removeAction()}));
        EXPECT_EQ(row->resetAction().text(), "Zerar desempenho");
        EXPECT_EQ(row->removeAction().text(), "Remover trecho");
        EXPECT_EQ(row->moreButton().toolTip(), "Mais ações para este trecho");
    }
    EXPECT_TRUE(practised->resetAction().isEnabled());
    EXPECT_FALSE(fresh->resetAction().isEnabled());

    const UUID practisedID = practised->bookmark().id();
    practised->resetAction().trigger();
    EXPECT_EQ(stored(practisedID)->repetitions, 0);
    EXPECT_EQ(practised->activateButton().repetitionsText(), "");
    EXPECT_EQ(practised->activateButton().accuracyText(), "");
    EXPECT_FALSE(practised->resetAction().isEnabled());

    fresh->removeAction().trigger();
    settle();
    ASSERT_EQ(controls.savedRows().size(), 1u);
    EXPECT_EQ(controls.savedRows()[0]->bookmark().id(), practisedID);
    EXPECT_EQ(c().loopStore().bookmarks(song()).size(), 1u);
    controls.savedRows()[0]->removeAction().trigger();
    settle();
    EXPECT_TRUE(controls.savedRows().empty());
    EXPECT_TRUE(controls.savedEmptyText().isVisible());
}

TEST_F(InspectorLoopControlsTest, StoredLoopsThatDoNotFitTheSong)
{
    harness.openSong(20);
    auto longName = bookmark(2, 3, std::string(10000, 'x'));
    auto twoLines = bookmark(4, 4, "Primeira linha\nsegunda");
    auto outside = bookmark(900, 950);
    for (const auto& loop : {longName, twoLines, outside}) c().loopStore().add(loop, song());
    c().resetSessionMetrics();
    show();
    ASSERT_EQ(controls.savedRows().size(), 3u);
    for (int i = 0; i < 2; ++i) {
        const auto& button = controls.savedRows()[i]->activateButton();
        EXPECT_TRUE(button.shownName().endsWith(QChar(0x2026))) << i;
        EXPECT_FALSE(button.shownName().contains('\n'));
        EXPECT_LE(button.width(), controls.width());
        EXPECT_EQ(controls.savedRows()[i]->height(), controls.savedRows()[2]->height()) << "one line";
    }
    EXPECT_TRUE(controls.savedRows()[1]->activateButton().shownName().startsWith("Primeira"));

    SavedLoopRow* far = controls.savedRows()[2];
    EXPECT_EQ(far->activateButton().name(), "Compassos 900–950");
    c().updateLoop(MIDILoopRange{4, 6});
    c().seek(5);
    QTest::mouseClick(&far->activateButton(), Qt::LeftButton);
    EXPECT_EQ(c().loopRange(), (MIDILoopRange{4, 6}));
    EXPECT_EQ(c().playbackPositionSeconds(), 5);
    EXPECT_FALSE(far->isActive());
    c().updateLoop(MIDILoopRange{0, 40});
    EXPECT_FALSE(far->isActive());
}

// Saving again must not erase a name, nor evict one of the user's loops.
TEST_F(InspectorLoopControlsTest, SaveCurrentLoopKeepsNamesAndLoops)
{
    show();
    harness.openSong(10);
    c().setLoopStartMeasure(3);
    c().setLoopEndMeasure(4);
    const auto named = c().saveCurrentLoop("Refrão");
    ASSERT_TRUE(named);
    for (const char* blank : {"", " \n "}) {
        QTest::mouseClick(&controls.saveButton(), Qt::LeftButton);
        const auto again = c().saveCurrentLoop(blank);
        ASSERT_TRUE(again);
        EXPECT_EQ(again->id(), named->id());
        EXPECT_EQ(again->name, "Refrão");
        EXPECT_EQ(c().activeLoopBookmarkID(), named->id());
    }
    EXPECT_EQ(controls.savedRows().at(0)->activateButton().name(), "Refrão");
    EXPECT_EQ(c().saveCurrentLoop("Ponte")->name, "Ponte") << "a real name still renames";

    // Fill the song to the limit with loops beyond its end.
    for (std::int64_t i = 0; i < PracticeLoopStore::applicationMaximumPerSong - 1; ++i)
        c().loopStore().add(bookmark(100 + i, 100 + i), song());
    c().setLoopStartMeasure(1);
    c().setLoopEndMeasure(1);
    const auto full = c().loopStore().bookmarks(song());
    ASSERT_EQ(std::ssize(full), PracticeLoopStore::applicationMaximumPerSong);
    const auto revision = c().progressRevision();
    EXPECT_EQ(c().saveCurrentLoop(""), std::nullopt);
    EXPECT_EQ(c().loopStore().bookmarks(song()), full) << "no loop evicted";
    EXPECT_EQ(c().progressRevision(), revision);
    // A loop already saved is still found when the song is full.
    c().setLoopStartMeasure(3);
    c().setLoopEndMeasure(4);
    const auto existing = c().saveCurrentLoop("");
    ASSERT_TRUE(existing);
    EXPECT_EQ(existing->id(), named->id());
    EXPECT_EQ(existing->name, "Ponte");
}
