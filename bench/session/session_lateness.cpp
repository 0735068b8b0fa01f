// How far from its due sample each note-on of the song reaches the instrument,
// in normal operation: the controller's own 8 ms timer on a Qt event loop, the
// real engine on a JACK dummy server at 48 kHz. Both ways of sending the song
// run in one process, one after the other, on the same servers:
//
//   "when due"  every event goes to the engine when the tick finds it due
//               (as the external MIDI output is still sent), applied at the
//               start of the next audio cycle;
//   "ahead"     the tick sends a window ahead with render-clock times, and
//               the audio thread applies each event at its own sample.
//
// Due sample: the render-clock time the controller computed for the note-on
// (the transport's clock time of its song time), turned into a sample by the
// render clock's own cycles, as recorded: each cycle pairs its first sample
// with the host time its callback woke at, and the earliest-waking cycle of
// the 200 ms before the note gives the line (a dummy server that falls behind
// loses time, so the line moves). Applied sample: the sample at
// which the audio thread handed the note-on to the instrument (FluidSynth
// then starts it within its own 64-sample block). Difference = applied - due.
//
// For each server period (128 and 256 frames) and each way: two phases of
// `seconds` each from the song's start, "normal" (only the tick's own 2 s
// progress save) and "saves every 100 ms" (a timer also saves the progress
// through setInputLatencyMilliseconds ten times a second). Also shown: the
// song position when each event left against its song time (the old measure,
// negative when sent ahead), and the time between ticks.
//
//   bench_session_lateness [seconds] [normal|saves|both] [128|256|both]   (defaults: 150 both both)

#include <QEventLoop>
#include <QTimer>

#include <cmath>
#include <cstring>
#include <deque>
#include <map>
#include <optional>

#include "CorvaneAudio/HostClock.hpp"
#include "SessionBench.hpp"

using namespace corvane;
using namespace sessionbench;

namespace {

constexpr int tracks = 16;
constexpr double sampleRate = 48000;

struct Cycle {
    std::int64_t sample;
    std::uint64_t hostTime;
};

struct Recorder {
    bool recording = false;
    bool sending = false;
    bool savedSinceLastTick = false;
    // Note-ons sent and not yet seen applied, by note and channel, oldest first.
    std::map<std::pair<int, int>, std::deque<std::pair<double, bool>>> waiting; // due clock, after a forced save
    struct Match {
        double dueClock;
        std::int64_t applied;
        std::int64_t scheduled;
        bool afterForcedSave;
    };
    std::vector<Match> matches;
    std::vector<Cycle> cycles;
    std::size_t sent = 0, unmatched = 0;
    std::vector<double> sentLateness; // ms, position when sent minus song time
    std::vector<double> tickIntervals; // ms
    std::uint64_t lastTickAt = 0;

    void clear()
    {
        waiting.clear();
        matches.clear();
        cycles.clear();
        sent = unmatched = 0;
        sentLateness.clear();
        tickIntervals.clear();
        lastTickAt = 0;
        savedSinceLastTick = false;
    }

