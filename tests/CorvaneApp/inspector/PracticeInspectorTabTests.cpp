// The practice page on the real controller: its sections, the guided
// practice and count-in rows, and the session and MIDI read-outs. The
// suite's locale is English C, so the user's own locale groups thousands
// with "," while the pt_BR figures keep ".".
#include <gtest/gtest.h>

#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>
#include <QtTest/QTest>

#include <cmath>
#include <limits>

#include "CorvaneApp/ControllerHarness.hpp"
#include "CorvaneApp/inspector/InspectorLoopControls.hpp"
#include "CorvaneApp/inspector/InspectorTrackControls.hpp"
#include "CorvaneApp/inspector/PracticeInspectorTab.hpp"
#include "CorvaneApp/inspector/PracticeReadouts.hpp"
#include "CorvaneApp/kit/style/SpringAnimation.hpp"
#include "CorvaneApp/kit/style/StudioAccent.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/StudioChipButton.hpp"
#include "CorvaneApp/kit/style/StudioLocale.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"
#include "CorvaneApp/kit/StudioMenuRow.hpp"
#include "CorvaneApp/kit/StudioParameterRow.hpp"
#include "CorvaneApp/kit/StudioSection.hpp"
#include "CorvaneApp/kit/StudioSliderTrack.hpp"
#include "CorvaneApp/kit/StudioSwitch.hpp"
#include "CorvaneApp/kit/StudioTrackSlider.hpp"
#include "CorvaneApp/session/PracticeSessionStoreProbe.hpp"
#include "support/QtEventLoop.hpp"

using namespace corvane;
using namespace std::chrono_literals;

namespace {

QStringList menuTitles(const StudioMenuRow& row)
{
    QStringList titles;
    for (QAction* action : row.menu()->actions()) titles << action->text();
    return titles;
}

QAction* menuItem(const StudioMenuRow& row, const QString& title)
{
    for (QAction* action : row.menu()->actions())
        if (action->text() == title) return action;
    ADD_FAILURE() << "no menu item " << title.toStdString();
    return nullptr;
}

QString sectionTitle(QWidget* element)
{
    if (auto section = qobject_cast<StudioSection*>(element)) return section->title().value_or(QString());
    if (auto group = qobject_cast<InspectorDisclosureGroup*>(element)) return group->labelRow().titleLabel().title();
    return QStringLiteral("—");
}

// Opens the harness's song with a saved session carrying `metrics`, paused.
void restore(ControllerHarness& harness, const PracticeMetrics& metrics)
{
    const auto file = harness.songFile(4, "Restaurada");
    const auto reference = PracticeSongReference::externalFile(file.string());
    PersistedPracticeSession session(UUID::random(), "Restaurada", reference, Date::now(), Date::now(), 0, 1,
                                     std::nullopt, PracticeMode::practice, PracticeHand::both, 12,
                                     PracticeSessionStore::builtInVisualPreset(), metrics);
    harness.controller().loadMIDI(file, std::nullopt, reference, session);
    ASSERT_EQ(harness.controller().lastImportError(), std::nullopt);
    ASSERT_FALSE(harness.controller().isPlaying());
}

struct ShownPage {
    explicit ShownPage(ControllerHarness& harness, std::function<void()> openEditor = {})
        : page(harness.controller(), std::move(openEditor))
    {
        page.resize(258, 900);
        page.show();
        processEventsFor(20ms);
    }
    PracticeInspectorTab page;
};

} // namespace

