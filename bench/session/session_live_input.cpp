// The session controller's own time for a live key while a song plays (its
// timer running, the real engine on a JACK dummy server, 48 kHz, 128 frames):
//  - from entering handleMIDIInput to the routed note-on reaching
//    PianoAudioEngine::send (the latency bookkeeping, then routeLiveInput);
//  - the whole handler, grading and stage feedback included;
//  - routeLiveInput alone.
// The call into PianoAudioEngine::send is stamped by a linker wrapper
// (--wrap, see CMakeLists.txt), so nothing in the controller changes.
// Keys go in from the main thread, one every ~2 ms, between runs of the event
// loop, each released again; only note-ons are timed.
//
//   bench_session_live_input [presses] [song notes]   (defaults: 10000 10000)
//
// Once 512 latencies are held, the handler logs a line for every key; run
// with 2>/dev/null to keep the terminal out of the measurement.

#include <QTimer>

#include <random>

#include "CorvaneAudio/HostClock.hpp"
#include "CorvaneAudio/midi/MIDIInputEvent.hpp"
#include "CorvaneAudio/midi/MIDIInstrumentCommand.hpp"
#include "SessionBench.hpp"

using namespace corvane;
using namespace sessionbench;
using namespace std::chrono_literals;

namespace {

// When the first send after arming happened.
bool armed = false;
Clock::time_point reachedSend;

} // namespace

// PianoAudioEngine::send(const MIDIInstrumentCommand&), as the linker wraps it.
extern "C" void __real__ZN7corvane16PianoAudioEngine4sendERKNS_21MIDIInstrumentCommandE(
    PianoAudioEngine* engine, const MIDIInstrumentCommand& command);
extern "C" void __wrap__ZN7corvane16PianoAudioEngine4sendERKNS_21MIDIInstrumentCommandE(
    PianoAudioEngine* engine, const MIDIInstrumentCommand& command)
{
    if (armed) {
        reachedSend = Clock::now();
        armed = false;
    }
    __real__ZN7corvane16PianoAudioEngine4sendERKNS_21MIDIInstrumentCommandE(engine, command);
}

namespace {

constexpr int tracks = 16;

MIDIInputEvent key(std::uint8_t note, bool down)
{
    if (down) return MIDIInputEvent(1, hostTimeNow(), 0, MIDIInputMessage::NoteOn{note, 96});
    return MIDIInputEvent(1, hostTimeNow(), 0, MIDIInputMessage::NoteOff{note, 0});
}

// Lets the song's timer and the engine run for about 2 ms.
void letTheSongRun()
{
    const auto until = Clock::now() + 2ms;
    while (Clock::now() < until) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        std::this_thread::sleep_for(200us);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const int presses = argc > 1 ? std::atoi(argv[1]) : 10'000;
    const long notes = argc > 2 ? std::atol(argv[2]) : 10'000;
    if (presses <= 0 || notes < tracks) return 2;

    printLoad();
    JackTestServer server(48000, 128);
    server.releaseTurn();
    Folder folder;
    Session session(folder.path() / "defaults.json");
    auto& c = *session.controller;
    if (!session.openAndPlay(folder.write("dense.mid", denseSong(notes, tracks)))) {
        std::fprintf(stderr, "the song did not start\n");
        return 1;
    }
    // Graded, so that the handler does all its work.
    c.setPracticeMode(PracticeMode::practice);
    std::printf("song of %ld notes over %d tracks, %.0f s; %d key presses, practice mode, song playing\n", notes,
                tracks, c.timelineDurationSeconds(), presses);

    std::mt19937 random(7);
    std::uniform_int_distribution<int> pitch(36, 95);
    std::vector<double> toSend, whole, route;
    int missed = 0;
    const auto run = [&](bool handler) {
        for (int i = 0; i < presses; ++i) {
            // Stay inside the song: grading past its end is not the case here.
            if (!c.isPlaying() || c.playbackPositionSeconds() > c.timelineDurationSeconds() - 5) {
                c.seek(0);
                if (!c.isPlaying()) c.togglePlayback();
            }
            letTheSongRun();
            const auto note = static_cast<std::uint8_t>(pitch(random));
            const auto down = key(note, true);
            armed = true;
            const auto start = Clock::now();
            if (handler) PracticeSessionStoreProbe::handleMIDIInput(c, down);
            else PracticeSessionStoreProbe::routeLiveInput(c, down);
            const double us = microsecondsSince(start);
            if (armed) ++missed;
            else if (handler) toSend.push_back(std::chrono::duration<double, std::micro>(reachedSend - start).count());
            armed = false;
            (handler ? whole : route).push_back(us);
            const auto up = key(note, false);
            if (handler) PracticeSessionStoreProbe::handleMIDIInput(c, up);
            else PracticeSessionStoreProbe::routeLiveInput(c, up);
        }
    };
    run(true);
    run(false);
    if (c.isPlaying()) c.togglePlayback();

    std::printf("goal: p99 under 1000 us\n");
    print("handleMIDIInput entry -> engine send", toSend, "us");
    print("whole handleMIDIInput (with grading)", whole, "us");
    print("routeLiveInput alone", route, "us");
    if (missed) std::printf("  %d presses never reached the engine\n", missed);
    const auto stats = c.midiLatencyStatistics();
    if (stats)
        std::printf("  delivery latency the controller recorded: n=%lld, median %.3f ms (the stamp is taken right "
                    "before the call)\n",
                    static_cast<long long>(stats->sampleCount), stats->medianMilliseconds);
    session.defaults.flush();
    printLoad();
    return 0;
}
