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
// For each server period (128 and 256 frames) and each way: three phases of
// `seconds` each from the song's start, "normal" (only the tick's own 2 s
// progress save), "saves every 100 ms" (a timer also saves the progress
// through setInputLatencyMilliseconds ten times a second) and "loop" (bars 2
// and 3 looped for the whole phase; the first note of each pass after a
// return, applied sample minus due sample, is the loop seam's line). Also
// shown: the song position when each event left against its song time (the
// old measure, negative when sent ahead), and the time between ticks.
// Everything runs on a JACK server with real-time scheduling and on one
// without ("server": realtime, ordinary or both); load the machine beside it
// (stress-ng --cpu 4) for the loaded figures.
//
//   bench_session_lateness [seconds] [normal|saves|loop|both] [128|256|both] [realtime|ordinary|both]
//   (defaults: 150 both both both; "both" phases runs all three)

#include <QEventLoop>
#include <QTimer>

#include <cmath>
#include <cstring>
#include <utility>
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
    struct Sent {
        double dueClock;
        bool afterForcedSave;
        double songSeconds; // NaN for a note struck again, not an event of the song
    };
    std::map<std::pair<int, int>, std::deque<Sent>> waiting;
    // The song time of the event whose note-on is reported next.
    double eventSeconds = NAN;
    struct Match {
        double dueClock;
        std::int64_t applied;
        std::int64_t scheduled;
        bool afterForcedSave;
        double songSeconds;
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
            const auto& sent = queue.front();
            matches.push_back({sent.dueClock, applied.sample, applied.scheduledSample, sent.afterForcedSave,
                               sent.songSeconds});
            queue.pop_front();
        }
    }
};

// Host nanoseconds at sample 0 as a cycle saw it.
double offsetOf(const Cycle& cycle) { return double(cycle.hostTime) - double(cycle.sample) * 1e9 / sampleRate; }

// Lateness of one matched note-on in milliseconds: the earliest-waking
// cycle of the fifth of a second before the note's due time gives its line.
// `cycles` sorted by host time.
constexpr std::uint64_t window = 200'000'000;
std::optional<double> latenessOf(const std::vector<Cycle>& cycles, const Recorder::Match& m)
{
    const auto due = static_cast<std::uint64_t>(m.dueClock * 1e9);
    const auto from = std::lower_bound(cycles.begin(), cycles.end(), due - std::min<std::uint64_t>(due, window),
                                       [](const Cycle& c, std::uint64_t t) { return c.hostTime < t; });
    double best = INFINITY;
    for (auto it = from; it != cycles.end() && it->hostTime <= due; ++it)
        best = std::min(best, offsetOf(*it));
    if (!std::isfinite(best)) return std::nullopt;
    const double dueSample = (m.dueClock * 1e9 - best) * sampleRate / 1e9;
    return (double(m.applied) - dueSample) / sampleRate * 1000;
}

std::vector<Cycle> sortedCycles(const Recorder& r)
{
    std::vector<Cycle> cycles = r.cycles;
    std::sort(cycles.begin(), cycles.end(), [](const Cycle& a, const Cycle& b) { return a.hostTime < b.hostTime; });
    return cycles;
}

void latenesses(const Recorder& r, std::vector<double>& all, std::vector<double>& afterSave,
                std::vector<double>& other)
{
    const auto cycles = sortedCycles(r);
    for (const auto& m : r.matches) {
        const auto ms = latenessOf(cycles, m);
        if (!ms) continue;
        all.push_back(*ms);
        (m.afterForcedSave ? afterSave : other).push_back(*ms);
    }
}

// The first note-on of each pass that began with a return to the loop's
// start (`first`: the song time of the loop's first note-on); the pass
// entered from before the loop is left out.
std::vector<double> seamLatenesses(const Recorder& r, double first)
{
    const auto cycles = sortedCycles(r);
    std::vector<const Recorder::Match*> firsts;
    for (const auto& m : r.matches)
        if (m.songSeconds == first) firsts.push_back(&m);
    std::sort(firsts.begin(), firsts.end(), [](const auto* a, const auto* b) { return a->dueClock < b->dueClock; });
    std::vector<double> seams;
    std::optional<double> lastPass;
    for (const auto* m : firsts) {
        // The notes of one pass's first chord share its due time.
        if (lastPass && m->dueClock - *lastPass < 0.5) continue;
        const bool entry = !lastPass;
        lastPass = m->dueClock;
        if (entry) continue;
        if (const auto ms = latenessOf(cycles, *m)) seams.push_back(*ms);
    }
    return seams;
}

enum class Phase { normal, saves, loop };

