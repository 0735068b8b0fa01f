#include <gtest/gtest.h>

#include <chrono>

#include "AudioTestSupport.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneAudio/instruments/AudioUnitInstrumentCatalog.hpp"
#include "CorvaneAudio/instruments/LV2Instrument.hpp"
#include "JackRecorder.hpp"

using namespace corvane;
using namespace std::chrono_literals;

namespace {

const std::string mdaPianoID = "61756D75-AD28741D-8A389B00";
const std::string mdaEPianoURI = "http://drobilla.net/plugins/mda/EPiano";

class InstrumentSelectionTest : public AudioEngineTest {
protected:
    InstrumentSelectionTest() : AudioEngineTest("listener") {}

    void refresh()
    {
        bool done = false;
        engine->refreshAvailableInstruments([&] { done = true; });
        ASSERT_TRUE(processEventsUntil([&] { return done; }));
    }
    void select(const std::string& id)
    {
        bool done = false;
        engine->selectInstrument(id, [&] { done = true; });
        ASSERT_TRUE(processEventsUntil([&] { return done; }));
    }
    void select(const AudioInstrumentDescriptor& descriptor)
    {
        bool done = false;
        engine->selectInstrument(descriptor, [&] { done = true; });
        ASSERT_TRUE(processEventsUntil([&] { return done; }));
    }
};

TEST_F(InstrumentSelectionTest, PluginInstrumentIsLoadedStartedRememberedAndHeard)
{
    refresh();
    std::optional<std::string> loadingSeen;
    QObject::connect(engine.get(), &PianoAudioEngine::loadingInstrumentIDChanged, [&] {
        if (engine->loadingInstrumentID()) loadingSeen = engine->loadingInstrumentID();
    });
    select(mdaPianoID);
    EXPECT_EQ(loadingSeen, mdaPianoID);
    EXPECT_FALSE(engine->loadingInstrumentID());
    EXPECT_FALSE(engine->instrumentError());
    EXPECT_EQ(engine->selectedInstrument().name, "MDA Piano");
    EXPECT_EQ(reconfigurations, 1);
    EXPECT_TRUE(engine->isRunning());
    ASSERT_NE(engine->activeAudioUnit(), nullptr);
    EXPECT_EQ(defaults->stringValue(PianoAudioEngine::selectedInstrumentPreferenceKey), mdaPianoID);
    processEventsFor(20ms);
    EXPECT_FALSE(engine->activeInstrumentHasUserInterface()); // mda plugins ship no editor

    recorder.connectFrom("^Brelmo");
    const auto before = recorder.recordedFrames();
    engine->noteOn(60, 110, 0);
    processEventsFor(300ms);
    EXPECT_GT(JackRecorder::rms(recorder.left(before)), 0.005);
}

TEST_F(InstrumentSelectionTest, PluginStateIsStoredWhenSwappedOutAndRestoredWhenBack)
{
    refresh();
    select(mdaPianoID);
    ASSERT_TRUE(engine->activeAudioUnit());
    ASSERT_TRUE(engine->activeAudioUnit()->setParameterValue("env_decay", 0.125f));

    select(AudioInstrumentDescriptor::bundledPiano().id);
    EXPECT_EQ(engine->activeAudioUnit(), nullptr);
    EXPECT_TRUE(defaults->dataValue(PianoAudioEngine::instrumentStatePreferenceKeyPrefix + mdaPianoID));
    // The built-in piano has no state of its own.
    engine->persistActiveInstrumentState();
    EXPECT_FALSE(defaults->contains(PianoAudioEngine::instrumentStatePreferenceKeyPrefix +
                                    AudioInstrumentDescriptor::bundledPiano().id));

    select(mdaPianoID);
    ASSERT_TRUE(engine->activeAudioUnit());
    EXPECT_EQ(engine->activeAudioUnit()->parameterValue("env_decay"), 0.125f);
}

TEST_F(InstrumentSelectionTest, UnreadableStoredStateLoadsThePluginWithItsDefaults)
{
    refresh();
    defaults->setData(PianoAudioEngine::instrumentStatePreferenceKeyPrefix + mdaPianoID, {'n', 'o', 't', ' ', 'a'});
    select(mdaPianoID);
    ASSERT_TRUE(engine->activeAudioUnit());
    EXPECT_FALSE(engine->instrumentError());
    EXPECT_EQ(engine->activeAudioUnit()->parameterValue("env_decay"), 0.5f);

    // Another plugin's state is not applied either.
    auto other = LV2Instrument::instantiate(*AudioUnitInstrumentCatalog::descriptor(mdaEPianoURI)->componentDescription(), 48000);
    EXPECT_FALSE(engine->activeAudioUnit()->restoreState(other->saveState().value()));
}

TEST_F(InstrumentSelectionTest, EffectPluginIsRefusedAndThePianoKeepsPlaying)
{
    const auto effect = AudioUnitInstrumentCatalog::descriptor("http://drobilla.net/plugins/mda/Ambience");
    ASSERT_TRUE(effect);
    ASSERT_TRUE(waitForBuiltInPiano());
    engine->start();
    recorder.connectFrom("^Brelmo");
    select(*effect);
    EXPECT_EQ(engine->instrumentError(),
              "Não foi possível carregar MDA Ambience: O plug-in LV2 selecionado não aceita eventos MIDI como "
              "instrumento.");
    EXPECT_EQ(engine->selectedInstrument(), AudioInstrumentDescriptor::bundledPiano());
    EXPECT_EQ(reconfigurations, 0);
    EXPECT_FALSE(engine->loadingInstrumentID());
    const auto before = recorder.recordedFrames();
    engine->noteOn(60, 110, 0);
    processEventsFor(300ms);
    EXPECT_GT(JackRecorder::rms(recorder.left(before)), 0.005);
}

TEST_F(InstrumentSelectionTest, SelectionGuards)
{
    refresh();
    select("no-such-instrument");
    EXPECT_EQ(engine->instrumentError(), "O instrumento selecionado não está mais disponível.");
    // The instrument already playing: nothing at all happens, the message stays.
    select(AudioInstrumentDescriptor::bundledPiano().id);
    EXPECT_EQ(engine->instrumentError(), "O instrumento selecionado não está mais disponível.");
    EXPECT_EQ(reconfigurations, 0);

    // A second choice while one loads is ignored; afterwards it can be made.
    bool first = false, second = false;
    engine->selectInstrument(mdaPianoID, [&] { first = true; });
    const auto* epiano = &*std::find_if(engine->availableInstruments().begin(), engine->availableInstruments().end(),
                                        [](const auto& d) { return d.name == "MDA ePiano"; });
    const auto epianoDescriptor = *epiano;
    engine->selectInstrument(epianoDescriptor, [&] { second = true; });
    EXPECT_TRUE(second);
    ASSERT_TRUE(processEventsUntil([&] { return first; }));
    EXPECT_EQ(engine->selectedInstrument().id, mdaPianoID);
    select(epianoDescriptor);
    EXPECT_EQ(engine->selectedInstrument().id, epianoDescriptor.id);
    EXPECT_EQ(reconfigurations, 2);
}

TEST_F(InstrumentSelectionTest, SwapLeavesNoNoteHanging)
{
    refresh();
    select(mdaPianoID);
    recorder.connectFrom("^Brelmo");
    engine->sendController(64, 127, 0);
    engine->noteOn(48, 127, 0);
    engine->noteOn(55, 127, 0);
    processEventsFor(200ms);
    select(AudioInstrumentDescriptor::bundledPiano().id);
    processEventsFor(300ms);
    EXPECT_LT(JackRecorder::peak(recorder.left(recorder.recordedFrames() - 4800)), 0.0005);
    // The new piano starts with its pedal up: a released note dies away.
    engine->noteOn(60, 110, 0);
    processEventsFor(100ms);
    engine->noteOff(60, 0);
    processEventsFor(1500ms);
    EXPECT_LT(JackRecorder::peak(recorder.left(recorder.recordedFrames() - 4800)), 0.001);
}

TEST_F(InstrumentSelectionTest, RestoringTheStoredInstrumentHappensOnce)
{
    defaults->setString(PianoAudioEngine::selectedInstrumentPreferenceKey, "0000ABCD-00000001-00000002");
    bool done = false;
    engine->restorePreferredInstrument([&] { done = true; });
    ASSERT_TRUE(processEventsUntil([&] { return done; }));
    EXPECT_EQ(engine->instrumentError(),
              "O plug-in LV2 usado anteriormente não está disponível; o piano interno foi mantido.");
    EXPECT_EQ(engine->selectedInstrument(), AudioInstrumentDescriptor::bundledPiano());
    EXPECT_EQ(defaults->stringValue(PianoAudioEngine::selectedInstrumentPreferenceKey), "0000ABCD-00000001-00000002");
    EXPECT_GT(engine->availableInstruments().size(), 1u);

    defaults->setString(PianoAudioEngine::selectedInstrumentPreferenceKey, mdaPianoID);
    done = false;
    engine->restorePreferredInstrument([&] { done = true; });
    EXPECT_TRUE(done);
    processEventsFor(100ms);
    EXPECT_EQ(engine->selectedInstrument(), AudioInstrumentDescriptor::bundledPiano());
}

TEST_F(InstrumentSelectionTest, RestoringDuringARunningRefreshWaitsForItsList)
{
    defaults->setString(PianoAudioEngine::selectedInstrumentPreferenceKey, mdaPianoID);
    engine->refreshAvailableInstruments();
    ASSERT_TRUE(engine->isRefreshingInstruments());
    bool done = false;
    engine->restorePreferredInstrument([&] { done = true; });
    ASSERT_TRUE(processEventsUntil([&] { return done; }));
    EXPECT_FALSE(engine->instrumentError());
    EXPECT_EQ(engine->selectedInstrument().id, mdaPianoID);
}

TEST_F(InstrumentSelectionTest, RestoringWithoutAStoredChoiceKeepsThePianoSilently)
{
    defaults->setString(PianoAudioEngine::selectedInstrumentPreferenceKey, AudioInstrumentDescriptor::bundledPiano().id);
    bool done = false;
    engine->restorePreferredInstrument([&] { done = true; });
    ASSERT_TRUE(processEventsUntil([&] { return done; }));
    EXPECT_FALSE(engine->instrumentError());
    EXPECT_EQ(reconfigurations, 0);
    EXPECT_FALSE(engine->isRunning());
}

} // namespace