TEST(PracticeInspectorReadoutFormats, DurationsMillisecondsBreakdownAndNoteNames)
{
    EXPECT_EQ(durationLabel(0), "0:00");
    EXPECT_EQ(durationLabel(59.5), "1:00");
    EXPECT_EQ(durationLabel(754), "12:34");
    EXPECT_EQ(durationLabel(3599.4), "59:59");
    EXPECT_EQ(durationLabel(3599.5), "1:00:00") << "59 min 59.5 s rounds up to the hour";
    EXPECT_EQ(durationLabel(3600), "1:00:00");
    EXPECT_EQ(durationLabel(3723.6), "1:02:04");
    EXPECT_EQ(durationLabel(7384), "2:03:04");
    EXPECT_EQ(durationLabel(-5), "0:00");
    // What a damaged record can hold: finite text, no undefined conversion.
    EXPECT_EQ(durationLabel(1e300), "0:00");
    EXPECT_EQ(durationLabel(-1e300), "0:00");
    EXPECT_EQ(durationLabel(std::numeric_limits<double>::infinity()), "0:00");
    EXPECT_EQ(durationLabel(std::nan("")), "0:00");
    EXPECT_EQ(durationLabel(9.2e18), "2555555555555555:33:20") << "the largest times still fit";

    EXPECT_EQ(millisecondsLabel(3.456), "3,46 ms");
    EXPECT_EQ(millisecondsLabel(12), "12,00 ms");
    EXPECT_EQ(millisecondsLabel(1234.5), "1.234,50 ms");
    EXPECT_EQ(millisecondsLabel(0.004), "0,00 ms");

    const auto breakdown = practiceBreakdown(PracticeMetrics(10, 2, 1, 0, 1, 0));
    EXPECT_EQ(breakdown[0], (PracticeBreakdownEntry{PracticeFeedbackKind::correct, 1}));
    EXPECT_EQ(breakdown[2], (PracticeBreakdownEntry{PracticeFeedbackKind::late, 1}));
    EXPECT_EQ(practiceBreakdownShares(breakdown), (std::array<double, 4>{0.5, 0, 0.5, 0}));
    EXPECT_EQ(practiceBreakdownShares(practiceBreakdown(PracticeMetrics::zero())), (std::array<double, 4>{}))
        << "never divides by 0";
    // Counts whose sum passes the Int64 limit still split the whole in thirds.
    constexpr auto most = std::numeric_limits<std::int64_t>::max();
    const auto huge = practiceBreakdown(PracticeMetrics::unnormalized(1, most, most, most - 1, -7, most));
    EXPECT_EQ(huge[2].count, 0) << "a negative count is none";
    const auto shares = practiceBreakdownShares(huge);
    EXPECT_NEAR(shares[0], 1.0 / 3, 1e-12);
    EXPECT_NEAR(shares[0] + shares[1] + shares[2] + shares[3], 1.0, 1e-12);
    EXPECT_EQ(practiceFeedbackColor(PracticeFeedbackKind::late), studioHsbColor(0.58, 0.68, 0.95));
    EXPECT_EQ(practiceFeedbackColor(PracticeFeedbackKind::correct), studioHsbColor(0.34, 0.68, 0.95));

    EXPECT_EQ(waitingNotesText({}), "Aguardando ");
    EXPECT_EQ(waitingNotesText({60, 64}), "Aguardando C4 + E4");
    EXPECT_EQ(waitingNotesText({61, 21, 0, 127}), QStringLiteral("Aguardando C\u266F4 + A0 + C-1 + G9"));
    EXPECT_EQ(PracticeInspectorTab::countInLabel(1), "1 compasso");
    EXPECT_EQ(PracticeInspectorTab::countInLabel(3), "3 compassos");
}

