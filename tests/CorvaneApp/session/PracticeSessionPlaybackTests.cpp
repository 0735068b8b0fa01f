// Playback on the real engine and an external JACK MIDI instrument: events
// leave on time, the student's hand and muted tracks are held back, and the
// session stops cleanly when the clock goes away.
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>

#include "CorvaneApp/session/PracticeSessionStoreProbe.hpp"
#include "SessionTestSupport.hpp"
#include "VirtualMIDIDevices.hpp"

using namespace corvane;
using namespace std::chrono_literals;

namespace {

class PlaybackTest : public SessionTest {
protected:
    // Playback goes to the recording instrument instead of the piano.
    void routeToInstrument(RecordingMIDIInstrument&)
    {
        ASSERT_TRUE(processEventsUntil(
            [&] {
                monitor->refresh();
                return endpointNamed(monitor->destinations(), "Session Synth:in") != nullptr;
            },
            5s));
        monitor->selectOutput(endpointNamed(monitor->destinations(), "Session Synth:in")->id);
        ASSERT_FALSE(monitor->usesInternalOutput());
    }
};

TEST_F(PlaybackTest, NotesLeaveAtTheirSongTimes)
{
    RecordingMIDIInstrument instrument("Session Synth");
    routeToInstrument(instrument);
    auto& c = makeController();
    // Eight quarter notes, 0.5 s apart.
    std::vector<ScoreNote> notes;
    for (int i = 0; i < 8; ++i) notes.push_back({double(i), 0.5, std::uint8_t(60 + i)});
    c.loadMIDI(songs.write("scale.mid", score({notes})));
    ASSERT_EQ(c.lastImportError(), std::nullopt);
    ASSERT_TRUE(processEventsUntil([&] { return instrument.noteOns().size() >= 8; }, 10s))
        << instrument.noteOns().size();

    const auto ons = instrument.noteOns();
    for (int i = 0; i < 8; ++i) EXPECT_EQ(ons[i].bytes[1], 60 + i);
    // Against the first note: the dummy server is not real-time, so the
    // bound is loose; a wrong tempo or a stalled loop is far outside it.
    for (int i = 1; i < 8; ++i) {
        const double seconds = std::chrono::duration<double>(ons[i].receivedAt - ons[0].receivedAt).count();
        EXPECT_NEAR(seconds, 0.5 * i, 0.06) << "note " << i;
    }
    ASSERT_TRUE(processEventsUntil([&] { return !c.isPlaying(); }, 5s)) << "the song ends by itself";
    EXPECT_DOUBLE_EQ(c.playbackPositionSeconds(), c.timelineDurationSeconds());
    EXPECT_GE(c.visualImpactEvents().size(), 8u);
}

TEST_F(PlaybackTest, MutedTracksAndTheStudentsHandAreNotSent)
{
    RecordingMIDIInstrument instrument("Session Synth");
    routeToInstrument(instrument);
    auto& c = makeController();
    // Track 1 high notes (right hand), track 2 low notes (left), track 3 an extra voice.
    c.loadMIDI(songs.write("three.mid", score({{{0, 0.5, 72}, {1, 0.5, 74}},
                                               {{0, 0.5, 48}, {1, 0.5, 50}},
                                               {{0, 0.5, 84}, {1, 0.5, 86}}})));
    ASSERT_TRUE(c.isTrackSelectionPresented());
    c.setTrackHand(PracticeTrackHand::right, 1);
    c.setTrackHand(PracticeTrackHand::left, 2);
    c.setTrackMuted(true, 3);
    c.setPracticeMode(PracticeMode::practice);
    c.setPracticeHand(PracticeHand::right);
    EXPECT_EQ(c.audibleTimelineNotes().size(), 4u);
    c.dismissTrackSelection();
    ASSERT_TRUE(processEventsUntil([&] { return !c.isPlaying(); }, 5s));

    std::vector<int> sent;
    for (const auto& m : instrument.noteOns()) sent.push_back(m.bytes[1]);
    EXPECT_EQ(sent, (std::vector<int>{48, 50})) << "only the left hand's notes sound";
    // The student's notes still flash on the stage; the muted track's do not.
    std::vector<int> flashed;
    for (const auto& e : c.visualImpactEvents())
        if (e.trackIndex) flashed.push_back(e.midiNote);
    EXPECT_EQ(flashed, (std::vector<int>{72, 48, 74, 50}));
}

TEST_F(PlaybackTest, PauseSeekAndRateKeepTheTransportInStep)
{
    auto& c = makeController();
    c.loadMIDI(songs.write("long.mid", score({{{0, 16, 60}}})));
    ASSERT_TRUE(c.isPlaying());
    processEventsFor(300ms);
    c.togglePlayback();
    EXPECT_FALSE(c.isPlaying());
    const double paused = c.playbackPositionSeconds();
    EXPECT_GT(paused, 0.15);
    processEventsFor(200ms);
    EXPECT_DOUBLE_EQ(c.playbackPositionSeconds(), paused) << "a paused song stands still";

    c.seek(4.0);
    EXPECT_DOUBLE_EQ(c.playbackPositionSeconds(), 4.0);
    EXPECT_FALSE(c.isPlaying());
    c.setPlaybackRate(2.0);
    EXPECT_DOUBLE_EQ(c.playbackRate(), 2.0);
    c.togglePlayback();
    processEventsFor(500ms);
    EXPECT_NEAR(c.playbackPositionSeconds(), 5.0, 0.25) << "half a second at double speed";

    c.setPlaybackRate(-1);
    EXPECT_EQ(c.lastImportError(), "A velocidade de reprodução não pôde ser alterada.");
    EXPECT_DOUBLE_EQ(c.playbackRate(), 2.0);

    // A seek to the end stops playback and the session's clock.
    c.seek(100);
    EXPECT_FALSE(c.isPlaying());
    const auto metrics = c.sessionMetrics();
    processEventsFor(100ms);
    EXPECT_DOUBLE_EQ(c.sessionMetrics().activeDurationSeconds, metrics.activeDurationSeconds);
    // Resuming at the end starts over.
    c.togglePlayback();
    EXPECT_TRUE(c.isPlaying());
    EXPECT_LT(c.playbackPositionSeconds(), 0.1);
}

TEST_F(PlaybackTest, ALoopWrapsAndSoundsAgainFromItsStart)
{
    RecordingMIDIInstrument instrument("Session Synth");
    routeToInstrument(instrument);
    auto& c = makeController();
    c.loadMIDI(songs.write("loop.mid", score({{{0, 0.5, 60}, {1, 0.5, 62}, {2, 0.5, 64}, {3, 0.5, 65}}})));
    c.setLoopSelection(0.5, 1.0);
    c.applyLoopSelection();
    ASSERT_EQ(c.loopRange(), (MIDILoopRange{0.5, 1.0}));
    processEventsFor(1600ms);
    c.togglePlayback();
    int repeated = 0;
    for (const auto& m : instrument.noteOns()) {
        EXPECT_TRUE(m.bytes[1] == 60 || m.bytes[1] == 62) << int(m.bytes[1]);
        repeated += m.bytes[1] == 62;
    }
    EXPECT_GE(repeated, 2) << "the looped note sounds on every pass";
}

TEST_F(PlaybackTest, ThePianoIsHeardWhilePlayingAndFallsSilentOnPause)
{
    JackRecorder recorder("session-recorder");
    // Notes played before the piano has loaded are silent.
    ASSERT_TRUE(processEventsUntil([&] { return !engine->isLoadingBuiltInPiano(); }, 15s));
    auto& c = makeController();
    c.loadMIDI(songs.write("chord.mid", score({{{0, 16, 60}, {0, 16, 64}, {0, 16, 67}}})));
    ASSERT_TRUE(processEventsUntil([&] { return !recorder.outputPorts("^Brelmo").empty(); }, 5s));
    recorder.connectFrom("^Brelmo");
    processEventsFor(400ms);
    const auto playing = recorder.recordedFrames();
    processEventsFor(300ms);
    EXPECT_GT(JackRecorder::rms(recorder.left(playing)), 0.005);
    c.togglePlayback();
    processEventsFor(1500ms);
    const auto tail = recorder.left(recorder.recordedFrames() - 4800);
    EXPECT_LT(JackRecorder::peak(tail), 0.001) << "pausing releases the held chord";
}

// A server of each test's own, so that killing it disturbs nobody else; the
// engine, stores and controller as the application makes them, without MIDI.
class PlaybackWithoutServer : public ::testing::Test {
protected:
    PracticeSessionStore& makeController()
    {
        PracticeSessionEnvironment environment;
        environment.makeMIDIDeviceMonitor = [](DefaultsStore&) -> std::unique_ptr<MIDIDeviceMonitor> {
            throw std::runtime_error("no MIDI here");
        };
        controller = std::make_unique<PracticeSessionStore>(stores.progress, stores.loops, stores.tracks, nullptr,
                                                            engine.get(), *defaults, PracticeSessionStore::CountInSleep{},
                                                            PracticeSessionStore::CountInClick{}, environment);
        return *controller;
    }
    static MIDIInputEvent key(std::uint8_t note, bool down)
    {
        if (down) return MIDIInputEvent(1, 0, 0, MIDIInputMessage::NoteOn{note, 100});
        return MIDIInputEvent(1, 0, 0, MIDIInputMessage::NoteOff{note, 0});
    }

