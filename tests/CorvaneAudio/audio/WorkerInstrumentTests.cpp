// An instrument that needs the LV2 worker (synthv1) offered, loaded, heard on
// the JACK dummy server, its editors chosen, and let go while its worker has
// work in hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "AudioTestSupport.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneAudio/instruments/AudioUnitInstrumentCatalog.hpp"
#include "CorvaneAudio/instruments/LV2Instrument.hpp"
#include "JackRecorder.hpp"
#include "support/LV2TestBundle.hpp"

using namespace corvane;
using namespace std::chrono_literals;

namespace {

constexpr const char* synthv1URI = "http://synthv1.sourceforge.net/lv2";

// synthv1 describes a Qt 6 editor in its bundle but lists only its X11 one;
// here it lists both, as a plugin offering the two would.
const bool bothEditors = addLV2TestBundle("brelmo-synthv1-qt6", R"(
@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .
<http://synthv1.sourceforge.net/lv2> ui:ui <http://synthv1.sourceforge.net/lv2#ui> .
)");

class WorkerInstrumentTest : public AudioEngineTest {
protected:
    WorkerInstrumentTest() : AudioEngineTest("worker-listener") {}

    void select(const AudioInstrumentDescriptor& descriptor)
    {
        bool done = false;
        engine->selectInstrument(descriptor, [&] { done = true; });
        ASSERT_TRUE(processEventsUntil([&] { return done; }, 20s));
        ASSERT_FALSE(engine->instrumentError()) << *engine->instrumentError();
    }
};

TEST(WorkerInstrument, SynthIsOfferedWithItsEditorsQtFirstAndBothReachIntoTheInstance)
{
    ASSERT_TRUE(bothEditors);
    const auto all = AudioUnitInstrumentCatalog::discover();
    const auto found = std::ranges::find(all, std::string("synthv1"), &AudioInstrumentDescriptor::name);
    ASSERT_NE(found, all.end());
    EXPECT_TRUE(found->hasCustomView);

    const auto synth = LV2Instrument::instantiate(*found->componentDescription(), 48000);
    ASSERT_EQ(synth->userInterfaces().size(), 2u);
    EXPECT_EQ(synth->userInterfaces()[0].toolkit, LV2UserInterfaceChoice::Toolkit::qt6);
    EXPECT_EQ(synth->userInterfaces()[0].uri, "http://synthv1.sourceforge.net/lv2#ui");
    EXPECT_EQ(synth->userInterfaces()[1].toolkit, LV2UserInterfaceChoice::Toolkit::x11);
    EXPECT_EQ(synth->userInterfaces()[1].uri, "http://synthv1.sourceforge.net/lv2#ui_x11");
    EXPECT_EQ(synth->userInterface(), synth->userInterfaces()[0]);
    EXPECT_TRUE(synth->instanceHandle());
    EXPECT_TRUE(synth->extensionData());
}

TEST_F(WorkerInstrumentTest, SynthPlaysOnTheDummyServerAndIsLetGoCleanly)
{
    const auto descriptor = AudioUnitInstrumentCatalog::descriptor(synthv1URI);
    ASSERT_TRUE(descriptor);
    select(*descriptor);
    ASSERT_TRUE(engine->activeAudioUnit());
    EXPECT_TRUE(engine->isRunning());
    processEventsFor(20ms);
    EXPECT_TRUE(engine->activeInstrumentHasUserInterface());

    recorder.connectFrom("^Brelmo");
    processEventsFor(200ms);
    const auto before = recorder.recordedFrames();
    engine->noteOn(60, 110, 0);
    processEventsFor(500ms);
    engine->noteOff(60, 0);
    const float peak = std::max(JackRecorder::peak(recorder.left(before)), JackRecorder::peak(recorder.right(before)));
    std::cout << "synthv1 peak: " << 20 * std::log10(std::max(peak, 1e-12f)) << " dBFS\n";
    EXPECT_GT(20 * std::log10(peak), -60.0);

    // Its state is stored (through its own state interface) and it gives way
    // to the built-in piano, its worker stopped before it is freed.
    select(AudioInstrumentDescriptor::bundledPiano());
    EXPECT_EQ(engine->activeAudioUnit(), nullptr);
    EXPECT_TRUE(defaults->dataValue(PianoAudioEngine::instrumentStatePreferenceKeyPrefix + descriptor->id));
    processEventsFor(200ms);
}

} // namespace