void runPhase(Session& session, Recorder& recorder, double seconds, Phase phase, bool ahead)
{
    const bool forcedSaves = phase == Phase::saves;
    auto& c = *session.controller;
    auto& engine = *session.engine;
    // Bars 2 and 3 (2 s to 6 s), entered from the song's start.
    std::optional<double> loopFirstNote;
    if (phase == Phase::loop) {
        c.setLoopStartMeasure(2);
        c.setLoopEndMeasure(3);
        if (!c.loopRange()) {
            std::fprintf(stderr, "the loop was not set\n");
            std::exit(1);
        }
        for (const auto& span : c.timelineNotes())
            if (span.startSeconds >= c.loopRange()->startSeconds && span.startSeconds < c.loopRange()->endSeconds)
                loopFirstNote = std::min(loopFirstNote.value_or(INFINITY), span.startSeconds);
    }
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
    const char* name = phase == Phase::loop ? "loop of bars 2-3" : forcedSaves ? "saves every 100 ms" : "normal";
    std::printf("  %s, %.0f s: %zu note-ons sent, %zu applied and matched, %zu not applied, %zu applied unsent%s\n",
                name, seconds, recorder.sent, recorder.matches.size(), stillWaiting, recorder.unmatched,
                c.isPlaying() ? "" : "  [the song ended early]");
    print("note-on applied - due sample", all, "ms");
    if (phase == Phase::loop) {
        const auto seams = loopFirstNote ? seamLatenesses(recorder, *loopFirstNote) : std::vector<double>{};
        const auto s = summarize(seams);
        std::printf("  (%zu passes)\n", s.count);
        std::printf("loop seam, %s: median %.3f ms, p99 %.3f ms\n", ahead ? "sent ahead" : "sent when due", s.median,
                    s.p99);
        c.updateLoop(std::nullopt);
    }
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
    // The engine's own line against the one drawn here from every cycle.
    std::vector<double> line;
    const auto cycles = sortedCycles(recorder);
    for (const auto& m : recorder.matches)
        if (const auto ms = latenessOf(cycles, m))
            line.push_back(*ms - double(m.applied - m.scheduled) / sampleRate * 1000);
    print("scheduled - due sample", line, "ms");
    print("position when sent - song time", recorder.sentLateness, "ms");
    print("time between tick ends", recorder.tickIntervals, "ms");
}

void runWay(int frames, bool ahead, double seconds, bool normal, bool saves, bool looped)
{
    Folder folder;
    Recorder recorder;

    PracticeSessionEnvironment environment;
    environment.sendsPlaybackAhead = ahead;
    environment.playbackEventSent = [&](double eventSeconds, double sentAtSeconds) {
        recorder.eventSeconds = eventSeconds;
        if (recorder.sending) recorder.sentLateness.push_back((sentAtSeconds - eventSeconds) * 1000);
    };
    environment.playbackNoteOnSent = [&](std::uint8_t note, std::uint8_t channel, double dueClock) {
        const double songSeconds = std::exchange(recorder.eventSeconds, NAN);
        if (!recorder.sending) return;
        ++recorder.sent;
        recorder.waiting[{note, channel}].push_back({dueClock, recorder.savedSinceLastTick, songSeconds});
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
                ahead ? PracticeSessionStoreProbe::lookAheadSeconds(c) * 1000 : 0.0);
    if (normal) runPhase(session, recorder, seconds, Phase::normal, ahead);
    if (saves) runPhase(session, recorder, seconds, Phase::saves, ahead);
    if (looped) runPhase(session, recorder, seconds, Phase::loop, ahead);
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
    const char* servers = argc > 4 ? argv[4] : "both";
    const bool all = std::strcmp(phases, "both") == 0;
    const bool normal = all || std::strcmp(phases, "normal") == 0;
    const bool saves = all || std::strcmp(phases, "saves") == 0;
    const bool looped = all || std::strcmp(phases, "loop") == 0;

    printLoad();
    std::printf("goal when sent ahead: p99 of applied - due within 64 samples (1.333 ms), median within 0.1 ms\n");
    for (const bool realtime : {true, false}) {
        if (std::strcmp(servers, "both") != 0 && std::strcmp(servers, realtime ? "realtime" : "ordinary") != 0) continue;
        for (const int frames : {128, 256}) {
            if (std::strcmp(periods, "both") != 0 && std::atoi(periods) != frames) continue;
            JackTestServer server(48000, frames, {}, realtime);
            server.releaseTurn();
            std::printf("\n%s JACK server, %d frames\n", realtime ? "real-time" : "ordinary (not real-time)", frames);
            runWay(frames, false, seconds, normal, saves, looped);
            runWay(frames, true, seconds, normal, saves, looped);
        }
    }
    printLoad();
    return 0;
}
