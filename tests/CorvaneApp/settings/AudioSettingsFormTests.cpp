#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest/QTest>

#include "CorvaneApp/ControllerHarness.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/settings/AudioSettingsForm.hpp"
#include "CorvaneApp/settings/SettingsView.hpp"
#include "CorvaneApp/window/SceneWindows.hpp"
#include "CorvaneAudio/audio/JackRecorder.hpp"
#include "support/QtEventLoop.hpp"

using namespace corvane;
using namespace std::chrono_literals;

namespace {

constexpr int audioTab = 2;

QStringList itemsOf(const QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    return items;
}

void pick(QComboBox* combo, const QString& text)
{
    const int index = combo->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

bool shown(const QWidget* row) { return !row->isHidden(); }

QColor textColor(const QLabel* label) { return label->palette().color(QPalette::WindowText); }

// The settings on an engine of the JACK dummy server, shown on the "Áudio"
// tab; the editor action opens a stand-in "audio-unit-editor" window.
class AudioSettingsFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SceneWindows::shared().declare(QStringLiteral("audio-unit-editor"), [this] {
            editorWindow = std::make_unique<QWidget>();
            return editorWindow.get();
        });
        view.resize(620, 460);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
    void TearDown() override
    {
        SceneWindows::shared().forget(QStringLiteral("audio-unit-editor"));
        editorWindow.reset();
    }
    PianoAudioEngine& engine() { return *harness.engine(); }
    AudioSettingsForm& form() { return *view.audioForm(); }

    ControllerHarness harness{true};
    std::unique_ptr<QWidget> editorWindow;
    SettingsView view{harness.controller(), nullptr, harness.engine(),
                      [] { SceneWindows::shared().open(QStringLiteral("audio-unit-editor")); }};
};

} // namespace

TEST_F(AudioSettingsFormTest, InstrumentsLoadWithProgressAndAPluginOffersItsEditor)
{
    ASSERT_NE(view.audioForm(), nullptr);
    EXPECT_EQ(view.audioEmptyState(), nullptr);
    view.tabs()->setCurrentIndex(audioTab);
    QComboBox* picker = form().instrumentPicker();

    // Before any search the engine plays the built-in piano, the only choice.
    EXPECT_EQ(itemsOf(picker), QStringList{"Piano interno"});
    EXPECT_EQ(form().manufacturerRow()->value(), QStringLiteral("Brelmo"));
    EXPECT_FALSE(shown(form().validationWarning()));
    EXPECT_FALSE(shown(form().sandboxWarning()));
    EXPECT_FALSE(shown(form().editorButton()));
    EXPECT_FALSE(shown(form().loadingRow()));
    EXPECT_FALSE(shown(form().instrumentErrorLabel()));
    EXPECT_EQ(form().refreshButton()->text(), QStringLiteral("Atualizar plug-ins LV2"));

    // The search: button disabled and a busy row meanwhile.
    QTest::mouseClick(form().refreshButton(), Qt::LeftButton);
    ASSERT_TRUE(engine().isRefreshingInstruments());
    EXPECT_FALSE(form().refreshButton()->isEnabled());
    EXPECT_TRUE(shown(form().refreshingRow()));
    EXPECT_EQ(form().refreshingRow()->text(), QStringLiteral("Procurando instrumentos instalados…"));
    ASSERT_TRUE(processEventsUntil([&] { return !engine().isRefreshingInstruments(); }, 30s));
    EXPECT_TRUE(form().refreshButton()->isEnabled());
    EXPECT_FALSE(shown(form().refreshingRow()));
    const QStringList items = itemsOf(picker);
    EXPECT_EQ(items.front(), QStringLiteral("Piano interno"));
    EXPECT_TRUE(items.contains(QStringLiteral("MDA Piano")));
    EXPECT_EQ(picker->currentText(), QStringLiteral("Piano interno"));

    // Picking a plugin starts its load; the list keeps the playing piano, disabled.
    QSignalSpy loads(&engine(), &PianoAudioEngine::loadingInstrumentIDChanged);
    pick(picker, QStringLiteral("MDA Piano"));
    ASSERT_TRUE(engine().loadingInstrumentID());
    EXPECT_FALSE(picker->isEnabled());
    EXPECT_EQ(picker->currentText(), QStringLiteral("Piano interno"));
    EXPECT_TRUE(shown(form().loadingRow()));
    EXPECT_EQ(form().loadingRow()->text(), QStringLiteral("Carregando MDA Piano…"));
    ASSERT_TRUE(processEventsUntil([&] { return !engine().loadingInstrumentID(); }, 30s));
    EXPECT_EQ(loads.count(), 2); // one load: set, then cleared
    ASSERT_EQ(engine().selectedInstrument().name, "MDA Piano");
    EXPECT_TRUE(picker->isEnabled());
    EXPECT_EQ(picker->currentText(), QStringLiteral("MDA Piano"));
    EXPECT_FALSE(shown(form().loadingRow()));
    EXPECT_EQ(form().manufacturerRow()->value(), QString::fromStdString(engine().selectedInstrument().manufacturerName));
    // An LV2 plugin is neither unvalidated nor sandboxed: only the editor button.
    EXPECT_FALSE(shown(form().validationWarning()));
    EXPECT_FALSE(shown(form().sandboxWarning()));
    ASSERT_TRUE(shown(form().editorButton()));
    EXPECT_EQ(form().editorButton()->text(), QStringLiteral("Abrir interface do instrumento"));
    EXPECT_EQ(form().editorButton()->systemImage(), QStringLiteral("slider.horizontal.3"));
    QTest::mouseClick(form().editorButton(), Qt::LeftButton);
    ASSERT_TRUE(editorWindow);
    EXPECT_TRUE(editorWindow->isVisible());
    EXPECT_EQ(SceneWindows::shared().window(QStringLiteral("audio-unit-editor")), editorWindow.get());

    // Picking the instrument that plays starts nothing.
    pick(picker, QStringLiteral("MDA Piano"));
    EXPECT_FALSE(engine().loadingInstrumentID());

    // An instrument that cannot be loaded: a red message, the list stays.
    engine().selectInstrument(std::string("no-such-instrument"));
    ASSERT_TRUE(engine().instrumentError());
    EXPECT_TRUE(shown(form().instrumentErrorLabel()));
    EXPECT_EQ(form().instrumentErrorLabel()->text(), QString::fromStdString(*engine().instrumentError()));
    EXPECT_EQ(textColor(form().instrumentErrorLabel()), settingsRed());
    EXPECT_EQ(picker->currentText(), QStringLiteral("MDA Piano"));

    // Back to the piano: no plugin rows.
    pick(picker, QStringLiteral("Piano interno"));
    ASSERT_TRUE(processEventsUntil([&] { return !engine().loadingInstrumentID(); }, 30s));
    EXPECT_EQ(engine().selectedInstrument(), AudioInstrumentDescriptor::bundledPiano());
    EXPECT_FALSE(shown(form().editorButton()));
    EXPECT_FALSE(shown(form().instrumentErrorLabel()));
}

