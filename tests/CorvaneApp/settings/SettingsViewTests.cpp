#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest/QTest>

#include "CorvaneApp/ControllerHarness.hpp"
#include "CorvaneApp/commands/PracticeCommandActions.hpp"
#include "CorvaneApp/kit/StudioParameterRow.hpp"
#include "CorvaneApp/kit/StudioSwitch.hpp"
#include "CorvaneApp/kit/StudioTrackSlider.hpp"
#include "CorvaneApp/settings/SettingsAccessibilityForm.hpp"
#include "CorvaneApp/settings/SettingsFormParts.hpp"
#include "CorvaneApp/settings/SettingsPracticeForm.hpp"
#include "CorvaneApp/settings/SettingsView.hpp"
#include "CorvaneApp/settings/SettingsVisualForm.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "support/QtEventLoop.hpp"
#include "support/TestFolder.hpp"

using namespace corvane;

// Readable failures.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

const std::string latencyKey = practiceSettings::inputLatencyMilliseconds.key;
const std::string splitKey = practiceSettings::handSplitNote.key;
const std::string metronomeKey = practiceSettings::metronome.key;
const std::string particlesKey = practiceSettings::reduceParticles.key;
const std::string seekKey = practiceSettings::seekStepSeconds.key;

// How many times `key` was written with a new value while `action` ran.
template <class Action>
int writesOf(DefaultsStore& defaults, const std::string& key, Action action)
{
    int writes = 0;
    auto connection = QObject::connect(&defaults, &DefaultsStore::valueChanged, [&](const QString& changed) {
        if (changed == QString::fromStdString(key)) ++writes;
    });
    action();
    QObject::disconnect(connection);
    return writes;
}

// A press at the slider's middle, a drag past one end, a release.
void dragToEnd(StudioParameterRow* row, bool upper)
{
    StudioTrackSlider* slider = row->slider();
    const int y = slider->height() / 2;
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(slider->width() / 2, y));
    const int end = upper ? slider->width() + 30 : -30;
    QTest::mouseMove(slider, QPoint((slider->width() / 2 + end) / 2, y));
    QTest::mouseMove(slider, QPoint(end, y));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(end, y));
}

// A press straight at one end: one new value, so one write.
void pressAtEnd(StudioParameterRow* row, bool upper)
{
    StudioTrackSlider* slider = row->slider();
    const QPoint at(upper ? slider->width() + 30 : -30, slider->height() / 2);
    QTest::mousePress(slider, Qt::LeftButton, {}, at);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, at);
}

// The destructive button and "Cancelar", which Return, Escape and closing press.
void expectButtons(QMessageBox* box, const char* destructive)
{
    auto yes = box->findChild<QPushButton*>(QStringLiteral("destructiveButton"));
    auto no = box->findChild<QPushButton*>(QStringLiteral("cancelButton"));
    ASSERT_TRUE(yes && no);
    EXPECT_EQ(yes->text(), QString::fromUtf8(destructive));
    EXPECT_EQ(box->buttonRole(yes), QMessageBox::DestructiveRole);
    EXPECT_EQ(no->text(), QStringLiteral("Cancelar"));
    EXPECT_EQ(box->buttonRole(no), QMessageBox::RejectRole);
    EXPECT_EQ(box->escapeButton(), no);
    EXPECT_EQ(box->defaultButton(), no);
}

QString captionEnd(const QString& note)
{
    return QStringLiteral("Nota que separa as mãos nas faixas sem mão atribuída: ") + note +
           QStringLiteral(" e acima são da direita.");
}

class SettingsViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view.resize(620, 460);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
    PracticeSessionStore& c() { return harness.controller(); }
    DefaultsStore& defaults() { return harness.defaults(); }
    SettingsPracticeForm& practice() { return *view.practiceForm(); }

    ControllerHarness harness{false};
    int editorOpenings = 0;
    SettingsView view{harness.controller(), nullptr, nullptr, [this] { ++editorOpenings; }};
};

} // namespace

