#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "AudioTestSupport.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "JackRecorder.hpp"

using namespace corvane;
using namespace std::chrono_literals;

namespace {

// The recorder is the output device "jack:monitor".
class OutputSelectionTest : public AudioEngineTest {
protected:
    OutputSelectionTest() : AudioEngineTest("monitor") {}

    std::string enginePort() const
    {
        const auto ports = monitor.outputPorts("^Brelmo");
        return ports.empty() ? std::string() : ports.front();
    }
    bool systemHears(const std::string& port) const
    {
        jack_port_t* playback = jack_port_by_name(monitor.client(), "system:playback_1");
        return playback && jack_port_connected_to(playback, port.c_str());
    }

    JackRecorder& monitor = recorder;
};

TEST_F(OutputSelectionTest, SwitchingReconnectsTheRunningOutputAndIsRemembered)
{
    ASSERT_TRUE(waitForBuiltInPiano());
    engine->start();
    ASSERT_TRUE(processEventsUntil([&] { return systemHears(enginePort()); }, 5s));

    engine->selectAudioOutput(std::string("jack:monitor"));
    EXPECT_EQ(reconfigurations, 1);
    EXPECT_TRUE(engine->isRunning());
    EXPECT_EQ(engine->selectedOutputUID(), "jack:monitor");
    EXPECT_FALSE(engine->outputError());
    EXPECT_EQ(defaults->stringValue(PianoAudioEngine::selectedOutputPreferenceKey), "jack:monitor");
    // The server makes the new connections on its own time, as at the start.
    processEventsUntil([&] { return monitor.isConnectedFrom(enginePort()) && !systemHears(enginePort()); }, 5s);
    const auto port = enginePort();
    EXPECT_TRUE(monitor.isConnectedFrom(port));
    EXPECT_FALSE(systemHears(port));

    // The sound now reaches the chosen device without any help.
    const auto before = monitor.recordedFrames();
    engine->noteOn(64, 110, 0);
    processEventsFor(300ms);
    EXPECT_GT(JackRecorder::rms(monitor.left(before)), 0.005);

    engine->selectAudioOutput(std::nullopt);
    EXPECT_EQ(reconfigurations, 2);
    EXPECT_FALSE(engine->selectedOutputUID());
    EXPECT_FALSE(defaults->contains(PianoAudioEngine::selectedOutputPreferenceKey));
    processEventsUntil([&] { return systemHears(enginePort()) && !monitor.isConnectedFrom(enginePort()); }, 5s);
    EXPECT_TRUE(systemHears(enginePort()));
    EXPECT_FALSE(monitor.isConnectedFrom(enginePort()));
}

TEST_F(OutputSelectionTest, MissingDeviceLeavesEngineAndStoredChoiceAlone)
{
    defaults->setString(PianoAudioEngine::selectedOutputPreferenceKey, "jack:monitor");
    engine->start();
    ASSERT_TRUE(processEventsUntil([&] { return systemHears(enginePort()); }, 5s));

    engine->selectAudioOutput(std::string("jack:unplugged"));
    EXPECT_EQ(engine->selectedOutputUID(), "jack:unplugged");
    EXPECT_EQ(engine->outputError(), "A saída de áudio selecionada não está disponível.");
    EXPECT_EQ(reconfigurations, 0);
    EXPECT_EQ(defaults->stringValue(PianoAudioEngine::selectedOutputPreferenceKey), "jack:monitor");
    EXPECT_TRUE(engine->isRunning());
    EXPECT_TRUE(systemHears(enginePort()));

    // A later successful choice clears the message.
    engine->selectAudioOutput(std::string("jack:monitor"));
    EXPECT_FALSE(engine->outputError());
}

TEST_F(OutputSelectionTest, LaunchRestoresTheStoredOutputBeforeTheFirstStart)
{
    defaults->setString(PianoAudioEngine::selectedOutputPreferenceKey, "jack:monitor");
    bool restored = false;
    engine->restorePreferredInstrument([&] { restored = true; });
    ASSERT_TRUE(processEventsUntil([&] { return restored; }));
    EXPECT_EQ(engine->selectedOutputUID(), "jack:monitor");
    EXPECT_FALSE(engine->isRunning());
    EXPECT_FALSE(engine->availableAudioOutputs().empty());

    engine->start();
    ASSERT_TRUE(processEventsUntil([&] { return monitor.isConnectedFrom(enginePort()); }, 5s));
    EXPECT_FALSE(systemHears(enginePort()));
}

TEST_F(OutputSelectionTest, UnpluggedStoredOutputStillRestoresTheInstrument)
{
    defaults->setString(PianoAudioEngine::selectedOutputPreferenceKey, "jack:gone");
    defaults->setString(PianoAudioEngine::selectedInstrumentPreferenceKey, "61756D75-AD28741D-8A389B00");
    bool restored = false;
    engine->restorePreferredInstrument([&] { restored = true; });
    ASSERT_TRUE(processEventsUntil([&] { return restored; }));
    EXPECT_EQ(engine->selectedOutputUID(), "jack:gone");
    EXPECT_EQ(engine->outputError(), "A saída de áudio selecionada não está disponível.");
    EXPECT_EQ(engine->selectedInstrument().name, "MDA Piano");
    EXPECT_TRUE(engine->isRunning()); // the swap started it, on the default output
    EXPECT_TRUE(processEventsUntil([&] { return systemHears(enginePort()); }, 5s));
}

// The application prepares the output on a worker and makes the engine from
// it: the stream is open on the stored device already, the launch's restore
// neither lists nor reopens, and a stored device that is gone is told as usual.
TEST_F(OutputSelectionTest, OutputPreparedOffTheMainThreadServesTheLaunch)
{
    const auto prepare = [](std::optional<std::string> uid) {
        return std::async(std::launch::async, [uid] {
                   return PreparedAudioOutput::prepare(AudioHostAPI::jack, uid, true);
               }).get();
    };
    const auto makeEngine = [&](std::optional<std::string> stored) {
        engine.reset();
        reconfigurations = 0;
        if (stored) defaults->setString(PianoAudioEngine::selectedOutputPreferenceKey, *stored);
        engine = std::make_unique<PianoAudioEngine>(*defaults, prepare(stored));
        engine->onWillReconfigure = [this] { ++reconfigurations; };
    };

    makeEngine(std::string("jack:monitor"));
    bool restored = false;
    engine->restorePreferredInstrument([&] { restored = true; });
    ASSERT_TRUE(processEventsUntil([&] { return restored; }));
    EXPECT_EQ(reconfigurations, 0); // nothing was reopened
    EXPECT_EQ(engine->selectedOutputUID(), "jack:monitor");
    EXPECT_FALSE(engine->outputError());
    EXPECT_FALSE(engine->availableAudioOutputs().empty());
    engine->start();
    ASSERT_TRUE(processEventsUntil([&] { return monitor.isConnectedFrom(enginePort()); }, 5s));
    EXPECT_FALSE(systemHears(enginePort()));

    makeEngine(std::string("jack:gone"));
    restored = false;
    engine->restorePreferredInstrument([&] { restored = true; });
    ASSERT_TRUE(processEventsUntil([&] { return restored; }));
    EXPECT_EQ(engine->selectedOutputUID(), "jack:gone");
    EXPECT_EQ(engine->outputError(), "A saída de áudio selecionada não está disponível.");
    engine->start(); // on the default output, opened while preparing
    EXPECT_TRUE(processEventsUntil([&] { return systemHears(enginePort()); }, 5s));
}

} // namespace
