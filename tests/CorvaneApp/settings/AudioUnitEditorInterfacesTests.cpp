// The instrument editor window with plugins' own interfaces on the offscreen
// platform: a Qt 6 interface (synthv1's) needs no X11 and is placed in the
// window, driven both ways and carried across a rebuilt instance; the
// generic editor shows the ports' units.
#include "AudioUnitEditorTestSupport.hpp"

#include <QAbstractSlider>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QScreen>
#include <QtTest/QTest>

#include "CorvaneApp/settings/AudioUnitEditorViewGeneric.hpp"
#include "CorvaneAudio/instruments/AudioUnitInstrumentCatalog.hpp"
#include "CorvaneAudio/instruments/LV2Instrument.hpp"
#include "CorvaneAudio/instruments/LV2UserInterface.hpp"
#include "support/LV2TestBundle.hpp"

using namespace corvane;
using namespace std::chrono_literals;

namespace {

// synthv1 describes a Qt 6 interface in its bundle but lists only its X11
// one; here it lists both, as a plugin offering the two would.
const bool bothInterfaces = addLV2TestBundle("brelmo-synthv1-qt6", R"(
@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .
<http://synthv1.sourceforge.net/lv2> ui:ui <http://synthv1.sourceforge.net/lv2#ui> .
)");

// Interfaces made to misbehave (fixtures/MisbehavingQtInterface.cpp): Kars's
// fails to start; MDA DX10's asks for no size, then for 100,000 pixels, then
// deletes its own widget.
const bool misbehavingInterfaces = addLV2TestBundle("brelmo-misbehaving-qt", R"(
@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .
<http://distrho.sf.net/plugins/Kars> ui:ui <urn:brelmo:test:qt-failing> .
<urn:brelmo:test:qt-failing> a ui:Qt6UI ; ui:binary <file://)" BRELMO_MISBEHAVING_QT_INTERFACE R"(> .
<http://drobilla.net/plugins/mda/DX10> ui:ui <urn:brelmo:test:qt-misbehaving> .
<urn:brelmo:test:qt-misbehaving> a ui:Qt6UI ; ui:binary <file://)" BRELMO_MISBEHAVING_QT_INTERFACE R"(> .
)");

TEST_F(AudioUnitEditorTest, OffscreenQtInterfaceIsPlacedInTheWindowAndDrivenBothWays)
{
    ASSERT_TRUE(bothInterfaces);
    select("synthv1");
    auto view = makeWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    AudioUnitContainerView* container = view->container();
    ASSERT_TRUE(container);
    ASSERT_TRUE(container->userInterface());
    EXPECT_EQ(container->userInterface()->choice().toolkit, LV2UserInterfaceChoice::Toolkit::qt6);
    ASSERT_TRUE(container->interfaceWidget());
    EXPECT_TRUE(window->isAncestorOf(container->interfaceWidget()));
    EXPECT_TRUE(container->interfaceWidget()->isVisible());
    EXPECT_FALSE(container->noticeLabel());
    EXPECT_FALSE(container->genericEditor());

    // A knob turned in the interface reaches the plugin's port.
    auto* plugin = engine().activeAudioUnit();
    ASSERT_EQ(plugin->parameterValue("DCF1_CUTOFF"), 0.5f);
    auto* cutoff = container->interfaceWidget()->findChild<QWidget*>("Dcf1CutoffKnob");
    ASSERT_TRUE(cutoff);
    auto* dial = cutoff->findChild<QAbstractSlider*>();
    ASSERT_TRUE(dial);
    dial->setValue(80);
    ASSERT_TRUE(processEventsUntil([&] { return plugin->parameterValue("DCF1_CUTOFF") != 0.5f; }, 2s));
    EXPECT_NEAR(*plugin->parameterValue("DCF1_CUTOFF"), 0.8f, 0.01f);

    // A value set through the engine reaches the interface at its next tick.
    const auto sent = container->userInterface()->sentValueCount();
    auto* resonance = container->interfaceWidget()->findChild<QWidget*>("Dcf1ResoKnob")->findChild<QAbstractSlider*>();
    ASSERT_TRUE(resonance);
    ASSERT_TRUE(plugin->setParameterValue("DCF1_RESO", 0.6f));
    ASSERT_TRUE(processEventsUntil([&] { return container->userInterface()->sentValueCount() > sent; }, 1s));
    EXPECT_TRUE(processEventsUntil([&] { return resonance->value() == 60; }, 1s)) << resonance->value();

    // Switching to the built-in piano frees the interface first: its widget goes.
    QPointer<QWidget> widget(container->interfaceWidget());
    selectBuiltInPiano();
    EXPECT_FALSE(widget);
    EXPECT_TRUE(view->emptyState());
}

// A plugin instance of our own (the engine's may not be rebuilt while it plays).
std::unique_ptr<LV2Instrument> loadSynth()
{
    const auto descriptor = AudioUnitInstrumentCatalog::descriptor("http://synthv1.sourceforge.net/lv2");
    if (!descriptor) throw std::runtime_error("synthv1 is not installed");
    return LV2Instrument::instantiate(*descriptor->componentDescription(), 48000);
}

TEST(AudioUnitEditorQtInterface, FollowsARebuiltInstance)
{
    ASSERT_TRUE(bothInterfaces);
    auto synth = loadSynth();
    {
        QWidget window;
        window.resize(760, 560);
        auto layout = new QVBoxLayout(&window);
        auto container = new AudioUnitContainerView(*synth);
        layout->addWidget(container);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        ASSERT_TRUE(container->userInterface());
        QPointer<QWidget> first(container->interfaceWidget());
        ASSERT_TRUE(first);

        // A new sample rate rebuilds the instance: the interface lets go of the
        // old one before it is freed and opens again on the new one.
        synth->setParameterValue("DCF1_CUTOFF", 0.3f);
        synth->prepare(44100);
        EXPECT_EQ(container->userInterface()->openings(), 2);
        ASSERT_TRUE(processEventsUntil([&] { return container->interfaceWidget() && container->interfaceWidget() != first; }, 1s));
        EXPECT_FALSE(first);
        EXPECT_TRUE(window.isAncestorOf(container->interfaceWidget()));
        auto* dial = container->interfaceWidget()->findChild<QWidget*>("Dcf1CutoffKnob")->findChild<QAbstractSlider*>();
        EXPECT_TRUE(processEventsUntil([&] { return dial->value() == 30; }, 1s)) << dial->value();

    }
    // The window went first; the plugin is freed last.
}

TEST_F(AudioUnitEditorTest, MisbehavingQtInterfacesLeaveTheWindowStanding)
{
    ASSERT_TRUE(misbehavingInterfaces);
    auto view = makeWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));

    // An interface that does not start: the notice and the generic editor.
    select("Kars");
    EXPECT_TRUE(engine().activeAudioUnit()->hasUserInterface());
    ASSERT_TRUE(processEventsUntil([&] { return view->container() && view->container()->requestedView(); }));
    EXPECT_FALSE(view->container()->userInterface());
    EXPECT_FALSE(view->container()->pluginHost());
    ASSERT_TRUE(view->container()->noticeLabel());
    EXPECT_EQ(view->container()->noticeLabel()->text(), "Este instrumento não fornece uma interface própria.");
    EXPECT_TRUE(view->container()->genericEditor());

    // One that asks for no size (nothing changes), then for 100,000 pixels
    // (held to the screen), then deletes its own widget (the generic editor).
    select("MDA DX10");
    AudioUnitContainerView* container = view->container();
    ASSERT_TRUE(processEventsUntil([&] { return container->userInterface() != nullptr; }));
    ASSERT_TRUE(container->interfaceWidget());
    EXPECT_EQ(container->interfaceWidget()->objectName(), "misbehaving");
    EXPECT_EQ(container->preferredSize(), QSize(0, 0));
    EXPECT_EQ(window->size(), QSize(760, 560));
    ASSERT_TRUE(processEventsUntil([&] { return container->preferredSize() == QSize(100000, 100000); }, 1s));
    const QSize screen = window->screen()->availableGeometry().size();
    EXPECT_LE(window->width(), screen.width());
    EXPECT_LE(window->height(), screen.height());
    ASSERT_TRUE(processEventsUntil([&] { return container->genericEditor() != nullptr; }, 1s));
    EXPECT_FALSE(container->userInterface());
    EXPECT_FALSE(container->interfaceWidget());
    EXPECT_TRUE(container->noticeLabel());
    processEventsFor(100ms);

    selectBuiltInPiano();
    EXPECT_TRUE(view->emptyState());
}