TEST(SettingsNoteNames, SharpsAndOctavesFromMiddleC)
{
    EXPECT_EQ(SettingsView::noteName(60), QStringLiteral("C4"));
    EXPECT_EQ(SettingsView::noteName(61), QStringLiteral("C\u266F4"));
    EXPECT_EQ(SettingsView::noteName(21), QStringLiteral("A0"));
    EXPECT_EQ(SettingsView::noteName(108), QStringLiteral("C8"));
    EXPECT_EQ(SettingsView::noteName(0), QStringLiteral("C-1"));
    EXPECT_EQ(SettingsView::noteName(255), QStringLiteral("D\u266F20"));
}

TEST_F(SettingsViewTest, TabsKeepTheirLabelsAndImagesAndMissingServicesShowEmptyStates)
{
    QTabWidget& tabs = *view.tabs();
    ASSERT_EQ(tabs.count(), 5);
    const QStringList titles{"Prática", "MIDI", "Áudio", "Visual", "Acessibilidade"};
    const QStringList images{"music.note", "pianokeys", "waveform", "paintpalette", "accessibility"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(tabs.tabText(i), titles[i]);
        EXPECT_EQ(view.tabSystemImage(i), images[i]);
    }
    EXPECT_EQ(tabs.size(), QSize(SettingsView::tabWidth, SettingsView::tabHeight));
    EXPECT_EQ(tabs.currentIndex(), 0);

    // The deviceless controller has neither a monitor nor an engine.
    EXPECT_EQ(view.midiForm(), nullptr);
    ASSERT_NE(view.midiEmptyState(), nullptr);
    EXPECT_EQ(tabs.widget(1), view.midiEmptyState());
    EXPECT_EQ(view.midiEmptyState()->systemImage(), QStringLiteral("pianokeys"));
    EXPECT_EQ(view.midiEmptyState()->title(), QStringLiteral("MIDI indisponível"));
    EXPECT_EQ(view.midiEmptyState()->description(), QStringLiteral("O subsistema MIDI não pôde ser iniciado."));
    EXPECT_EQ(view.audioForm(), nullptr);
    ASSERT_NE(view.audioEmptyState(), nullptr);
    EXPECT_EQ(tabs.widget(2), view.audioEmptyState());
    EXPECT_EQ(view.audioEmptyState()->systemImage(), QStringLiteral("speaker.slash"));
    EXPECT_EQ(view.audioEmptyState()->title(), QStringLiteral("Áudio indisponível"));
    EXPECT_EQ(view.audioEmptyState()->description(), QStringLiteral("O mecanismo de áudio não pôde ser iniciado."));

    // The other tabs work as usual.
    tabs.setCurrentIndex(1);
    tabs.setCurrentIndex(4);
    QTest::mouseClick(view.accessibilityForm()->reduceParticlesSwitch(), Qt::LeftButton);
    EXPECT_EQ(defaults().boolValue(particlesKey), true);
    EXPECT_EQ(editorOpenings, 0);
}