TEST(PracticeInspectorTab, SectionsInOrderAndTheGuidedPracticeRowsWithoutAnEngine)
{
    ControllerHarness harness(false);
    ShownPage shown(harness);
    auto& page = shown.page;
    EXPECT_EQ(page.palette().color(QPalette::Window), StudioAppearance::panel());
    EXPECT_TRUE(page.autoFillBackground());
    EXPECT_EQ(page.scrollArea().verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    const auto elements = page.columnElements();
    ASSERT_EQ(elements.size(), 11u);
    QStringList titles;
    for (QWidget* element : elements) titles << sectionTitle(element);
    EXPECT_EQ(titles, (QStringList{"Prática guiada", "—", "Contagem", "—", "Faixas", "—", "Trechos", "—", "Sessão",
                                   "—", "Desempenho MIDI"}));
    EXPECT_EQ(elements[9], &page.midiDivider());
    EXPECT_EQ(page.tracksSection().accessory(), page.trackControls().accessory());
    EXPECT_EQ(page.loopsSection().accessory(), page.loopControls().accessory());
    EXPECT_TRUE(page.trackControls().isVisibleTo(&page));

    // Without an engine: "Modo", "Mão", "Latência".
    EXPECT_FALSE(page.soundRowStack().isVisibleTo(&page));
    EXPECT_TRUE(page.modeRow().isVisible());
    EXPECT_TRUE(page.handRow().isVisible());
    EXPECT_TRUE(page.latencyRow().isVisible());
    EXPECT_EQ(page.modeRow().titleLabel()->title(), "Modo");
    EXPECT_EQ(page.handRow().titleLabel()->title(), "Mão");
    EXPECT_EQ(page.latencyRow().title(), "Latência");
    EXPECT_LT(page.modeRow().y(), page.handRow().y());
    EXPECT_LT(page.handRow().y(), page.latencyRow().y());
    EXPECT_FALSE(page.midiGroup().isVisibleTo(&page));
    EXPECT_FALSE(page.midiDivider().isVisibleTo(&page));
    EXPECT_EQ(page.width(), 258);
    EXPECT_EQ(page.guidedPracticeSection().width(), 258 - 2 * PracticeInspectorTab::padding);

    // No bars, but the wheel scrolls a page taller than its place.
    page.resize(258, 300);
    processEventsFor(20ms);
    QWidget* viewport = page.scrollArea().viewport();
    const QPoint inside(viewport->width() / 2, viewport->height() / 2);
    QWheelEvent wheel(inside, viewport->mapToGlobal(inside), QPoint(), QPoint(0, -240), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(viewport, &wheel);
    EXPECT_GT(page.scrollArea().verticalScrollBar()->value(), 0);
    EXPECT_FALSE(page.scrollArea().verticalScrollBar()->isVisible());
    page.resize(258, 900);

    // The accent of the preset tints the page; the menu rows keep amber.
    EXPECT_EQ(studioAccent(&page.countInSwitch()), page.accent());
    EXPECT_EQ(studioAccent(page.modeRow().editorButton()), StudioAppearance::amber());
    VisualPreset preset = harness.controller().visualPreset();
    preset.accentHue = 0.75;
    preset.accentSaturation = 0.5;
    preset.accentBrightness = 0.9;
    harness.controller().setVisualPreset(preset);
    EXPECT_EQ(page.accent(), studioHsbColor(0.75, 0.5, 0.9));
    EXPECT_EQ(studioAccent(&page.countInSwitch()), page.accent());
    EXPECT_EQ(page.waitingColor(), page.accent());

    // Mode and hand: the items in order, each calling the controller.
    auto& c = harness.controller();
    EXPECT_EQ(menuTitles(page.modeRow()), (QStringList{"Tocar junto", "Praticar", "Espera"}));
    EXPECT_EQ(page.modeRow().value(), "Tocar junto");
    menuItem(page.modeRow(), "Espera")->trigger();
    EXPECT_EQ(c.practiceMode(), PracticeMode::wait);
    EXPECT_EQ(page.modeRow().value(), "Espera");
    menuItem(page.modeRow(), "Praticar")->trigger();
    EXPECT_EQ(c.practiceMode(), PracticeMode::practice);
    EXPECT_EQ(page.modeRow().value(), "Praticar");
    EXPECT_EQ(menuTitles(page.handRow()), (QStringList{"Ambas", "Esquerda", "Direita"}));
    menuItem(page.handRow(), "Esquerda")->trigger();
    EXPECT_EQ(c.practiceHand(), PracticeHand::left);
    EXPECT_EQ(page.handRow().value(), "Esquerda");
    c.setPracticeHand(PracticeHand::right);
    EXPECT_EQ(page.handRow().value(), "Direita") << "a change made elsewhere shows at once";
    EXPECT_EQ(page.modeRow().maxValueWidth(), 150);
    EXPECT_FALSE(page.modeRow().isCompact());
    EXPECT_FALSE(page.modeRow().activeInstrumentHasUserInterface());
}

TEST(PracticeInspectorTab, LatencyRowMovesInWholeMillisecondsWithinItsRange)
{
    ControllerHarness harness(false);
    ShownPage shown(harness);
    auto& page = shown.page;
    auto& c = harness.controller();
    StudioTrackSlider& slider = *page.latencyRow().slider();
    EXPECT_EQ(slider.lower(), 0);
    EXPECT_EQ(slider.upper(), 200);
    EXPECT_EQ(slider.step(), 1.0);
    EXPECT_EQ(page.latencyRow().format(), StudioValueFormat::milliseconds());
    EXPECT_EQ(page.latencyRow().label()->width(), 84);

    c.setInputLatencyMilliseconds(12);
    EXPECT_EQ(page.latencyRow().readoutText(), "12 ms");
    EXPECT_EQ(slider.value(), 12);

    // A step by key: one whole millisecond, written once.
    int writes = 0;
    QObject::connect(&harness.defaults(), &DefaultsStore::valueChanged, [&](const QString& key) {
        if (key == QLatin1String(practiceSettings::inputLatencyMilliseconds.key)) ++writes;
    });
    slider.setFocus();
    QTest::keyClick(&slider, Qt::Key_Right);
    EXPECT_EQ(c.inputLatencyMilliseconds(), 13);
    EXPECT_EQ(page.latencyRow().readoutText(), "13 ms");
    EXPECT_EQ(writes, 1);
    // A press past the right end holds at 200; pressing there again writes nothing.
    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(slider.width() - 1, slider.height() / 2));
    EXPECT_EQ(c.inputLatencyMilliseconds(), 200);
    const int before = writes;
    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(slider.width() - 1, slider.height() / 2));
    EXPECT_EQ(writes, before) << "the same whole value is not saved again";
    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(0, slider.height() / 2));
    EXPECT_EQ(c.inputLatencyMilliseconds(), 0);
    EXPECT_EQ(page.latencyRow().readoutText(), "0 ms");
    EXPECT_EQ(std::fmod(c.inputLatencyMilliseconds(), 1.0), 0.0);

    // The controller's value, clamped, whoever set it.
    c.setInputLatencyMilliseconds(500);
    EXPECT_EQ(page.latencyRow().readoutText(), "200 ms");
    c.setInputLatencyMilliseconds(-5);
    EXPECT_EQ(page.latencyRow().readoutText(), "0 ms");
    c.setInputLatencyMilliseconds(40);
    c.setInputLatencyMilliseconds(std::nan(""));
    EXPECT_EQ(page.latencyRow().readoutText(), "0 ms");
    EXPECT_TRUE(std::isfinite(slider.value()));
}