TEST_F(AudioUnitEditorTest, GenericEditorShowsThePortsUnitsInBrazilianNumbers)
{
    select("MDA JX10");
    auto view = makeWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ASSERT_TRUE(view->container() && view->container()->genericEditor());
    auto field = [&](const char* symbol) { return view->container()->findChild<QDoubleSpinBox*>(QStringLiteral("field:") + symbol); };
    // JX10's tuning controls are in semitones, cents and octaves.
    ASSERT_TRUE(field("osc_tune") && field("osc_fine") && field("octave"));
    EXPECT_EQ(field("osc_tune")->text(), "0,370 semi");
    EXPECT_EQ(field("osc_fine")->text(), "0,250 ct");
    EXPECT_EQ(field("octave")->text(), "0,500 octaves");
    // A port without a unit shows the bare number, as before.
    ASSERT_TRUE(field("glide"));
    EXPECT_EQ(field("glide")->suffix(), "");
    EXPECT_EQ(field("glide")->text(), "0,300");
}

LV2ParameterDescriptor withUnit(std::string symbol, std::string format)
{
    LV2ParameterDescriptor descriptor;
    descriptor.unitSymbol = std::move(symbol);
    descriptor.unitFormat = std::move(format);
    return descriptor;
}

TEST(AudioUnitGenericEditorUnits, TheRenderingGivesTheTextAroundTheNumberAndItsDecimals)
{
    EXPECT_EQ(parameterUnitText(withUnit("dB", "%.1f dB")), (ParameterUnitText{"", " dB", 1}));
    EXPECT_EQ(parameterUnitText(withUnit("Hz", "%f Hz")), (ParameterUnitText{"", " Hz", std::nullopt}));
    EXPECT_EQ(parameterUnitText(withUnit("", "%d ms")), (ParameterUnitText{"", " ms", 0}));
    EXPECT_EQ(parameterUnitText(withUnit("%", "%+5.2f%%")), (ParameterUnitText{"", "%", 2}));
    EXPECT_EQ(parameterUnitText(withUnit("", "gain %.0f")), (ParameterUnitText{"gain ", "", 0}));
    // Only the symbol, or a rendering this cannot print: the symbol after the number.
    EXPECT_EQ(parameterUnitText(withUnit("ms", "")), (ParameterUnitText{"", " ms", std::nullopt}));
    EXPECT_EQ(parameterUnitText(withUnit("bpm", "%f of %f bpm")), (ParameterUnitText{"", " bpm", std::nullopt}));
    EXPECT_EQ(parameterUnitText(withUnit("x", "%s x")), (ParameterUnitText{"", " x", std::nullopt}));
    EXPECT_EQ(parameterUnitText(withUnit("", "no number")), ParameterUnitText{});
    EXPECT_EQ(parameterUnitText(withUnit("", "")), ParameterUnitText{});
}

} // namespace
