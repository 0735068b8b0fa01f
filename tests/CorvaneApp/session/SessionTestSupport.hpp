#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "CorvaneApp/kit/style/StudioResourceBundle.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"
#include "CorvaneAudio/audio/AudioTestSupport.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneAudio/midi/MIDIDeviceMonitor.hpp"
#include "CorvaneLibrary/PracticeLoopStore.hpp"
#include "CorvaneLibrary/PracticeProgressStore.hpp"
#include "CorvaneLibrary/PracticeTrackStore.hpp"
#include "support/QtEventLoop.hpp"
#include "support/SMFWriter.hpp"
#include "support/TestFolder.hpp"

// A folder of its own for the songs a test writes.
class SongFolder : public TestFolder {
public:
    SongFolder() : TestFolder("brelmo-session-test") {}
};

// At 120 beats a minute and 480 ticks a beat, a beat is 0.5 s.
constexpr std::uint32_t beat = 480;

// A conductor track (4/4 at 120) and one note track per list of notes; each
// note is (start beat, length in beats, pitch), channel = track number - 1.
struct ScoreNote {
    double startBeat;
    double beats;
    std::uint8_t pitch;
};
inline smf::Bytes score(const std::vector<std::vector<ScoreNote>>& tracks, std::uint8_t velocity = 100)
{
    std::vector<smf::Track> out;
    smf::Track conductor;
    conductor.tempo(0, 500000).timeSignature(0, 4, 2).endOfTrack();
    out.push_back(conductor);
    for (std::size_t t = 0; t < tracks.size(); ++t) {
        struct Edge {
            std::uint32_t tick;
            bool on;
            std::uint8_t pitch;
        };
        std::vector<Edge> edges;
        for (const auto& n : tracks[t]) {
            edges.push_back({static_cast<std::uint32_t>(n.startBeat * beat), true, n.pitch});
            edges.push_back({static_cast<std::uint32_t>((n.startBeat + n.beats) * beat), false, n.pitch});
        }
        std::stable_sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) {
            return a.tick != b.tick ? a.tick < b.tick : (!a.on && b.on);
        });
        smf::Track track;
        track.name(0, "Trilha " + std::to_string(t + 1));
        std::uint32_t now = 0;
        const auto channel = static_cast<std::uint8_t>(t);
        for (const auto& e : edges) {
            if (e.on) track.noteOn(e.tick - now, e.pitch, velocity, channel);
            else track.noteOff(e.tick - now, e.pitch, 64, channel);
            now = e.tick;
        }
        track.endOfTrack();
        out.push_back(track);
    }
    return smf::file(1, beat, out);
}

// The stores of one defaults file, as the application makes them.
struct SessionStores {
    explicit SessionStores(corvane::DefaultsStore& defaults, std::int64_t loopsPerSong = 50)
        : progress(defaults, 200), loops(defaults, loopsPerSong), tracks(defaults)
    {
    }
    corvane::PracticeProgressStore progress;
    corvane::PracticeLoopStore loops;
    corvane::PracticeTrackStore tracks;
};

// A controller on the real engine and MIDI monitor, both on the shared JACK
// dummy server, with a defaults file and a song folder of its own.
class SessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine = std::make_unique<corvane::PianoAudioEngine>(*defaults, corvane::AudioHostAPI::jack);
        monitor = std::make_unique<corvane::MIDIDeviceMonitor>(*defaults, corvane::MIDIApi::jack);
    }
    void TearDown() override
    {
        controller.reset();
        monitor.reset();
        engine.reset();
    }

    corvane::PracticeSessionStore& makeController(corvane::PracticeSessionStore::CountInSleep sleep = {},
                                                  corvane::PracticeSessionStore::CountInClick click = {},
                                                  corvane::PracticeSessionEnvironment environment = {})
    {
        controller.reset();
        stores = std::make_unique<SessionStores>(*defaults, loopsPerSong);
        // The demo pieces where the application finds them.
        if (environment.demoBundles.empty()) environment.demoBundles = corvane::StudioResourceBundle::candidates();
        controller = std::make_unique<corvane::PracticeSessionStore>(
            stores->progress, stores->loops, stores->tracks, monitor.get(), engine.get(), *defaults,
            std::move(sleep), std::move(click), std::move(environment));
        return *controller;
    }

    // Waits until the engine's render clock runs, so that transport calls act.
    bool waitForClock()
    {
        return processEventsUntil([&] { return engine->currentRenderClockInstant().has_value(); });
    }

    std::int64_t loopsPerSong = 50;
    JackTestServer& server = sharedJackServer(); // before any client
    TemporaryDefaults defaults;
    SongFolder songs;
    std::unique_ptr<corvane::PianoAudioEngine> engine;
    std::unique_ptr<corvane::MIDIDeviceMonitor> monitor;
    std::unique_ptr<SessionStores> stores;
    std::unique_ptr<corvane::PracticeSessionStore> controller;
    // For callbacks that look at the controller they were handed to.
    corvane::PracticeSessionStore* c_ = nullptr;
};