TEST(PracticeInspectorTab, CountInRowsAndTheWaitingLabelWithTheEngine)
{
    ControllerHarness harness(true);
    auto& c = harness.controller();
    ShownPage shown(harness);
    auto& page = shown.page;
    harness.openSong(4);

    EXPECT_FALSE(page.countInSwitch().isChecked());
    EXPECT_EQ(page.durationRow().value(), "1 compasso");
    EXPECT_FALSE(page.durationRow().isEnabled()) << "no count-in: nothing to choose";
    QTest::mouseClick(page.durationRow().valueButton(), Qt::LeftButton);
    EXPECT_FALSE(page.durationRow().menu()->isVisible());
    EXPECT_EQ(menuTitles(page.durationRow()), (QStringList{"1 compasso", "2 compassos", "3 compassos", "4 compassos"}));
    EXPECT_EQ(studioAccent(page.durationRow().editorButton()), StudioAppearance::amber());

    QTest::mouseClick(&page.countInSwitch(), Qt::LeftButton);
    EXPECT_TRUE(c.countInEnabled());
    EXPECT_TRUE(page.countInSwitch().isChecked());
    EXPECT_TRUE(page.durationRow().isEnabled());
    menuItem(page.durationRow(), "3 compassos")->trigger();
    EXPECT_EQ(c.countInMeasureCount(), 3);
    EXPECT_EQ(page.durationRow().value(), "3 compassos");
    menuItem(page.durationRow(), "1 compasso")->trigger();
    EXPECT_EQ(c.countInMeasureCount(), 1);

    // While a count-in runs the row is closed, though the value still reads.
    c.togglePlayback();
    ASSERT_TRUE(c.countInProgress().has_value());
    EXPECT_FALSE(c.isPlaying());
    EXPECT_FALSE(page.durationRow().isEnabled());
    EXPECT_EQ(page.durationRow().value(), "1 compasso");
    c.togglePlayback();
    EXPECT_FALSE(c.countInProgress().has_value());
    EXPECT_TRUE(page.durationRow().isEnabled());
    c.setCountInEnabled(false);
    EXPECT_FALSE(page.countInSwitch().isChecked());
    EXPECT_FALSE(page.durationRow().isEnabled());

    // Wait mode holds at the first note, and the label names it in the accent.
    EXPECT_FALSE(page.waitingRow().isVisibleTo(&page));
    c.setPracticeMode(PracticeMode::wait);
    c.togglePlayback();
    ASSERT_TRUE(processEventsUntil([&] { return c.isWaitingForInput(); }, 5s));
    EXPECT_TRUE(page.waitingRow().isVisible());
    EXPECT_EQ(page.waitingText(), waitingNotesText(c.waitingNotes()));
    EXPECT_EQ(page.waitingText(), "Aguardando C4");
    EXPECT_EQ(page.waitingColor(), page.accent());
    c.togglePlayback();
    EXPECT_FALSE(page.waitingRow().isVisibleTo(&page));
}