    std::unique_ptr<RealtimeJackTestServer> server = std::make_unique<RealtimeJackTestServer>();
    TemporaryDefaults defaults;
    SongFolder songs;
    std::unique_ptr<PianoAudioEngine> engine = std::make_unique<PianoAudioEngine>(*defaults, AudioHostAPI::jack);
    SessionStores stores{*defaults};
    std::unique_ptr<PracticeSessionStore> controller;
};

TEST_F(PlaybackWithoutServer, TheSessionStopsAndKeepsItsProgressWhenTheAudioServerDies)
{
    auto& c = makeController();
    c.loadMIDI(songs.write("song.mid", score({{{0, 32, 60}}})));
    processEventsFor(500ms);
    ASSERT_TRUE(c.isPlaying());

    for (const int signal : {SIGKILL, SIGTERM}) {
        SCOPED_TRACE(signal == SIGKILL ? "killed" : "stopped");
        ASSERT_TRUE(server->kill(signal));
        // Told once, at once: the deck stops and the user reads why.
        ASSERT_TRUE(processEventsUntil([&] { return !c.isPlaying(); }, 1s)) << "still playing without a server";
        EXPECT_EQ(c.lastImportError(), "O relógio de áudio foi reiniciado; retome a reprodução.");
        EXPECT_FALSE(engine->currentRenderClockInstant()) << "no clock without an output";
        const double stopped = c.playbackPositionSeconds();
        EXPECT_GT(stopped, 0.3);
        processEventsFor(300ms);
        EXPECT_DOUBLE_EQ(c.playbackPositionSeconds(), stopped) << "a stopped song stands still";
        ASSERT_TRUE(stores.progress.currentSession());
        EXPECT_NEAR(stores.progress.currentSession()->positionSeconds, stopped, 1e-6) << "saved as it stopped";
        EXPECT_EQ(stores.progress.currentSession()->songTitle(), "song");

        // Without the server a play says why and moves nothing.
        c.setLastImportError(std::nullopt);
        c.togglePlayback();
        EXPECT_FALSE(c.isPlaying());
        EXPECT_EQ(c.lastImportError(), "O mecanismo de áudio não pôde ser iniciado.");
        EXPECT_DOUBLE_EQ(c.playbackPositionSeconds(), stopped);

        // Back under its name: one play plays on from there, on a running clock.
        server->start();
        c.togglePlayback();
        EXPECT_TRUE(c.isPlaying());
        const auto first = engine->currentRenderClockInstant();
        ASSERT_TRUE(first);
        ASSERT_TRUE(processEventsUntil([&] { return c.playbackPositionSeconds() > stopped + 0.3; }, 3s));
        const auto later = engine->currentRenderClockInstant();
        ASSERT_TRUE(later);
        EXPECT_GT(later->sampleTime, first->sampleTime + 0.2 * later->sampleRate) << "the render clock advances";
        EXPECT_LT(c.playbackPositionSeconds(), stopped + 2.0) << "from where it stopped, not the start";
    }
    c.flushProgress();
    EXPECT_EQ(stores.progress.historyEntries().size(), 1u);
    c.loadMIDI(songs.write("other.mid", score({{{0, 4, 62}}})));
    EXPECT_TRUE(c.currentSong());
}

TEST_F(PlaybackWithoutServer, AKeyPlayedOnceTheServerIsBackSounds)
{
    ASSERT_TRUE(processEventsUntil([&] { return !engine->isLoadingBuiltInPiano(); }, 15s));
    auto& c = makeController();
    c.loadMIDI(songs.write("quiet.mid", score({{{0, 1, 60}}})));
    ASSERT_TRUE(processEventsUntil([&] { return !c.isPlaying(); }, 5s));
    ASSERT_TRUE(engine->isRunning());

    ASSERT_TRUE(server->kill(SIGTERM));
    ASSERT_TRUE(processEventsUntil([&] { return !engine->isRunning(); }, 1s));
    EXPECT_EQ(c.lastImportError(), std::nullopt) << "a paused song has nothing to stop";
    PracticeSessionStoreProbe::handleMIDIInput(c, key(64, true));
    EXPECT_EQ(c.lastImportError(), "O instrumento virtual não pôde ser iniciado.");
    PracticeSessionStoreProbe::handleMIDIInput(c, key(64, false));

    server->start();
    JackRecorder recorder("revived-recorder");
    PracticeSessionStoreProbe::handleMIDIInput(c, key(67, true));
    EXPECT_TRUE(engine->isRunning());
    ASSERT_TRUE(processEventsUntil([&] { return !recorder.outputPorts("^Brelmo").empty(); }, 5s));
    recorder.connectFrom("^Brelmo");
    processEventsFor(200ms);
    const auto held = recorder.recordedFrames();
    processEventsFor(300ms);
    EXPECT_GT(JackRecorder::rms(recorder.left(held)), 0.005) << "the key sounds";
    PracticeSessionStoreProbe::handleMIDIInput(c, key(67, false));
}

} // namespace
