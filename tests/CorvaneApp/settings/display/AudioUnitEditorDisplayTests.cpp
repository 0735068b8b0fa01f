// The instrument editor window on the X server of the test: a plugin's own
// interface embedded and driven with the real pointer (xdotool), the
// generic editor and the empty state, each kept as a picture.
#include "AudioUnitEditorTestSupport.hpp"

#include <QAbstractSlider>
#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QtTest/QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <iostream>

#include "CorvaneApp/settings/AudioUnitEditorViewGeneric.hpp"
#include "CorvaneApp/window/AppDelegate.hpp"
#include "CorvaneApp/window/CorvaneApplication.hpp"
#include "CorvaneApp/window/SceneWindows.hpp"
#include "CorvaneAudio/instruments/LV2Instrument.hpp"
#include "CorvaneAudio/instruments/LV2UserInterface.hpp"
#include "support/LV2TestBundle.hpp"

using namespace corvane;
using namespace std::chrono_literals;

namespace {

// Two installed instruments get editors that cannot open: MDA DX10's library
// is missing, MDA JX10's is a library that holds no editor (the plugins').
const bool brokenEditors = addLV2TestBundle("brelmo-broken-editors", R"(
@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .
<http://drobilla.net/plugins/mda/DX10> ui:ui <urn:brelmo:test:missing-editor> .
<urn:brelmo:test:missing-editor> a ui:X11UI ; ui:binary <missing_editor.so> .
<http://drobilla.net/plugins/mda/JX10> ui:ui <urn:brelmo:test:foreign-editor> .
<urn:brelmo:test:foreign-editor> a ui:X11UI ; ui:binary <file:///usr/lib/lv2/mda.lv2/JX10.so> .
)");

xcb_connection_t* xConnection()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// The parent of an X window; 0 when the server knows no such window.
std::uintptr_t xParent(std::uintptr_t window)
{
    auto reply = xcb_query_tree_reply(xConnection(), xcb_query_tree(xConnection(), xcb_window_t(window)), nullptr);
    if (!reply) return 0;
    const std::uintptr_t parent = reply->parent;
    std::free(reply);
    return parent;
}

bool xWindowExists(std::uintptr_t window)
{
    auto reply = xcb_get_geometry_reply(xConnection(), xcb_get_geometry(xConnection(), xcb_drawable_t(window)), nullptr);
    std::free(reply);
    return reply != nullptr;
}

bool isXAncestor(std::uintptr_t ancestor, std::uintptr_t window)
{
    for (int depth = 0; window && depth < 16; ++depth) {
        window = xParent(window);
        if (window == ancestor) return true;
    }
    return false;
}

// One xdotool command; the editor then gets a few idle ticks to handle it.
void xdotool(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    ASSERT_TRUE(process.waitForFinished(5000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    processEventsFor(100ms);
}

// What the X server shows of the window, the plugin's own window included.
QImage screenshot(QWidget& window, const char* name)
{
    processEventsFor(300ms);
    const QPixmap shot = window.screen()->grabWindow(window.winId());
    const QString file = QStringLiteral(BRELMO_SCREENSHOT_FOLDER "/%1").arg(QString::fromLatin1(name));
    EXPECT_TRUE(shot.save(file));
    std::cout << "editor picture: " << file.toStdString() << "\n";
    return shot.toImage();
}

// Nekobi's knobs, in its window: the cutoff's and the resonance's centres.
constexpr QPoint cutoffKnob(206, 67);
constexpr QPoint resonanceKnob(279, 67);

class AudioUnitEditorDisplay : public AudioUnitEditorTest {
protected:
    AppDelegate look; // the application's dark palette
};

TEST_F(AudioUnitEditorDisplay, PluginInterfaceIsEmbeddedSizedAndDrivenBothWays)
{
    select("Nekobi");
    ASSERT_TRUE(engine().activeAudioUnit()->hasUserInterface());
    auto view = makeWindow();
    QElapsedTimer opening;
    opening.start();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    AudioUnitContainerView* container = view->container();
    ASSERT_TRUE(container);
    ASSERT_TRUE(processEventsUntil([&] { return container->userInterface() != nullptr; }));
    std::cout << "Nekobi's editor open " << opening.elapsed() << " ms after the window was shown\n";
    EXPECT_EQ(container->viewRequests(), 1);
    EXPECT_FALSE(container->noticeLabel());
    EXPECT_FALSE(container->genericEditor());

    // The plugin's window lives inside the editor's, and the window fits it.
    const auto pluginWindow = container->userInterface()->window();
    EXPECT_EQ(xParent(pluginWindow), container->pluginHost()->winId());
    EXPECT_TRUE(isXAncestor(window->winId(), pluginWindow));
    ASSERT_TRUE(processEventsUntil([&] { return window->size() == QSize(636, 108); }, 3s))
        << window->width() << " x " << window->height();
    EXPECT_EQ(container->preferredSize(), QSize(636, 108));
    const QImage before = screenshot(*window, "audio-unit-editor-nekobi-before.png");

    // The real pointer turns the cutoff knob up: the plugin hears it.
    auto* plugin = engine().activeAudioUnit();
    ASSERT_EQ(plugin->parameterValue("cutoff"), 25.0f);
    const QPoint knob = window->mapToGlobal(cutoffKnob);
    xdotool({"mousemove", QString::number(knob.x()), QString::number(knob.y())});
    xdotool({"mousedown", "1"});
    for (int step = 1; step <= 6; ++step)
        xdotool({"mousemove", QString::number(knob.x()), QString::number(knob.y() - 10 * step)});
    xdotool({"mouseup", "1"});
    ASSERT_TRUE(processEventsUntil([&] { return plugin->parameterValue("cutoff") > 25.0f; }, 2s))
        << *plugin->parameterValue("cutoff");
    EXPECT_LE(*plugin->parameterValue("cutoff"), 100.0f);

    // A value set through the engine reaches the interface at its next tick,
    // once, and its knob turns.
    const auto sent = container->userInterface()->sentValueCount();
    ASSERT_TRUE(plugin->setParameterValue("resonance", 90.0f));
    ASSERT_TRUE(processEventsUntil([&] { return container->userInterface()->sentValueCount() == sent + 1; }, 1s));
    processEventsFor(200ms);
    EXPECT_EQ(container->userInterface()->sentValueCount(), sent + 1);
    const QImage after = screenshot(*window, "audio-unit-editor-nekobi.png");
    const QRect resonanceArea(resonanceKnob - QPoint(20, 20), QSize(40, 40));
    const QRect cutoffArea(cutoffKnob - QPoint(20, 20), QSize(40, 40));
    EXPECT_NE(before.copy(resonanceArea), after.copy(resonanceArea));
    EXPECT_NE(before.copy(cutoffArea), after.copy(cutoffArea));
    // The interface's own writes are not echoed back to it.
    EXPECT_EQ(plugin->parameterValue("resonance"), 90.0f);

    // An idle tick with nothing to send costs the main thread little.
    QElapsedTimer ticking;
    ticking.start();
    for (int tick = 0; tick < 100; ++tick) container->userInterface()->idle();
    std::cout << "idle tick: " << ticking.nsecsElapsed() / 100 / 1000.0 << " µs\n";

    // Hiding and showing again asks for nothing new.
    window->hide();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    processEventsFor(100ms);
    EXPECT_EQ(view->container(), container);
    EXPECT_EQ(container->viewRequests(), 1);
}

TEST_F(AudioUnitEditorDisplay, SwitchingInstrumentsFreesTheInterfaceThenShowsGenericEditorAndEmptyState)
{
    select("Nekobi");
    auto view = makeWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ASSERT_TRUE(processEventsUntil([&] { return view->container() && view->container()->userInterface(); }));
    const auto pluginWindow = view->container()->userInterface()->window();
    ASSERT_TRUE(xWindowExists(pluginWindow));

    // To an instrument without an interface of its own: the editor is closed
    // with its plugin, the notice and the generic editor take its place.
    select("MDA Piano");
    AudioUnitContainerView* container = view->container();
    ASSERT_TRUE(container);
    EXPECT_EQ(&container->plugin(), engine().activeAudioUnit());
    EXPECT_TRUE(processEventsUntil([&] { return !xWindowExists(pluginWindow); }, 2s));
    ASSERT_TRUE(processEventsUntil([&] { return container->requestedView(); }));
    EXPECT_FALSE(container->userInterface());
    ASSERT_TRUE(container->noticeLabel());
    EXPECT_EQ(container->noticeLabel()->text(), "Este instrumento não fornece uma interface própria.");
    ASSERT_TRUE(container->genericEditor());
    EXPECT_GT(container->genericEditor()->rowCount(), 0);
    screenshot(*window, "audio-unit-editor-generic.png");

    // To the built-in piano: the empty state, at least 520 × 360.
    selectBuiltInPiano();
    EXPECT_FALSE(view->container());
    ASSERT_TRUE(view->emptyState());
    processEventsFor(200ms);
    EXPECT_GE(window->width(), 520);
    EXPECT_GE(window->height(), 360);
    screenshot(*window, "audio-unit-editor-empty.png");
}

// One of synthv1's knobs inside its interface (a Qt widget of the plugin's
// own, living in the plugin's X window).
QAbstractSlider* synthKnob(const char* name)
{
    for (QWidget* widget : QApplication::allWidgets()) {
        if (widget->objectName() != QLatin1String(name)) continue;
        if (auto dial = widget->findChild<QAbstractSlider*>()) return dial;
    }
    return nullptr;
}

TEST_F(AudioUnitEditorDisplay, SynthsOwnInterfaceNeedsItsInstanceAndIsDrivenBothWays)
{
    select("synthv1");
    EXPECT_TRUE(engine().selectedInstrument().hasCustomView);
    processEventsFor(20ms);
    EXPECT_TRUE(engine().activeInstrumentHasUserInterface());
    auto view = makeWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    AudioUnitContainerView* container = view->container();
    ASSERT_TRUE(container);
    ASSERT_TRUE(processEventsUntil([&] { return container->userInterface() != nullptr; }));
    EXPECT_EQ(container->userInterface()->choice().uri, "http://synthv1.sourceforge.net/lv2#ui_x11");
    EXPECT_FALSE(container->noticeLabel());
    // Made with our own Qt, its widget becomes a child of the window: no
    // top-level widget of the plugin's is left to keep the application from quitting.
    ASSERT_TRUE(container->interfaceWidget());
    EXPECT_TRUE(window->isAncestorOf(container->interfaceWidget()));
    EXPECT_TRUE(isXAncestor(window->winId(), container->interfaceWidget()->winId()));
    for (QWidget* topLevel : QApplication::topLevelWidgets())
        EXPECT_TRUE(topLevel == window.get() || !topLevel->isVisible()) << topLevel->metaObject()->className();
    ASSERT_TRUE(container->preferredSize().has_value());
    EXPECT_GT(container->preferredSize()->width(), 600);

    // The real pointer's wheel over the filter's cutoff knob: the plugin hears it.
    auto* plugin = engine().activeAudioUnit();
    ASSERT_EQ(plugin->parameterValue("DCF1_CUTOFF"), 0.5f);
    QAbstractSlider* cutoff = synthKnob("Dcf1CutoffKnob");
    ASSERT_TRUE(cutoff);
    ASSERT_TRUE(processEventsUntil([&] { return cutoff->isVisible(); }, 2s));
    const QImage before = screenshot(*window, "audio-unit-editor-synthv1-before.png");
    const QPoint knob = cutoff->mapToGlobal(cutoff->rect().center());
    xdotool({"mousemove", QString::number(knob.x()), QString::number(knob.y())});
    for (int step = 0; step < 5; ++step) xdotool({"click", "4"});
    ASSERT_TRUE(processEventsUntil([&] { return plugin->parameterValue("DCF1_CUTOFF") > 0.5f; }, 2s))
        << *plugin->parameterValue("DCF1_CUTOFF") << " knob at " << cutoff->value();

    // A value set through the engine reaches the interface's knob.
    QAbstractSlider* resonance = synthKnob("Dcf1ResoKnob");
    ASSERT_TRUE(resonance);
    ASSERT_TRUE(plugin->setParameterValue("DCF1_RESO", 0.6f));
    EXPECT_TRUE(processEventsUntil([&] { return resonance->value() == 60; }, 2s)) << resonance->value();
    const QImage after = screenshot(*window, "audio-unit-editor-synthv1.png");
    EXPECT_NE(before, after);
}

TEST_F(AudioUnitEditorDisplay, SwitchingWithTheWindowOpenFreesEachInterfaceBeforeItsInstrument)
{
    auto view = makeWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    std::uintptr_t previous = 0;
    for (int round = 0; round < 10; ++round) {
        for (const char* name : {"synthv1", "Nekobi"}) {
            select(name);
            // Twenty switches, never more than the one interface shown.
            EXPECT_LE(LV2UserInterface::liveCount(), 1);
            // The outgoing interface's window is gone with its instrument.
            if (previous) {
                EXPECT_TRUE(processEventsUntil([&] { return !xWindowExists(previous); }, 2s)) << name;
            }
            ASSERT_TRUE(processEventsUntil([&] { return view->container() && view->container()->userInterface(); }))
                << name;
            const auto* container = view->container();
            previous = container->interfaceWidget() ? container->interfaceWidget()->winId()
                                                    : container->userInterface()->window();
        }
    }
    select("MDA Piano");
    EXPECT_TRUE(processEventsUntil([&] { return !xWindowExists(previous); }, 2s));
    ASSERT_TRUE(processEventsUntil([&] { return view->container() && view->container()->genericEditor(); }));
    EXPECT_EQ(LV2UserInterface::liveCount(), 0);
    selectBuiltInPiano();
    EXPECT_TRUE(view->emptyState());
    window.reset();
}

TEST_F(AudioUnitEditorDisplay, EditorsThatCannotOpenGiveTheGenericEditor)
{
    ASSERT_TRUE(brokenEditors);
    auto view = makeWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));

    // A library that is not there is no editor at all.
    select("MDA DX10");
    EXPECT_FALSE(engine().activeAudioUnit()->hasUserInterface());
    ASSERT_TRUE(processEventsUntil([&] { return view->container() && view->container()->requestedView(); }));
    EXPECT_TRUE(view->container()->genericEditor());

    // A library that holds no editor fails to start: the generic editor, and the process lives on.
    select("MDA JX10");
    EXPECT_TRUE(engine().activeAudioUnit()->hasUserInterface());
    ASSERT_TRUE(processEventsUntil([&] { return view->container() && view->container()->requestedView(); }));
    EXPECT_FALSE(view->container()->userInterface());
    EXPECT_FALSE(view->container()->pluginHost());
    EXPECT_TRUE(view->container()->noticeLabel());
    EXPECT_TRUE(view->container()->genericEditor());
    // Its tuning controls show their units.
    auto field = view->container()->findChild<QDoubleSpinBox*>("field:osc_tune");
    ASSERT_TRUE(field);
    EXPECT_EQ(field->text(), "0,370 semi");
    screenshot(*window, "audio-unit-editor-generic-units.png");
}

TEST(AudioUnitEditorWindow, TheApplicationsWindowHoldsTheEditorOverItsEngine)
{
    sharedJackServer();
    TemporaryDefaults defaults;
    {
        CorvaneApplication application(*defaults);
        application.start();
        ASSERT_TRUE(processEventsUntil([&] { return application.practiceStore() != nullptr; }));
        QWidget* window = SceneWindows::shared().open(QStringLiteral("audio-unit-editor"));
        ASSERT_TRUE(window);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        EXPECT_EQ(window->windowTitle(), "Instrumento virtual");
        auto view = window->findChild<AudioUnitEditorView*>();
        ASSERT_TRUE(view);
        EXPECT_EQ(view->audioEngine(), application.practiceStore()->audioEngine());
        EXPECT_GE(window->width(), 520);
        EXPECT_GE(window->height(), 360);
        // Opened again: the same window.
        EXPECT_EQ(SceneWindows::shared().open(QStringLiteral("audio-unit-editor")), window);
    }
    // The application went with its windows before its engine.
}

} // namespace
