// What the instrument editor window needs of a hosted plugin: its controls
// described, written by port and guarded against bad values, and the choice
// of an editor the host can embed, agreeing with the catalog and the engine.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "AudioTestSupport.hpp"
#include "CorvaneAudio/instruments/AudioUnitInstrumentCatalog.hpp"
#include "CorvaneAudio/instruments/LV2Instrument.hpp"
#include "support/LV2TestBundle.hpp"

using namespace corvane;
using namespace std::chrono_literals;

namespace {

constexpr const char* nekobiURI = "http://distrho.sf.net/plugins/Nekobi";
constexpr const char* karsURI = "http://distrho.sf.net/plugins/Kars";
constexpr const char* mdaPianoURI = "http://drobilla.net/plugins/mda/Piano";
constexpr const char* dx10URI = "http://drobilla.net/plugins/mda/DX10";
constexpr const char* jx10URI = "http://drobilla.net/plugins/mda/JX10";

// Editors that must be passed over: MDA DX10's asks for a feature this host
// does not give, MDA JX10 has a GTK one and an X11 one whose library is not installed.
const bool extraEditors = addLV2TestBundle("brelmo-unusable-editors", R"(
@prefix lv2: <http://lv2plug.in/ns/lv2core#> .
@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .
<http://drobilla.net/plugins/mda/DX10> ui:ui <urn:brelmo:test:instance-editor> .
<urn:brelmo:test:instance-editor> a ui:X11UI ; ui:binary <file:///usr/lib/lv2/mda.lv2/DX10.so> ;
    lv2:requiredFeature <http://lv2plug.in/ns/ext/instance-access> , ui:makeSONameResident .
<http://drobilla.net/plugins/mda/JX10> ui:ui <urn:brelmo:test:gtk-editor> , <urn:brelmo:test:missing-editor> .
<urn:brelmo:test:gtk-editor> a ui:GtkUI ; ui:binary <file:///usr/lib/lv2/mda.lv2/JX10.so> .
<urn:brelmo:test:missing-editor> a ui:X11UI ; ui:binary <missing_editor.so> .
)");

std::unique_ptr<LV2Instrument> load(const char* uri)
{
    const auto descriptor = AudioUnitInstrumentCatalog::descriptor(uri);
    if (!descriptor) throw std::runtime_error(std::string(uri) + " is not installed");
    return LV2Instrument::instantiate(*descriptor->componentDescription(), 48000);
}

const LV2ParameterDescriptor* find(const LV2Instrument& plugin, const std::string& symbol)
{
    for (const auto& descriptor : plugin.parameterDescriptors())
        if (descriptor.symbol == symbol) return &descriptor;
    return nullptr;
}

TEST(LV2EditorSupport, ControlsAreDescribedFromThePluginsDescription)
{
    const auto nekobi = load(nekobiURI);
    // Input controls only, in port order: the audio output and the MIDI input are left out.
    ASSERT_EQ(nekobi->parameterDescriptors().size(), 8u);
    EXPECT_EQ(nekobi->parameterDescriptors().front().symbol, "waveform");
    const auto* cutoff = find(*nekobi, "cutoff");
    ASSERT_TRUE(cutoff);
    EXPECT_EQ(cutoff->port, 4u);
    EXPECT_EQ(cutoff->name, "Cutoff");
    EXPECT_EQ(cutoff->minimum, 0.0f);
    EXPECT_EQ(cutoff->maximum, 100.0f);
    EXPECT_EQ(cutoff->defaultValue, 25.0f);
    EXPECT_FALSE(cutoff->isInteger || cutoff->isToggled || cutoff->isEnumeration || cutoff->isLogarithmic ||
                 cutoff->isNotOnGUI);
    const auto* waveform = find(*nekobi, "waveform");
    ASSERT_TRUE(waveform);
    EXPECT_TRUE(waveform->isEnumeration);
    EXPECT_TRUE(waveform->isInteger);
    EXPECT_EQ(waveform->scalePoints, (std::vector<LV2ScalePoint>{{"Square", 0}, {"Triangle", 1}}));

    const auto kars = load(karsURI);
    const auto* sustain = find(*kars, "sustain");
    ASSERT_TRUE(sustain);
    EXPECT_TRUE(sustain->isToggled);

    // Every port is found by its symbol, control or not.
    EXPECT_EQ(nekobi->portIndex("cutoff"), 4u);
    EXPECT_EQ(nekobi->portIndex("lv2_audio_out_1"), 0u);
    EXPECT_EQ(nekobi->portIndex("no_such_port"), std::nullopt);
}

TEST(LV2EditorSupport, WritesByPortAreHeldToTheBoundsAndRefuseWhatIsNoNumberOrNoControl)
{
    const auto nekobi = load(nekobiURI);
    EXPECT_EQ(nekobi->parameterValueAt(4), 25.0f);
    EXPECT_TRUE(nekobi->setParameterValueAt(4, 60.0f));
    EXPECT_EQ(nekobi->parameterValue("cutoff"), 60.0f);
    EXPECT_TRUE(nekobi->setParameterValueAt(4, 150.0f));
    EXPECT_EQ(nekobi->parameterValueAt(4), 100.0f);
    EXPECT_TRUE(nekobi->setParameterValueAt(4, -3.0f));
    EXPECT_EQ(nekobi->parameterValueAt(4), 0.0f);

    // Not a number, by port or by symbol: refused, the value stays.
    nekobi->setParameterValueAt(4, 40.0f);
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                      -std::numeric_limits<float>::infinity()}) {
        EXPECT_FALSE(nekobi->setParameterValueAt(4, bad));
        EXPECT_FALSE(nekobi->setParameterValue("cutoff", bad));
    }
    EXPECT_EQ(nekobi->parameterValueAt(4), 40.0f);

    // The audio output, the MIDI input and a port that does not exist take nothing.
    EXPECT_FALSE(nekobi->setParameterValueAt(0, 1.0f));
    EXPECT_FALSE(nekobi->setParameterValueAt(1, 1.0f));
    EXPECT_FALSE(nekobi->setParameterValueAt(999, 1.0f));
    EXPECT_EQ(nekobi->parameterValueAt(0), std::nullopt);
}

