// The JACK server dies under a playing output (killed, or stopped in order):
// the stream closes without taking the program with it, whichever of the
// program's JACK clients reaches for a server first, and the engine plays
// again once a server is back under the same name.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <thread>

#include <jack/jack.h>

#include "AudioTestSupport.hpp"
#include "CorvaneAudio/output/AudioOutputStream.hpp"
#include "CorvaneAudio/output/AudioRenderCore.hpp"
#include "CorvaneAudio/midi/MIDIDeviceMonitor.hpp"
#include "CorvaneAudio/PianoAudioError.hpp"
#include "StreamTestSupport.hpp"
#include "support/JackTestClient.hpp"
#include "support/JackTestServer.hpp"

using namespace corvane;
using namespace std::chrono_literals;

namespace {

// Silent; on demand, the next render waits until released.
class HoldingInstrument : public SilentInstrument {
public:
    void render(float* left, float* right, std::uint32_t frames) override
    {
        SilentInstrument::render(left, right, frames);
        if (holdNext_.exchange(false)) {
            held_ = true;
            while (!released_.load()) std::this_thread::sleep_for(std::chrono::microseconds(200));
            heldRenderFinished_ = true;
        }
        ++renders_;
    }

    void holdNext() { holdNext_ = true; }
    void release() { released_ = true; }
    bool held() const { return held_; }
    bool heldRenderFinished() const { return heldRenderFinished_; }
    int renders() const { return renders_; }

private:
    std::atomic<bool> holdNext_{false}, held_{false}, released_{false}, heldRenderFinished_{false};
    std::atomic<int> renders_{0};
};

// Whether the engine's ports are wired to the server's playback ports.
bool wiredToPlayback(const std::string& server)
{
    jack_status_t status{};
    jack_client_t* client =
        jack_client_open("wiring", static_cast<jack_options_t>(JackNoStartServer | JackServerName), &status, server.c_str());
    if (!client) return false;
    jack_port_t* left = jack_port_by_name(client, "Brelmo:outport 0");
    jack_port_t* right = jack_port_by_name(client, "Brelmo:outport 1");
    const bool wired = left && right && jack_port_connected_to(left, "system:playback_1") &&
                       jack_port_connected_to(right, "system:playback_2");
    jack_client_close(client);
    return wired;
}

bool clockRuns(const PianoAudioEngine& engine)
{
    const auto instant = engine.currentRenderClockInstant();
    return instant && instant->sampleTime > 0;
}

} // namespace

// Once the server is gone, closing the client cancels its process thread
// without waiting for the cycle to end; a render cut off there would unwind
// through code that cannot be unwound (the program aborts) or die half done.
TEST(OutputServerLoss, ARenderUnderWayWhenTheServerDiesEndsBeforeTheStreamCloses)
{
    RealtimeJackTestServer server;
    HoldingInstrument instrument;
    InstrumentStream output(instrument, "Brelmo Loss");
    auto& stream = output.stream;
    ASSERT_TRUE(stream);
    stream->start();
    ASSERT_TRUE(processEventsUntil([&] { return instrument.renders() > 0; }));

    instrument.holdNext();
    ASSERT_TRUE(processEventsUntil([&] { return instrument.held(); }));
    ASSERT_TRUE(server.kill(SIGKILL));
    // The death is known within a millisecond or two; by the release the close has long begun.
    std::thread releaser([&] {
        std::this_thread::sleep_for(500ms);
        instrument.release();
    });
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(stream->isRunning() && stream->isOpen()) << "asking closes nothing; the check does";
    int losses = 0;
    const bool closed = processEventsUntil(
        [&] {
            losses += stream->closeIfLost();
            return !stream->isRunning();
        },
        5s);
    releaser.join();
    EXPECT_TRUE(closed);
    EXPECT_EQ(losses, 1);
    EXPECT_FALSE(stream->closeIfLost()) << "a loss is told once";
    EXPECT_TRUE(instrument.heldRenderFinished());
    EXPECT_FALSE(stream->isOpen());
}

// A crash and an orderly stop, one after the other, on one engine.
TEST(OutputServerLoss, TheEnginePlaysAgainOnceTheServerIsBack)
{
    RealtimeJackTestServer server;
    TemporaryDefaults defaults;
    PianoAudioEngine engine(*defaults, AudioHostAPI::jack);
    int losses = 0;
    QObject::connect(&engine, &PianoAudioEngine::outputLost, [&] { ++losses; });
    for (const int signal : {SIGKILL, SIGTERM}) {
        SCOPED_TRACE(::strsignal(signal));
        engine.start();
        ASSERT_TRUE(processEventsUntil([&] { return clockRuns(engine); }));
        ASSERT_TRUE(wiredToPlayback(server.name()));

        losses = 0;
        ASSERT_TRUE(server.kill(signal));
        // The engine looks by itself, and tells once.
        EXPECT_TRUE(processEventsUntil([&] { return !engine.isRunning(); }, 1s));
        processEventsFor(200ms);
        EXPECT_EQ(losses, 1);
        EXPECT_FALSE(engine.currentRenderClockInstant());
        // Played while nothing runs: taken at once, and nothing hangs.
        engine.noteOn(60, 100, 0);
        engine.noteOff(60, 0);
        EXPECT_THROW(engine.start(), AudioStartError) << "there is no server to play on";

        server.start();
        engine.start();
        EXPECT_TRUE(processEventsUntil([&] { return clockRuns(engine); }));
        EXPECT_TRUE(wiredToPlayback(server.name()));
        EXPECT_EQ(losses, 1) << "a failed start is no new loss";
    }
}


// After a server's death libjack's next client opening frees every client
// still open: the MIDI monitor reaching for a server again must not leave
// the engine a freed client, nor the engine's listing leave the monitor one.
TEST(OutputServerLoss, TheEngineAndTheMIDIMonitorSurviveEachOthersReachingForTheServer)
{
    RealtimeJackTestServer server;
    TemporaryDefaults defaults;
    PianoAudioEngine engine(*defaults, AudioHostAPI::jack);
    MIDIDeviceMonitor monitor(*defaults, MIDIApi::jack);
    for (const bool monitorFirst : {true, false}) {
        SCOPED_TRACE(monitorFirst ? "the monitor reaches first" : "the engine reaches first");
        engine.start();
        ASSERT_TRUE(processEventsUntil([&] { return clockRuns(engine); }));
        ASSERT_TRUE(server.kill(SIGKILL));
        // Every client has heard of it by now; nothing of ours has looked.
        std::this_thread::sleep_for(100ms);
        if (monitorFirst) {
            monitor.refresh();
            EXPECT_FALSE(engine.isRunning());
        } else {
            EXPECT_THROW(engine.start(), AudioStartError);
            monitor.refresh();
        }
        EXPECT_TRUE(monitor.sources().empty());
        server.start();
        JackTestClient keyboard("Teclado de volta", "Teclado", JackTestClient::Direction::keyboard);
        EXPECT_TRUE(processEventsUntil([&] {
            const auto sources = monitor.sources();
            return std::ranges::any_of(sources, [&](const auto& s) { return s.displayName == keyboard.portName(); });
        }));
    }
    engine.start();
    EXPECT_TRUE(processEventsUntil([&] { return clockRuns(engine); }));
}