TEST_F(AudioSettingsFormTest, OutputsAreListedAgainOnShowingAndAMissingOneStaysSelectedAsUnavailable)
{
    QComboBox* output = form().outputPicker();
    EXPECT_EQ(output->itemText(0), QStringLiteral("Padrão do sistema"));
    EXPECT_EQ(output->currentIndex(), 0);
    EXPECT_FALSE(shown(form().outputErrorLabel()));

    // A device that appears while another tab is shown is listed when "Áudio" is.
    auto device = std::make_unique<JackRecorder>("settingsout");
    EXPECT_EQ(output->findText(QStringLiteral("settingsout")), -1);
    view.tabs()->setCurrentIndex(audioTab);
    ASSERT_GE(output->findText(QStringLiteral("settingsout")), 0);

    QSignalSpy selections(&engine(), &PianoAudioEngine::selectedOutputUIDChanged);
    pick(output, QStringLiteral("settingsout"));
    EXPECT_EQ(engine().selectedOutputUID(), "jack:settingsout");
    EXPECT_FALSE(engine().outputError());
    EXPECT_EQ(output->currentText(), QStringLiteral("settingsout"));

    // Unplugged while the settings are away; showing the tab again says so.
    device.reset();
    view.tabs()->setCurrentIndex(0);
    view.tabs()->setCurrentIndex(audioTab);
    EXPECT_EQ(output->findText(QStringLiteral("settingsout")), -1);
    EXPECT_EQ(output->currentText(), QStringLiteral("Saída indisponível"));
    EXPECT_EQ(output->currentData().toString(), QStringLiteral("jack:settingsout"));
    // Refills never choose: the engine was asked once, by the user.
    EXPECT_EQ(selections.count(), 1);
    EXPECT_EQ(engine().selectedOutputUID(), "jack:settingsout");

    // A stored device that is not there at all: unavailable, with the engine's red message.
    engine().selectAudioOutput(std::string("jack:nowhere"));
    EXPECT_EQ(output->currentText(), QStringLiteral("Saída indisponível"));
    EXPECT_EQ(output->currentData().toString(), QStringLiteral("jack:nowhere"));
    ASSERT_TRUE(shown(form().outputErrorLabel()));
    EXPECT_EQ(form().outputErrorLabel()->text(), QStringLiteral("A saída de áudio selecionada não está disponível."));
    EXPECT_EQ(textColor(form().outputErrorLabel()), settingsRed());

    pick(output, QStringLiteral("Padrão do sistema"));
    EXPECT_FALSE(engine().selectedOutputUID());
    EXPECT_FALSE(shown(form().outputErrorLabel()));
    EXPECT_EQ(output->count(), 1 + int(engine().availableAudioOutputs().size()));
}