TEST_F(SettingsViewTest, FreshDefaultsShowTheDefaultsAndEachUserMoveWritesItsTypedValueOnce)
{
    EXPECT_EQ(practice().latencyRow()->readoutText(), QStringLiteral("0 ms"));
    EXPECT_EQ(practice().seekStepRow()->readoutText(), QStringLiteral("5 s"));
    EXPECT_EQ(practice().splitRow()->readoutText(), QStringLiteral("60"));
    EXPECT_EQ(practice().splitCaption()->text(), captionEnd("C4"));
    EXPECT_FALSE(practice().metronomeSwitch()->isChecked());
    EXPECT_FALSE(view.accessibilityForm()->reduceParticlesSwitch()->isChecked());
    // Showing writes nothing.
    for (const auto& key : {latencyKey, splitKey, metronomeKey, particlesKey, seekKey})
        EXPECT_FALSE(defaults().contains(key)) << key;

    dragToEnd(practice().latencyRow(), true);
    EXPECT_EQ(defaults().doubleValue(latencyKey), 200.0);
    EXPECT_EQ(practice().latencyRow()->readoutText(), QStringLiteral("200 ms"));
    dragToEnd(practice().latencyRow(), false);
    EXPECT_EQ(defaults().doubleValue(latencyKey), 0.0);
    // Stored as a double, not an integer.
    EXPECT_FALSE(defaults().integerValue(latencyKey));

    dragToEnd(practice().seekStepRow(), true);
    EXPECT_EQ(defaults().doubleValue(seekKey), 30.0);
    dragToEnd(practice().seekStepRow(), false);
    EXPECT_EQ(defaults().doubleValue(seekKey), 1.0);
    EXPECT_EQ(c().seekStepSeconds(), 1.0);
    EXPECT_EQ(practice().seekStepRow()->readoutText(), QStringLiteral("1 s"));

    dragToEnd(practice().splitRow(), false);
    EXPECT_EQ(defaults().integerValue(splitKey), 21);
    EXPECT_EQ(c().handSplitNote(), 21);
    EXPECT_EQ(practice().splitCaption()->text(), captionEnd("A0"));
    dragToEnd(practice().splitRow(), true);
    EXPECT_EQ(defaults().integerValue(splitKey), 108);
    EXPECT_EQ(c().handSplitNote(), 108);
    EXPECT_EQ(practice().splitRow()->readoutText(), QStringLiteral("108"));
    EXPECT_EQ(practice().splitCaption()->text(), captionEnd("C8"));

    // One move, one write; a press on the value already held writes nothing.
    EXPECT_EQ(writesOf(defaults(), splitKey, [&] { pressAtEnd(practice().splitRow(), false); }), 1);
    EXPECT_EQ(writesOf(defaults(), splitKey, [&] { pressAtEnd(practice().splitRow(), false); }), 0);
    EXPECT_EQ(writesOf(defaults(), latencyKey, [&] { pressAtEnd(practice().latencyRow(), true); }), 1);
    EXPECT_EQ(writesOf(defaults(), metronomeKey,
                       [&] { QTest::mouseClick(practice().metronomeSwitch(), Qt::LeftButton); }),
              1);
    EXPECT_EQ(defaults().boolValue(metronomeKey), true);
}

TEST(SettingsViewHandEdited, StoredValuesShowClampedOrAsTheDefaultAndAreNeverWrittenBack)
{
    struct Case {
        std::function<void(DefaultsStore&)> store;
        QString split, caption, latency, seek;
        bool metronome;
    };
    const std::vector<Case> cases{
        {[](DefaultsStore& d) {
             d.setInteger(splitKey, 300);
             d.setDouble(latencyKey, 9999);
             d.setDouble(seekKey, 0);
             d.setBool(metronomeKey, true);
             d.setBool(particlesKey, true);
         },
         "108", "C8", "200 ms", "5 s", true},
        {[](DefaultsStore& d) {
             d.setInteger(splitKey, -5);
             d.setDouble(latencyKey, -3);
             d.setDouble(seekKey, -2);
         },
         "21", "A0", "0 ms", "5 s", false},
        {[](DefaultsStore& d) {
             d.setInteger(splitKey, 0);
             d.setDouble(latencyKey, 12.4);
             d.setDouble(seekKey, 99);
             d.setString(metronomeKey, "sim");
         },
         "60", "C4", "12 ms", "30 s", false},
        {[](DefaultsStore& d) {
             d.setInteger(splitKey, 61);
             d.setString(latencyKey, "muito");
             d.setDouble(seekKey, 0.25);
         },
         "61", "C\u266F4", "0 ms", "1 s", false},
        // Read as integers only: a split stored another way is the default.
        {[](DefaultsStore& d) { d.setString(splitKey, "64"); }, "60", "C4", "0 ms", "5 s", false},
        {[](DefaultsStore& d) { d.setDouble(splitKey, 64.0); }, "60", "C4", "0 ms", "5 s", false},
    };
    for (const auto& shown : cases) {
        ControllerHarness harness(false, shown.store);
        const auto keysBefore = harness.defaults().keys();
        int writes = 0;
        QObject::connect(&harness.defaults(), &DefaultsStore::valueChanged, [&] { ++writes; });
        SettingsView view(harness.controller(), nullptr, nullptr, {});
        auto& practice = *view.practiceForm();
        EXPECT_EQ(practice.splitRow()->readoutText(), shown.split);
        EXPECT_EQ(practice.splitCaption()->text(), captionEnd(shown.caption));
        EXPECT_EQ(practice.latencyRow()->readoutText(), shown.latency);
        EXPECT_EQ(practice.seekStepRow()->readoutText(), shown.seek);
        EXPECT_EQ(practice.metronomeSwitch()->isChecked(), shown.metronome);
        // What the window shows is what the controller plays and grades with.
        EXPECT_EQ(SettingsView::noteName(harness.controller().handSplitNote()), shown.caption);
        EXPECT_EQ(practice.latencyRow()->readoutText(),
                  QString::number(harness.controller().inputLatencyMilliseconds(), 'f', 0) + " ms");
        EXPECT_EQ(writes, 0) << "showing writes nothing back";
        EXPECT_EQ(harness.defaults().keys(), keysBefore);
    }
}