TEST(PracticeInspectorTab, InstrumentRowFollowsTheEngine)
{
    ControllerHarness harness(true);
    int editorOpenings = 0;
    ShownPage shown(harness, [&] { ++editorOpenings; });
    auto& page = shown.page;
    PianoAudioEngine& engine = *harness.engine();
    ASSERT_TRUE(page.soundRowStack().isVisible());
    EXPECT_EQ(page.soundRow().titleLabel()->title(), "Som");
    EXPECT_EQ(page.soundRow().value(), "Piano interno");
    EXPECT_EQ(page.soundRow().maxValueWidth(), 150);
    EXPECT_FALSE(page.soundRow().activeInstrumentHasUserInterface());
    EXPECT_LT(page.handRow().y(), page.soundRowStack().y());
    EXPECT_LT(page.soundRowStack().y(), page.latencyRow().y());

    // The engine's list as it stands, in order, each item carrying its id.
    QStringList names;
    for (const auto& instrument : engine.availableInstruments()) names << QString::fromStdString(instrument.name);
    ASSERT_FALSE(names.isEmpty());
    EXPECT_EQ(names.front(), "Piano interno");
    EXPECT_EQ(menuTitles(page.soundRow()), names);
    EXPECT_EQ(page.soundRow().menu()->actions().front()->data().toString(),
              QString::fromStdString(AudioInstrumentDescriptor::bundledPiano().id));
    // Choosing the piano that plays asks the engine, which leaves it as it is.
    menuItem(page.soundRow(), "Piano interno")->trigger();
    processEventsFor(50ms);
    EXPECT_EQ(engine.selectedInstrument().id, AudioInstrumentDescriptor::bundledPiano().id);
    EXPECT_EQ(engine.instrumentError(), std::nullopt);
    EXPECT_EQ(page.soundRow().value(), "Piano interno");

    // An unknown id and a plugin that cannot load leave the row on the engine's choice.
    engine.selectInstrument(std::string("urn:nowhere:instrument"));
    EXPECT_TRUE(engine.instrumentError().has_value());
    EXPECT_EQ(page.soundRow().value(), "Piano interno");
    AudioInstrumentDescriptor broken;
    broken.id = "urn:brelmo:test:missing-plugin";
    broken.kind = AudioInstrumentDescriptor::Kind::audioUnit;
    broken.name = "Sintetizador ausente";
    bool finished = false;
    engine.selectInstrument(broken, [&] { finished = true; });
    ASSERT_TRUE(processEventsUntil([&] { return finished; }, 10s));
    EXPECT_TRUE(engine.instrumentError().has_value());
    EXPECT_EQ(page.soundRow().value(), "Piano interno");
    EXPECT_EQ(editorOpenings, 0);
}

