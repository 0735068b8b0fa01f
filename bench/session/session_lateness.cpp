// How late the session controller hands each note-on of the song on, against
// its song time, in normal operation: the controller's own 8 ms timer on a Qt
// event loop, the real engine on a JACK dummy server (48 kHz, 128 frames).
// Lateness is the song position when the event left minus its song time, as
// the controller reports it (PracticeSessionEnvironment::playbackEventSent).
//
// Two phases of `seconds` each, from the song's start: "normal", where only
// the tick's own 2 s progress save runs, and "saves every 100 ms", where a
// timer also calls setInputLatencyMilliseconds (which saves the progress)
// ten times a second. Also shown: the time between ticks and the age of the
// render clock reading at each tick, the two parts of the lateness.
//
//   bench_session_lateness [seconds] [normal|saves|both]   (defaults: 150 both)

#include <QEventLoop>
#include <QTimer>

#include <cstring>
#include <optional>

#include "CorvaneAudio/HostClock.hpp"
#include "SessionBench.hpp"

using namespace corvane;
using namespace sessionbench;

namespace {

constexpr int tracks = 16;

struct SentEvent {
    double lateness; // seconds
    bool noteOn = false;
    bool afterForcedSave = false;
};

struct Recorder {
    bool recording = false;
    bool savedSinceLastTick = false;
    std::vector<SentEvent> events;
    std::optional<std::size_t> lastEvent;
    std::vector<double> tickIntervals, clockAges; // ms
    std::uint64_t lastTickAt = 0;
    std::vector<double> forcedSaves; // us

    void clear()
    {
        events.clear();
        lastEvent.reset();
        tickIntervals.clear();
        clockAges.clear();
        forcedSaves.clear();
        lastTickAt = 0;
        savedSinceLastTick = false;
    }
};

void runPhase(Session& session, Recorder& recorder, double seconds, bool forcedSaves)
{
    auto& c = *session.controller;
    c.seek(0);
    if (!c.isPlaying()) c.togglePlayback();
    recorder.clear();
    recorder.recording = true;

    QTimer saver;
    bool toggle = false;
    if (forcedSaves) {
        saver.setInterval(100);
        QObject::connect(&saver, &QTimer::timeout, [&] {
            toggle = !toggle;
            const auto start = Clock::now();
            c.setInputLatencyMilliseconds(toggle ? 1.0 : 0.0);
            recorder.forcedSaves.push_back(microsecondsSince(start));
            recorder.savedSinceLastTick = true;
        });
        saver.start();
    }
    const auto revision = c.progressRevision();
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    saver.stop();
    recorder.recording = false;

    std::vector<double> noteOns, noteOnsAfterSave, noteOnsOther, all;
    for (const auto& e : recorder.events) {
        all.push_back(e.lateness * 1000);
        if (!e.noteOn) continue;
        noteOns.push_back(e.lateness * 1000);
        (e.afterForcedSave ? noteOnsAfterSave : noteOnsOther).push_back(e.lateness * 1000);
    }
    std::printf("\n%s, %.0f s of playback (progress revisions: %llu)%s\n",
                forcedSaves ? "saves every 100 ms" : "normal", seconds,
                static_cast<unsigned long long>(c.progressRevision() - revision),
                c.isPlaying() ? "" : "  [the song ended early]");
    print("note-on lateness", noteOns, "ms");
    print("lateness of every event sent", all, "ms");
    if (forcedSaves) {
        print("note-ons in the tick after a save", noteOnsAfterSave, "ms");
        print("note-ons in other ticks", noteOnsOther, "ms");
        print("forced save (setInputLatency...)", recorder.forcedSaves, "us");
    }
    print("time between tick ends", recorder.tickIntervals, "ms");
    print("age of the render clock at the tick", recorder.clockAges, "ms");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 150;
    const char* phases = argc > 2 ? argv[2] : "both";
    if (!(seconds > 0)) return 2;
    const bool normal = std::strcmp(phases, "saves") != 0;
    const bool saves = std::strcmp(phases, "normal") != 0;

    takeJackTurn();
    printLoad();
    JackTestServer server(48000, 128);
    Folder folder;
    Recorder recorder;

    PracticeSessionEnvironment environment;
    environment.playbackEventSent = [&](double eventSeconds, double sentAtSeconds) {
        if (!recorder.recording) return;
        recorder.events.push_back({sentAtSeconds - eventSeconds, false, recorder.savedSinceLastTick});
        recorder.lastEvent = recorder.events.size() - 1;
    };
    Session session(folder.path() / "defaults.json", std::move(environment));
    auto& c = *session.controller;
    // A note-on the tick hands on flashes on the stage right after it is sent.
    QObject::connect(&c, &PracticeSessionStore::visualImpactEventsChanged, [&] {
        if (recorder.lastEvent) recorder.events[*recorder.lastEvent].noteOn = true;
        recorder.lastEvent.reset();
    });
    // Emitted at the end of every playing tick.
    QObject::connect(&c, &PracticeSessionStore::playbackPositionSecondsChanged, [&] {
        recorder.lastEvent.reset();
        recorder.savedSinceLastTick = false;
        if (!recorder.recording) return;
        const auto now = hostTimeNow();
        if (recorder.lastTickAt) recorder.tickIntervals.push_back(double(now - recorder.lastTickAt) / 1e6);
        recorder.lastTickAt = now;
        if (const auto instant = session.engine->currentRenderClockInstant(); instant && instant->hostTime)
            // A cycle may have started since `now` was taken.
            recorder.clockAges.push_back(std::max(0.0, (double(now) - double(*instant->hostTime)) / 1e6));
    });

    // Long enough for every phase from the start.
    const long notes = static_cast<long>(tracks * 8 * (seconds + 60));
    const auto file = folder.write("dense.mid", denseSong(notes, tracks));
    if (!session.openAndPlay(file)) {
        std::fprintf(stderr, "the song did not start\n");
        return 1;
    }
    std::printf("JACK dummy server at 48 kHz, 128 frames (period 2.667 ms); song of %ld notes over %d tracks, %.0f s\n",
                notes, tracks, c.timelineDurationSeconds());
    std::printf("goal: note-on p99 below one tick plus one period, 10.667 ms\n");
    if (normal) runPhase(session, recorder, seconds, false);
    if (saves) runPhase(session, recorder, seconds, true);
    if (c.isPlaying()) c.togglePlayback();
    session.defaults.flush();
    printLoad();
    return 0;
}
