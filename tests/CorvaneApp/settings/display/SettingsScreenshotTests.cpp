// The settings window on the X server of the test, as the application makes
// it (620 × 460, the body font, pt_BR), over a controller with an engine on
// the JACK dummy server playing an LV2 piano and a MIDI monitor on a fake
// MIDI system; each tab and one confirmation kept as pictures for a reviewer.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPixmap>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QtTest/QTest>

#include <iostream>

#include "CorvaneApp/ControllerHarness.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/style/StudioLocale.hpp"
#include "CorvaneApp/settings/AudioSettingsForm.hpp"
#include "CorvaneApp/settings/SettingsView.hpp"
#include "CorvaneApp/window/AppDelegate.hpp"
#include "CorvaneApp/window/CorvaneApplication.hpp"
#include "CorvaneApp/window/SceneWindows.hpp"
#include "CorvaneAudio/midi/FakeMIDIPortSystem.hpp"
#include "CorvaneAudio/midi/MIDIDeviceMonitor.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "support/QtEventLoop.hpp"

using namespace corvane;
using namespace std::chrono_literals;

namespace {

void keep(QWidget& window, const char* name)
{
    const QString file = QStringLiteral(BRELMO_SCREENSHOT_FOLDER "/%1").arg(QString::fromLatin1(name));
    ASSERT_TRUE(window.grab().save(file));
    std::cout << "settings picture: " << file.toStdString() << "\n";
}

} // namespace

TEST(SettingsScreenshot, EveryTabOfTheSettingsWindow)
{
    AppDelegate look;
    look.applyStudioAppearance();
    ControllerHarness harness(true);
    PianoAudioEngine& engine = *harness.engine();
    DefaultsStore& defaults = harness.defaults();
    harness.controller().setInputLatencyMilliseconds(12);
    harness.controller().setHandSplitNote(55);
    harness.controller().setMetronomeEnabled(true);

    // Two keyboards, one chosen and since unplugged, and an external synthesizer.
    auto midi = std::make_shared<FakeMIDIState>();
    midi->sources = {endpoint(1, 101, "Teclado de estudo"), endpoint(2, 102, "Controlador USB")};
    midi->destinations = {endpoint(11, 201, "Sintetizador externo")};
    MIDIDeviceMonitor monitor(defaults, std::make_unique<FakeMIDIPortSystem>(midi));
    monitor.selectInput(101);
    midi->sources.erase(midi->sources.begin());
    monitor.refresh();

    // The LV2 piano, loaded through a search as the user would.
    bool listed = false;
    engine.refreshAvailableInstruments([&] { listed = true; });
    ASSERT_TRUE(processEventsUntil([&] { return listed; }, 30s));
    std::string pianoID;
    for (const auto& descriptor : engine.availableInstruments())
        if (descriptor.name == "MDA Piano") pianoID = descriptor.id;
    ASSERT_FALSE(pianoID.empty());
    bool loaded = false;
    engine.selectInstrument(pianoID, [&] { loaded = true; });
    ASSERT_TRUE(processEventsUntil([&] { return loaded; }, 30s));

    QWidget window;
    window.setWindowTitle(QStringLiteral("Ajustes"));
    window.setFont(studioBody());
    window.setLocale(studioLocale());
    window.resize(620, 460);
    auto layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto view = new SettingsView(harness.controller(), &monitor, &engine, [] {});
    layout->addWidget(view);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    processEventsFor(200ms);

    const char* names[] = {"brelmo-settings-pratica.png", "brelmo-settings-midi.png", "brelmo-settings-audio.png",
                           "brelmo-settings-visual.png", "brelmo-settings-acessibilidade.png"};
    for (int tab = 0; tab < 5; ++tab) {
        view->tabs()->setCurrentIndex(tab);
        processEventsFor(150ms);
        keep(window, names[tab]);
        // The frame closes under every tab: its bottom edge is drawn like its sides.
        const QImage shot = window.grab().toImage();
        const QRect frame(view->tabs()->mapTo(&window, QPoint(0, 0)), view->tabs()->size());
        EXPECT_EQ(shot.pixelColor(frame.center().x(), frame.bottom() - 2), shot.pixelColor(frame.left() + 1, frame.center().y()))
            << names[tab];
    }

    // The data reset's question, over the practice tab.
    view->tabs()->setCurrentIndex(0);
    view->presentResetPracticeData();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->resetPracticeDataConfirmation()));
    processEventsFor(150ms);
    keep(*view->resetPracticeDataConfirmation(), "brelmo-settings-confirmacao.png");
    view->resetPracticeDataConfirmation()->reject();
}

TEST(SettingsScreenshot, TheApplicationsSettingsWindowHoldsTheViewOverItsServices)
{
    sharedJackServer();
    TemporaryDefaults defaults;
    CorvaneApplication application(*defaults);
    application.start();
    ASSERT_TRUE(processEventsUntil([&] { return application.practiceStore() != nullptr; }));

    QWidget* window = SceneWindows::shared().open(QStringLiteral("settings"));
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Ajustes"));
    auto view = window->findChild<SettingsView*>();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->midiForm() != nullptr, application.midiDeviceMonitor() != nullptr);
    ASSERT_EQ(view->audioForm() != nullptr, application.practiceStore()->audioEngine() != nullptr);
    // Opening it again brings the same window forward.
    EXPECT_EQ(SceneWindows::shared().open(QStringLiteral("settings")), window);
    processEventsFor(200ms);
    keep(*window, "brelmo-settings-window.png");

    // The editor button asks the window layer for the instrument editor.
    if (view->audioForm()) {
        view->audioForm()->editorButton()->click();
        QWidget* editor = SceneWindows::shared().window(QStringLiteral("audio-unit-editor"));
        ASSERT_NE(editor, nullptr);
        EXPECT_TRUE(editor->isVisible());
    }
}