TEST(PracticeInspectorTab, SessionReadoutsOfARestoredSession)
{
    ControllerHarness harness(true);
    auto& c = harness.controller();
    ShownPage shown(harness);
    auto& page = shown.page;
    SessionReadoutGroup& session = page.sessionGroup();

    // Nothing counted.
    EXPECT_EQ(session.activeTimeRow().value(), "0:00");
    EXPECT_EQ(session.playedNotesRow().value(), "0");
    EXPECT_EQ(session.labelRow().detailLabel().text(), "0 notas");
    EXPECT_FALSE(session.proportionBarHolder().isVisibleTo(&page));
    EXPECT_FALSE(session.breakdownColumn().isVisibleTo(&page));
    EXPECT_FALSE(session.resetHolder().isVisibleTo(&page));

    // One correct and one late note: half the bar each, and the four rows.
    restore(harness, PracticeMetrics(3723.6, 2, 1, 0, 1, 0));
    EXPECT_EQ(session.activeTimeRow().value(), "1:02:04");
    EXPECT_EQ(session.playedNotesRow().value(), "2");
    EXPECT_TRUE(session.proportionBarHolder().isVisible());
    EXPECT_TRUE(session.breakdownColumn().isVisible());
    EXPECT_TRUE(session.resetHolder().isVisible());
    processEventsFor(20ms);
    const auto segments = session.proportionBar().segmentRects();
    const double w = session.proportionBar().width();
    EXPECT_GT(w, 100);
    EXPECT_DOUBLE_EQ(segments[0].width(), w / 2);
    EXPECT_DOUBLE_EQ(segments[1].width(), 0);
    EXPECT_DOUBLE_EQ(segments[2].width(), w / 2);
    EXPECT_DOUBLE_EQ(segments[2].left(), w / 2);
    const QImage bar = session.proportionBar().grab().toImage();
    const auto near = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) < 8 && std::abs(a.green() - b.green()) < 8 && std::abs(a.blue() - b.blue()) < 8;
    };
    EXPECT_TRUE(near(bar.pixelColor(bar.width() / 4, bar.height() / 2), practiceFeedbackColor(PracticeFeedbackKind::correct)));
    EXPECT_TRUE(near(bar.pixelColor(3 * bar.width() / 4, bar.height() / 2), practiceFeedbackColor(PracticeFeedbackKind::late)));
    QStringList rows;
    for (auto row : session.breakdownRows())
        rows << row->label() + " " + row->percentText() + " " + row->countText();
    EXPECT_EQ(rows, (QStringList{"No tempo 50% 1", "Antecipadas 0% 0", "Atrasadas 50% 1", "Incorretas 0% 0"}));

    // pt_BR for "Notas tocadas", the user's locale for the label and the breakdown.
    restore(harness, PracticeMetrics(59 * 60 + 59.5, 1234, 1000, 200, 34, 0));
    EXPECT_EQ(session.activeTimeRow().value(), "1:00:00");
    EXPECT_EQ(session.playedNotesRow().value(), "1.234");
    EXPECT_EQ(session.labelRow().detailLabel().text(), QLocale::system().toString(1234) + " notas");
    EXPECT_EQ(session.labelRow().detailLabel().text(), "1,234 notas");
    EXPECT_EQ(session.breakdownRows()[0]->countText(), "1,000");
    EXPECT_EQ(session.breakdownRows()[0]->percentText(), "81%");

    // Active time without a note: the reset button, but neither bar nor rows.
    restore(harness, PracticeMetrics(754, 0, 0, 0, 0, 0));
    EXPECT_EQ(session.activeTimeRow().value(), "12:34");
    EXPECT_EQ(session.playedNotesRow().value(), "0");
    EXPECT_FALSE(session.proportionBarHolder().isVisibleTo(&page));
    EXPECT_FALSE(session.breakdownColumn().isVisibleTo(&page));
    EXPECT_TRUE(session.resetHolder().isVisible());

    // A damaged record: finite text throughout.
    constexpr auto most = std::numeric_limits<std::int64_t>::max();
    restore(harness, PracticeMetrics::unnormalized(1e300, most, most, most - 1, 3, most));
    EXPECT_EQ(session.activeTimeRow().value(), "0:00");
    EXPECT_EQ(session.playedNotesRow().value(), studioLocale().toString(qlonglong(most)));
    for (const QRectF& segment : session.proportionBar().segmentRects()) {
        EXPECT_TRUE(std::isfinite(segment.width()));
        EXPECT_LE(segment.right(), session.proportionBar().width() * 1.0000001);
    }
    EXPECT_EQ(session.breakdownRows()[0]->percentText(), "33%");
    EXPECT_EQ(session.breakdownRows()[2]->percentText(), "0%");
    session.proportionBar().grab();

    // "Zerar sessão" starts the session afresh; the button leaves.
    restore(harness, PracticeMetrics(3723.6, 2, 1, 0, 1, 0));
    QAbstractButton& reset = session.resetButton();
    EXPECT_EQ(reset.text(), "Zerar sessão");
    EXPECT_EQ(reset.toolTip(), "Zera o contador desta música, sem apagar as outras");
    const auto revision = c.progressRevision();
    QTest::mouseClick(&reset, Qt::LeftButton);
    EXPECT_GT(c.progressRevision(), revision);
    EXPECT_EQ(c.sessionMetrics(), PracticeMetrics::zero());
    EXPECT_EQ(session.activeTimeRow().value(), "0:00");
    EXPECT_EQ(session.playedNotesRow().value(), "0");
    EXPECT_EQ(session.labelRow().detailLabel().text(), "0 notas");
    EXPECT_FALSE(session.resetHolder().isVisibleTo(&page));
    EXPECT_FALSE(session.breakdownColumn().isVisibleTo(&page));
}