TEST(LV2EditorSupport, StoredStateIsHeldToTheBounds)
{
    const auto nekobi = load(nekobiURI);
    nekobi->setParameterValue("cutoff", 33.0f);
    nekobi->setParameterValue("decay", 44.0f);
    const auto saved = nekobi->saveState();
    ASSERT_TRUE(saved);
    std::string text(saved->begin(), saved->end());
    // A stored value is outside data: this one is made out of range.
    const std::string stored = "pset:value 33.0";
    const auto at = text.find(stored);
    ASSERT_NE(at, std::string::npos) << text;
    text.replace(at, stored.size(), "pset:value 1000.0");

    const auto fresh = load(nekobiURI);
    ASSERT_TRUE(fresh->restoreState(std::vector<std::uint8_t>(text.begin(), text.end())));
    EXPECT_EQ(fresh->parameterValue("cutoff"), 100.0f);
    EXPECT_EQ(fresh->parameterValue("decay"), 44.0f);
}

TEST(LV2EditorSupport, OnlyAnEmbeddableEditorCountsAndTheCatalogAgrees)
{
    ASSERT_TRUE(extraEditors);
    const auto nekobi = load(nekobiURI);
    ASSERT_TRUE(nekobi->userInterface());
    EXPECT_EQ(nekobi->userInterface()->typeURI, "http://lv2plug.in/ns/extensions/ui#X11UI");
    EXPECT_TRUE(nekobi->userInterface()->binaryPath.ends_with("/Nekobi_ui.so"));
    EXPECT_TRUE(nekobi->hasUserInterface());
    for (const char* uri : {karsURI, mdaPianoURI, dx10URI, jx10URI}) EXPECT_FALSE(load(uri)->hasUserInterface()) << uri;
    for (const char* uri : {nekobiURI, karsURI, mdaPianoURI, dx10URI, jx10URI})
        EXPECT_EQ(AudioUnitInstrumentCatalog::descriptor(uri)->hasCustomView, load(uri)->hasUserInterface()) << uri;
}

class LV2EditorFlagTest : public AudioEngineTest {
protected:
    LV2EditorFlagTest() : AudioEngineTest("editor-flag-listener") {}

    void select(const char* uri)
    {
        bool done = false;
        engine->selectInstrument(*AudioUnitInstrumentCatalog::descriptor(uri), [&] { done = true; });
        ASSERT_TRUE(processEventsUntil([&] { return done; }, 20s));
        ASSERT_FALSE(engine->instrumentError());
        processEventsFor(20ms); // the probe answers on the next turn
    }
};

TEST_F(LV2EditorFlagTest, EngineSaysWhetherThePluginNowPlayingHasItsOwnEditor)
{
    select(nekobiURI);
    EXPECT_TRUE(engine->activeInstrumentHasUserInterface());
    select(karsURI);
    EXPECT_FALSE(engine->activeInstrumentHasUserInterface());
}

} // namespace
