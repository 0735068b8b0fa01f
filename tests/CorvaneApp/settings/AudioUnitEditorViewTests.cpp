// The instrument editor window on the offscreen platform, with the engine on
// the JACK dummy server: no plugin's own X11 interface is ever started here,
// so a plugin with only such an interface gets the notice and the generic editor.
#include "AudioUnitEditorTestSupport.hpp"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QtTest/QTest>

#include <cmath>
#include <limits>

#include "CorvaneApp/kit/StudioSwitch.hpp"
#include "CorvaneApp/kit/StudioTrackSlider.hpp"
#include "CorvaneApp/settings/AudioUnitEditorViewGeneric.hpp"
#include "CorvaneAudio/instruments/LV2Instrument.hpp"

using namespace corvane;
using namespace std::chrono_literals;

namespace {

std::string stateKey(const std::string& id) { return PianoAudioEngine::instrumentStatePreferenceKeyPrefix + id; }

std::string storedState(DefaultsStore& defaults, const std::string& id)
{
    const auto bytes = defaults.dataValue(stateKey(id));
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

TEST_F(AudioUnitEditorTest, OffscreenPluginWithItsOwnInterfaceGetsTheGenericEditor)
{
    select("Nekobi");
    ASSERT_TRUE(engine().activeAudioUnit()->hasUserInterface());
    auto view = makeWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    AudioUnitContainerView* container = view->container();
    ASSERT_TRUE(container);
    EXPECT_TRUE(container->requestedView());
    EXPECT_FALSE(container->userInterface());
    EXPECT_FALSE(container->pluginHost());
    ASSERT_TRUE(container->noticeLabel());
    EXPECT_EQ(container->noticeLabel()->text(), "Este instrumento não fornece uma interface própria.");
    ASSERT_TRUE(container->genericEditor());
    EXPECT_EQ(container->genericEditor()->rowCount(), 8);

    // The enumeration is a menu of its labels; a choice reaches the plugin.
    auto menu = container->findChild<QComboBox*>("menu:waveform");
    ASSERT_TRUE(menu);
    ASSERT_EQ(menu->count(), 2);
    EXPECT_EQ(menu->itemText(1), "Triangle");
    menu->setCurrentIndex(1);
    emit menu->activated(1);
    EXPECT_EQ(engine().activeAudioUnit()->parameterValue("waveform"), 1.0f);

    // A value changed elsewhere shows at the next tick.
    engine().activeAudioUnit()->setParameterValue("cutoff", 80.0f);
    auto field = container->findChild<QDoubleSpinBox*>("field:cutoff");
    ASSERT_TRUE(field);
    EXPECT_TRUE(processEventsUntil([&] { return field->value() == 80.0; }, 1s));
    EXPECT_DOUBLE_EQ(container->findChild<StudioTrackSlider*>("slider:cutoff")->value(), 0.8);
}

TEST_F(AudioUnitEditorTest, GenericEditorWritesThePluginAndEveryHideStoresItsStateOnce)
{
    select("MDA Piano");
    const std::string id = engine().selectedInstrument().id;
    auto view = makeWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    auto container = view->container();
    ASSERT_TRUE(container && container->genericEditor());
    auto* plugin = engine().activeAudioUnit();

    // The slider writes at every move, within the port's bounds.
    auto slider = container->findChild<StudioTrackSlider*>("slider:env_decay");
    ASSERT_TRUE(slider);
    const int y = slider->height() / 2;
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(slider->width() / 2, y));
    QTest::mouseMove(slider, QPoint(slider->width() / 4, y));
    QTest::mouseMove(slider, QPoint(-200, y));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(-200, y));
    EXPECT_EQ(plugin->parameterValue("env_decay"), 0.0f);
    auto field = container->findChild<QDoubleSpinBox*>("field:env_decay");
    EXPECT_EQ(field->value(), 0.0);
    // The number field too; it never takes what is not a number.
    field->setValue(0.125);
    EXPECT_EQ(plugin->parameterValue("env_decay"), 0.125f);
    emit field->valueChanged(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(plugin->parameterValue("env_decay"), 0.125f);

    // Hiding the window stores the state with the new value, once.
    harness.defaults().remove(stateKey(id));
    window->hide();
    const auto stored = storedState(harness.defaults(), id);
    EXPECT_NE(stored.find("\"env_decay\""), std::string::npos) << stored;
    EXPECT_NE(stored.find("0.125"), std::string::npos) << stored;
    harness.defaults().remove(stateKey(id));
    window->hide();
    EXPECT_FALSE(harness.defaults().contains(stateKey(id)));

    // Shown again: the same container, its interface not asked for again.
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_EQ(view->container(), container);
    EXPECT_EQ(container->viewRequests(), 1);
    // A window closed for good while shown stores once as well.
    plugin->setParameterValue("env_decay", 0.25f);
    window.reset();
    EXPECT_NE(storedState(harness.defaults(), id).find("0.25"), std::string::npos);
}

TEST_F(AudioUnitEditorTest, FollowsTheEngineBetweenPluginsAndTheBuiltInPiano)
{
    auto view = makeWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ASSERT_TRUE(view->emptyState());
    EXPECT_FALSE(view->container());
    EXPECT_EQ(view->emptyState()->titleLabel()->text(), "Nenhum plug-in LV2 selecionado");
    EXPECT_EQ(view->emptyState()->descriptionLabel()->text(), "Escolha um instrumento em Ajustes → Áudio.");
    EXPECT_EQ(view->emptyState()->systemImage(), "pianokeys");
    EXPECT_GE(view->emptyState()->minimumWidth(), 520);
    EXPECT_GE(view->emptyState()->minimumHeight(), 360);

    // A plugin: its own container, asked for its interface once it shows.
    select("MDA Piano");
    auto first = view->container();
    ASSERT_TRUE(first);
    EXPECT_FALSE(view->emptyState());
    ASSERT_TRUE(processEventsUntil([&] { return first->requestedView(); }));
    QPointer<AudioUnitContainerView> firstGuard(first);

    // Another plugin: a new container, asked afresh.
    select("MDA ePiano");
    ASSERT_TRUE(view->container());
    EXPECT_FALSE(firstGuard);
    EXPECT_EQ(&view->container()->plugin(), engine().activeAudioUnit());
    ASSERT_TRUE(processEventsUntil([&] { return view->container()->requestedView(); }));
    EXPECT_EQ(view->container()->viewRequests(), 1);

    // Closing the window while the next instrument loads: the state of the one
    // playing is stored, and the loaded one is followed while hidden.
    const std::string epianoID = engine().selectedInstrument().id;
    harness.defaults().remove(stateKey(epianoID));
    bool done = false;
    engine().selectInstrument(AudioInstrumentDescriptor::bundledPiano().id, [&] { done = true; });
    window->close();
    EXPECT_TRUE(harness.defaults().contains(stateKey(epianoID)));
    ASSERT_TRUE(processEventsUntil([&] { return done; }, 20s));
    EXPECT_TRUE(view->emptyState());
    EXPECT_FALSE(view->container());

    // Without an engine: the empty state.
    AudioUnitEditorView alone(nullptr);
    EXPECT_TRUE(alone.emptyState());
}

TEST_F(AudioUnitEditorTest, InterfaceSizeWishesResizeOnlyAWindowAndOnlyWithAPositiveSize)
{
    select("MDA Piano");
    auto view = makeWindow();
    auto container = view->container();
    ASSERT_TRUE(container);
    // Not shown yet: nothing asked for, the window at its default size.
    EXPECT_FALSE(container->requestedView());
    for (QSize wish : {QSize(0, 0), QSize(-5, 200), QSize(300, 0)}) {
        container->preferSize(wish);
        EXPECT_EQ(window->size(), QSize(760, 560));
        EXPECT_EQ(container->preferredSize(), wish);
    }
    container->preferSize({636, 108});
    EXPECT_EQ(window->size(), QSize(636, 108));

    // A container in no window resizes nothing.
    AudioUnitContainerView lone(*engine().activeAudioUnit());
    lone.resize(100, 100);
    lone.preferSize({400, 300});
    EXPECT_EQ(lone.size(), QSize(100, 100));
}

LV2ParameterDescriptor ranged(float minimum, float maximum, bool logarithmic = false)
{
    LV2ParameterDescriptor descriptor;
    descriptor.minimum = minimum;
    descriptor.maximum = maximum;
    descriptor.isLogarithmic = logarithmic;
    return descriptor;
}

TEST(AudioUnitGenericEditorScale, FractionsFollowTheScaleTheControlAsksFor)
{
    const auto linear = ranged(-12, 12);
    EXPECT_DOUBLE_EQ(parameterFraction(linear, 0), 0.5);
    EXPECT_DOUBLE_EQ(parameterValueAtFraction(linear, 0.25), -6);
    EXPECT_DOUBLE_EQ(parameterFraction(linear, 99), 1);

    const auto frequency = ranged(20, 20000, true);
    EXPECT_NEAR(parameterValueAtFraction(frequency, 0.5), std::sqrt(20.0 * 20000.0), 1e-9);
    EXPECT_NEAR(parameterFraction(frequency, 200), 1.0 / 3.0, 1e-12);
    EXPECT_DOUBLE_EQ(parameterFraction(frequency, 5), 0);
    // A logarithmic scale cannot reach 0: such a port is shown linearly.
    const auto fromZero = ranged(0, 10, true);
    EXPECT_DOUBLE_EQ(parameterValueAtFraction(fromZero, 0.5), 5);

    // Missing bounds make the unit range; nothing that is not a number comes out.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const auto unbounded = ranged(nan, nan);
    EXPECT_DOUBLE_EQ(parameterValueAtFraction(unbounded, 0.5), 0.5);
    EXPECT_DOUBLE_EQ(parameterFraction(unbounded, std::nan("")), 0);
    EXPECT_DOUBLE_EQ(parameterValueAtFraction(linear, std::nan("")), -12);
}

} // namespace