TEST(PracticeInspectorTab, LiveNotesUpdateTheReadoutsInPlaceAndBringTheMIDIGroup)
{
    ControllerHarness harness(true);
    auto& c = harness.controller();
    ShownPage shown(harness);
    auto& page = shown.page;
    harness.openSong(8);
    c.setPracticeMode(PracticeMode::practice);
    EXPECT_FALSE(page.midiGroup().isVisibleTo(&page));
    EXPECT_FALSE(page.midiDivider().isVisibleTo(&page));
    const auto widgets = page.findChildren<QWidget*>().size();

    // A key pressed 4 ms before the controller hears it.
    const auto press = [&](std::uint8_t note) {
        const auto ago = std::uint64_t(4'000'000);
        const auto now = MIDIInputEvent(1, 0, 0, MIDIInputMessage::NoteOn{note, 90}).timestamp;
        PracticeSessionStoreProbe::handleMIDIInput(
            c, MIDIInputEvent(1, now - ago, 0, MIDIInputMessage::NoteOn{note, 90}));
        PracticeSessionStoreProbe::handleMIDIInput(c, MIDIInputEvent(1, 0, 0, MIDIInputMessage::NoteOff{note, 0}));
    };
    c.togglePlayback();
    ASSERT_TRUE(processEventsUntil([&] { return c.playbackPositionSeconds() > 0.05; }, 5s));
    press(60);
    press(61);
    c.togglePlayback();

    ASSERT_TRUE(c.midiLatencyStatistics().has_value());
    const MIDILatencyStatistics statistics = *c.midiLatencyStatistics();
    EXPECT_TRUE(page.midiGroup().isVisible());
    EXPECT_TRUE(page.midiDivider().isVisible());
    EXPECT_EQ(page.midiGroup().labelRow().titleLabel().title(), "Desempenho MIDI");
    EXPECT_EQ(page.midiGroup().labelRow().detailLabel().text(),
              QLocale::system().toString(qlonglong(statistics.sampleCount)) + " amostras");
    EXPECT_EQ(page.midiGroup().medianRow().titleLabel().title(), "Mediana");
    EXPECT_EQ(page.midiGroup().medianRow().value(), millisecondsLabel(statistics.medianMilliseconds));
    EXPECT_EQ(page.midiGroup().p95Row().titleLabel().title(), "p95");
    EXPECT_EQ(page.midiGroup().p95Row().value(), millisecondsLabel(statistics.p95Milliseconds));
    EXPECT_EQ(page.midiGroup().maximumRow().titleLabel().title(), "Máxima");
    EXPECT_EQ(page.midiGroup().maximumRow().value(), millisecondsLabel(statistics.maximumMilliseconds));
    EXPECT_GE(statistics.maximumMilliseconds, 4.0);
    EXPECT_TRUE(page.midiGroup().maximumRow().value().endsWith(" ms"));

    const PracticeMetrics metrics = c.sessionMetrics();
    EXPECT_EQ(metrics.playedNoteCount, 2);
    EXPECT_EQ(page.sessionGroup().shownMetrics().playedNoteCount, 2);
    EXPECT_EQ(page.sessionGroup().playedNotesRow().value(), "2");
    EXPECT_EQ(page.sessionGroup().labelRow().detailLabel().text(), "2 notas");
    EXPECT_TRUE(page.sessionGroup().breakdownColumn().isVisible());
    processEventsFor(20ms);
    EXPECT_EQ(page.findChildren<QWidget*>().size(), widgets) << "rows are shown and hidden, never made anew";
}