    void take(PianoAudioEngine& engine)
    {
        for (const auto& applied : engine.takeAppliedCommands()) {
            if (cycles.empty() || cycles.back().sample != applied.cycleSample)
                cycles.push_back({applied.cycleSample, applied.cycleHostTime});
            const auto* on = applied.command.as<MIDIInstrumentCommand::NoteOn>();
            if (!on || !recording) continue;
            auto& queue = waiting[{on->note, on->channel}];
            if (queue.empty()) {
                ++unmatched;
                continue;
            }
            matches.push_back({queue.front().first, applied.sample, applied.scheduledSample, queue.front().second});
            queue.pop_front();
        }
    }
};

// Host nanoseconds at sample 0 as a cycle saw it.
double offsetOf(const Cycle& cycle) { return double(cycle.hostTime) - double(cycle.sample) * 1e9 / sampleRate; }

// Lateness of every matched note-on in milliseconds: the earliest-waking
// cycle of the fifth of a second before the note's due time gives its line.
constexpr std::uint64_t window = 200'000'000;
void latenesses(const Recorder& r, std::vector<double>& all, std::vector<double>& afterSave,
                std::vector<double>& other)
{
    std::vector<Cycle> cycles = r.cycles;
    std::sort(cycles.begin(), cycles.end(), [](const Cycle& a, const Cycle& b) { return a.hostTime < b.hostTime; });
    for (const auto& m : r.matches) {
        const auto due = static_cast<std::uint64_t>(m.dueClock * 1e9);
        const auto from = std::lower_bound(cycles.begin(), cycles.end(), due - std::min<std::uint64_t>(due, window),
                                           [](const Cycle& c, std::uint64_t t) { return c.hostTime < t; });
        double best = INFINITY;
        for (auto it = from; it != cycles.end() && it->hostTime <= due; ++it)
            best = std::min(best, offsetOf(*it));
        if (!std::isfinite(best)) continue;
        const double dueSample = (m.dueClock * 1e9 - best) * sampleRate / 1e9;
        const double ms = (double(m.applied) - dueSample) / sampleRate * 1000;
        all.push_back(ms);
        (m.afterForcedSave ? afterSave : other).push_back(ms);
    }
}

void runPhase(Session& session, Recorder& recorder, double seconds, bool forcedSaves)
{
    auto& c = *session.controller;
    auto& engine = *session.engine;
    c.seek(0);
    if (!c.isPlaying()) c.togglePlayback();
    // What was sent before the phase lands first.
    processEventsFor(std::chrono::milliseconds(100));
    engine.takeAppliedCommands();
    recorder.clear();
    recorder.recording = recorder.sending = true;

    QTimer saver;
    bool toggle = false;
    if (forcedSaves) {
        saver.setInterval(100);
        QObject::connect(&saver, &QTimer::timeout, [&] {
            toggle = !toggle;
            c.setInputLatencyMilliseconds(toggle ? 1.0 : 0.0);
            recorder.savedSinceLastTick = true;
        });
        saver.start();
    }
    // The log holds 65536 commands: emptied well before it fills.
    QTimer drain;
    drain.setInterval(50);
    QObject::connect(&drain, &QTimer::timeout, [&] { recorder.take(engine); });
    drain.start();
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    saver.stop();
    // What was sent in the last moments lands within the next cycles; what is sent meanwhile is not counted.
    recorder.sending = false;
    processEventsFor(std::chrono::milliseconds(100));
    drain.stop();
    recorder.take(engine);
    recorder.recording = false;
    std::size_t stillWaiting = 0;
    for (const auto& [key, queue] : recorder.waiting) stillWaiting += queue.size();

    std::vector<double> all, afterSave, other;
    latenesses(recorder, all, afterSave, other);
    std::printf("  %s, %.0f s: %zu note-ons sent, %zu applied and matched, %zu not applied, %zu applied unsent%s\n",
                forcedSaves ? "saves every 100 ms" : "normal", seconds, recorder.sent, recorder.matches.size(),
                stillWaiting, recorder.unmatched, c.isPlaying() ? "" : "  [the song ended early]");
    print("note-on applied - due sample", all, "ms");
    if (forcedSaves) {
        print("  in the tick after a save", afterSave, "ms");
        print("  in other ticks", other, "ms");
    }
    // Between consecutive note-ons of the song: how far their spacing as
    // applied strays from their spacing in song time (what a listener hears as
    // unevenness), whatever line the due samples are drawn from.
    std::vector<double> spacing;
    auto byDue = recorder.matches;
    std::sort(byDue.begin(), byDue.end(), [](const auto& a, const auto& b) { return a.dueClock < b.dueClock; });
    for (std::size_t i = 1; i < byDue.size(); ++i) {
        const double dueGap = (byDue[i].dueClock - byDue[i - 1].dueClock) * sampleRate;
        if (dueGap < 1) continue; // a chord: both at once
        spacing.push_back(std::abs(double(byDue[i].applied - byDue[i - 1].applied) - dueGap) / sampleRate * 1000);
    }
    print("spacing error of successive note-ons", spacing, "ms");
    std::size_t beyondBlock = 0;
    for (double ms : all) beyondBlock += ms > 64 / sampleRate * 1000 || ms < -64 / sampleRate * 1000;
    std::printf("  %-40s %zu of %zu\n", "beyond one 64-sample block either way", beyondBlock, all.size());
    std::vector<double> behind;
    for (const auto& m : recorder.matches) behind.push_back(double(m.applied - m.scheduled) / sampleRate * 1000);
    print("applied - scheduled sample", behind, "ms");
    print("position when sent - song time", recorder.sentLateness, "ms");
    print("time between tick ends", recorder.tickIntervals, "ms");
}

void runWay(int frames, bool ahead, double seconds, bool normal, bool saves)
{
    Folder folder;
    Recorder recorder;

    PracticeSessionEnvironment environment;
    environment.sendsPlaybackAhead = ahead;
    environment.playbackEventSent = [&](double eventSeconds, double sentAtSeconds) {
        if (recorder.sending) recorder.sentLateness.push_back((sentAtSeconds - eventSeconds) * 1000);
    };
    environment.playbackNoteOnSent = [&](std::uint8_t note, std::uint8_t channel, double dueClock) {
        if (!recorder.sending) return;
        ++recorder.sent;
        recorder.waiting[{note, channel}].push_back({dueClock, recorder.savedSinceLastTick});
    };
    Session session(folder.path() / "defaults.json", std::move(environment));
    auto& c = *session.controller;
    session.engine->recordAppliedCommands(true);
    // Emitted at the end of every playing tick.
    QObject::connect(&c, &PracticeSessionStore::playbackPositionSecondsChanged, [&] {
        recorder.savedSinceLastTick = false;
        if (!recorder.recording) return;
        const auto now = hostTimeNow();
        if (recorder.lastTickAt) recorder.tickIntervals.push_back(double(now - recorder.lastTickAt) / 1e6);
        recorder.lastTickAt = now;
    });

    // Long enough for every phase from the start.
    const long notes = static_cast<long>(tracks * 8 * (seconds + 60));
    const auto file = folder.write("dense.mid", denseSong(notes, tracks));
    if (!session.openAndPlay(file)) {
        std::fprintf(stderr, "the song did not start\n");
        std::exit(1);
    }
    // The piano decodes its samples first; until then notes are silent but still applied.
    processEventsUntil([&] { return !session.engine->isLoadingBuiltInPiano(); }, std::chrono::seconds(20));
    std::printf("\n%d frames (period %.3f ms), %s: song of %ld notes over %d tracks, look-ahead %.1f ms\n", frames,
                frames / sampleRate * 1000, ahead ? "sent ahead" : "sent when due", notes, tracks,
                ahead ? (0.008 + 2 * session.engine->periodSeconds() + 0.004) * 1000 : 0.0);
    if (normal) runPhase(session, recorder, seconds, false);
    if (saves) runPhase(session, recorder, seconds, true);
    if (c.isPlaying()) c.togglePlayback();
    session.defaults.flush();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 150;
    const char* phases = argc > 2 ? argv[2] : "both";
    const char* periods = argc > 3 ? argv[3] : "both";
    if (!(seconds > 0)) return 2;
    const bool normal = std::strcmp(phases, "saves") != 0;
    const bool saves = std::strcmp(phases, "normal") != 0;

    takeJackTurn();
    printLoad();
    std::printf("goal when sent ahead: p99 of applied - due within 64 samples (1.333 ms), median within 0.1 ms\n");
    for (const int frames : {128, 256}) {
        if (std::strcmp(periods, "both") != 0 && std::atoi(periods) != frames) continue;
        JackTestServer server(48000, frames);
        runWay(frames, false, seconds, normal, saves);
        runWay(frames, true, seconds, normal, saves);
    }
    printLoad();
    return 0;
}