TEST_F(SettingsViewTest, TheWindowAndTheInspectorShowOneValueWhicheverChangedIt)
{
    c().setInputLatencyMilliseconds(35);
    EXPECT_EQ(practice().latencyRow()->readoutText(), QStringLiteral("35 ms"));
    c().setHandSplitNote(64);
    EXPECT_EQ(practice().splitCaption()->text(), captionEnd("E4"));
    c().setSeekStepSeconds(12);
    EXPECT_EQ(practice().seekStepRow()->readoutText(), QStringLiteral("12 s"));
    c().setReduceParticles(true);
    EXPECT_TRUE(view.accessibilityForm()->reduceParticlesSwitch()->isChecked());
    c().setMetronomeEnabled(true);
    EXPECT_TRUE(practice().metronomeSwitch()->isChecked());
    // A second window follows the first.
    SettingsView second(c(), nullptr, nullptr, {});
    pressAtEnd(practice().latencyRow(), true);
    EXPECT_EQ(second.practiceForm()->latencyRow()->readoutText(), QStringLiteral("200 ms"));
    EXPECT_EQ(c().inputLatencyMilliseconds(), 200);
}

TEST_F(SettingsViewTest, ConfirmationsResetOnlyFromTheirDestructiveButtonAndThenOnce)
{
    // A photo, a changed look and an error about the photo.
    TestFolder folder("brelmo-settings-photo");
    QImage photo(8, 8, QImage::Format_RGB32);
    photo.fill(Qt::darkCyan);
    const auto photoPath = folder.path() / "fundo.png";
    ASSERT_TRUE(photo.save(QString::fromStdString(photoPath.string())));
    c().selectBackgroundImage(photoPath);
    ASSERT_TRUE(c().backgroundImageURL());
    VisualPreset changed = c().visualPreset();
    changed.accentHue = 0.61;
    changed.noteSpeed = 1.7;
    c().setVisualPreset(changed);
    c().setBackgroundImageError(std::string("A foto não pôde ser aberta."));
    ASSERT_NE(c().visualPreset(), PracticeSessionStore::builtInVisualPreset());

    // History of another song and a saved loop with progress.
    const std::string song = "demo:odeToJoy";
    c().progressStore().upsertHistory(PracticeHistoryEntry(UUID::random(), "Ode", PracticeSongReference::bundledDemo(
                                                               "odeToJoy"),
                                                           Date::now(), Date::now(), 12, PracticeMetrics(30, 10, 8, 1, 0, 1)));
    const PracticeLoopBookmark loop(UUID::random(), 2, 4, "Refrão", PracticeMetrics::zero(), 0, std::nullopt);
    ASSERT_TRUE(c().loopStore().add(loop, song));
    c().loopStore().updateProgress(loop.id(), PracticeMetrics(20, 6, 5, 1, 0, 0), 3, Date::now(), song);
    const auto history = c().progressStore().historyEntries();
    const auto loops = c().loopStore().bookmarks(song);
    ASSERT_EQ(history.size(), 1u);
    ASSERT_EQ(loops.front().repetitions, 3);
    const auto preset = c().visualPreset();
    const auto revision = c().progressRevision();

    // Cancelled by its button, by Escape and by closing: nothing happens.
    view.tabs()->setCurrentIndex(3);
    const auto cancelEach = [&](auto present, auto box, auto presented) {
        for (int way = 0; way < 3; ++way) {
            present();
            QMessageBox* confirmation = box();
            ASSERT_NE(confirmation, nullptr);
            ASSERT_TRUE(presented());
            if (way == 0)
                QTest::mouseClick(confirmation->findChild<QPushButton*>(QStringLiteral("cancelButton")), Qt::LeftButton);
            else if (way == 1)
                QTest::keyClick(confirmation, Qt::Key_Escape);
            else
                confirmation->close();
            processEventsFor(std::chrono::milliseconds(20));
            EXPECT_FALSE(presented());
        }
    };
    QTest::mouseClick(view.visualForm()->resetButton(), Qt::LeftButton);
    ASSERT_TRUE(view.isResetVisualParametersPresented());
    QMessageBox* visual = view.resetVisualParametersConfirmation();
    EXPECT_EQ(visual->text(), QStringLiteral("Redefinir parâmetros visuais?"));
    EXPECT_EQ(visual->informativeText(),
              QStringLiteral("A paleta âmbar e todos os efeitos visuais voltarão aos padrões do Brelmo."));
    EXPECT_EQ(visual->buttons().size(), 2);
    expectButtons(visual, "Redefinir");
    visual->reject();
    processEventsFor(std::chrono::milliseconds(20));

    cancelEach([&] { view.presentResetVisualParameters(); }, [&] { return view.resetVisualParametersConfirmation(); },
               [&] { return view.isResetVisualParametersPresented(); });
    QTest::mouseClick(practice().resetDataButton(), Qt::LeftButton);
    ASSERT_TRUE(view.isResetPracticeDataPresented());
    QMessageBox* data = view.resetPracticeDataConfirmation();
    EXPECT_EQ(data->text(), QStringLiteral("Apagar todos os dados de prática?"));
    EXPECT_EQ(data->informativeText(),
              QStringLiteral("A sessão atual, o histórico de todas as músicas e o desempenho de cada trecho voltam a "
                             "zero. Os trechos salvos e as músicas da biblioteca permanecem. Não há como desfazer."));
    expectButtons(data, "Apagar");
    data->reject();
    cancelEach([&] { view.presentResetPracticeData(); }, [&] { return view.resetPracticeDataConfirmation(); },
               [&] { return view.isResetPracticeDataPresented(); });
    EXPECT_EQ(c().visualPreset(), preset);
    EXPECT_TRUE(c().backgroundImageURL());
    EXPECT_TRUE(c().backgroundImageError());
    EXPECT_EQ(c().progressStore().historyEntries(), history);
    EXPECT_EQ(c().loopStore().bookmarks(song), loops);
    EXPECT_EQ(c().progressRevision(), revision);

    // The destructive buttons: each reset happens once.
    QSignalSpy presetChanges(&c(), &PracticeSessionStore::visualPresetChanged);
    view.presentResetVisualParameters();
    QTest::mouseClick(view.resetVisualParametersConfirmation()->findChild<QPushButton*>(
                          QStringLiteral("destructiveButton")),
                      Qt::LeftButton);
    processEventsFor(std::chrono::milliseconds(20));
    EXPECT_FALSE(view.isResetVisualParametersPresented());
    EXPECT_EQ(presetChanges.count(), 1);
    EXPECT_EQ(c().visualPreset(), PracticeSessionStore::builtInVisualPreset());
    EXPECT_FALSE(c().visualPreset().background.imageReference);
    EXPECT_FALSE(c().backgroundImageURL());
    EXPECT_FALSE(c().backgroundImageError());
    EXPECT_EQ(c().progressStore().historyEntries(), history);

    QSignalSpy revisions(&c(), &PracticeSessionStore::progressRevisionChanged);
    const auto beforeReset = c().progressRevision();
    view.presentResetPracticeData();
    QTest::mouseClick(view.resetPracticeDataConfirmation()->findChild<QPushButton*>(
                          QStringLiteral("destructiveButton")),
                      Qt::LeftButton);
    processEventsFor(std::chrono::milliseconds(20));
    EXPECT_FALSE(view.isResetPracticeDataPresented());
    EXPECT_EQ(revisions.count(), 1);
    EXPECT_GT(c().progressRevision(), beforeReset);
    EXPECT_TRUE(c().progressStore().historyEntries().empty());
    const auto kept = c().loopStore().bookmarks(song);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept.front().name, "Refrão");
    EXPECT_EQ(kept.front().repetitions, 0);
    EXPECT_EQ(kept.front().metrics, PracticeMetrics::zero());
}