TEST(PracticeInspectorTab, ALabelRowTogglesItsGroupFromItsBlankMiddle)
{
    ControllerHarness harness(false);
    ShownPage shown(harness);
    auto& page = shown.page;
    SessionReadoutGroup& group = page.sessionGroup();
    DisclosureLabelRow& row = group.labelRow();
    EXPECT_TRUE(group.isExpanded()) << "groups start open";
    EXPECT_TRUE(page.midiGroup().isExpanded());
    EXPECT_EQ(row.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(group.animationDurationMilliseconds(), (SpringAnimation{0.5, 0.85}.durationMilliseconds()));

    // Between the title's end and the count's start: nothing but the row.
    const int titleEnd = row.titleLabel().geometry().right();
    const int detailStart = row.detailLabel().geometry().left();
    ASSERT_GT(detailStart - titleEnd, 20);
    const QPoint blank((titleEnd + detailStart) / 2, row.height() / 2);
    EXPECT_EQ(row.childAt(blank), nullptr);
    const int openHeight = group.height();
    QTest::mouseClick(&row, Qt::LeftButton, {}, blank);
    EXPECT_FALSE(group.isExpanded());
    EXPECT_TRUE(group.isAnimating());
    ASSERT_TRUE(processEventsUntil([&] { return !group.isAnimating(); }, 3s));
    EXPECT_FALSE(group.contentClip().isVisible());
    processEventsFor(20ms);
    EXPECT_LT(group.height(), openHeight);

    // A click on the title itself opens it again.
    QTest::mouseClick(&row.titleLabel(), Qt::LeftButton);
    EXPECT_TRUE(group.isExpanded());
    ASSERT_TRUE(processEventsUntil([&] { return !group.isAnimating(); }, 3s));
    EXPECT_TRUE(group.contentClip().isVisible());
    processEventsFor(20ms);
    EXPECT_EQ(group.height(), openHeight);
}
