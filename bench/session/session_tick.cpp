// The session controller's playback tick with a large song open and playing,
// on the real engine on a JACK dummy server (48 kHz, 128 frames). The
// playback timer is stopped and the tick is called every 8 ms by hand, for
// `seconds` of song time from the start and again near the end, with the big
// song and with a small one of the same density: the tick should follow the
// events it hands out, not the song's length. Ticks that saved the progress
// (every 2 s) are shown apart. Last, the tick of wait mode when it has to find
// the next chord to wait for.
//
// Then a saved loop playing for `loop seconds` with a long-time user's
// settings file (10,000 history entries, 200 songs with 50 loops each): its
// progress is saved every 2 s, and no tick may wait for that.
//
//   bench_session_tick [notes] [small notes] [seconds] [loop seconds]   (defaults: 1000000 10000 20 60)
//   bench_session_tick loop [loop seconds]                              (only the saved loop)

#include <cmath>

#include <cstring>

#include "CorvaneLibrary/DefaultsStore.hpp"
#include "SessionBench.hpp"
#include "library/LargeSettings.hpp"

using namespace corvane;
using namespace sessionbench;
using namespace std::chrono_literals;

namespace {

constexpr int tracks = 16;

struct TickRun {
    std::vector<double> all, plain, saving;
    std::size_t events = 0;
};

// Ticks every 8 ms for `seconds` of song time; the event loop runs between ticks, untimed.
TickRun tickFor(PracticeSessionStore& c, double seconds, std::size_t& eventsSent)
{
    TickRun run;
    const int ticks = static_cast<int>(seconds / 0.008);
    auto next = Clock::now();
    const std::size_t before = eventsSent;
    for (int i = 0; i < ticks && c.isPlaying(); ++i) {
        next += 8ms;
        const auto revision = c.progressRevision();
        const auto start = Clock::now();
        PracticeSessionStoreProbe::tick(c);
        const double us = microsecondsSince(start);
        run.all.push_back(us);
        (c.progressRevision() != revision ? run.saving : run.plain).push_back(us);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        std::this_thread::sleep_until(next);
    }
    run.events = eventsSent - before;
    return run;
}

void report(const char* title, const TickRun& run)
{
    std::printf(" %s: %zu ticks, %.2f events handed out per tick\n", title, run.all.size(),
                double(run.events) / double(std::max<std::size_t>(run.all.size(), 1)));
    print("every tick", run.all, "us");
    print("ticks without a save", run.plain, "us");
    print("ticks that saved the progress", run.saving, "us");
}

void measureSong(const Folder& folder, long notes, double seconds)
{
    std::size_t eventsSent = 0;
    PracticeSessionEnvironment environment;
    environment.playbackEventSent = [&](double, double) { ++eventsSent; };
    Session session(folder.path() / ("defaults-" + std::to_string(notes) + ".json"), std::move(environment));
    auto& c = *session.controller;
    const auto file = folder.write("dense-" + std::to_string(notes) + ".mid", denseSong(notes, tracks));

    const auto loadStart = Clock::now();
    if (!session.openAndPlay(file)) throw std::runtime_error("the song did not start");
    const double loadMs = microsecondsSince(loadStart) / 1000;
    PracticeSessionStoreProbe::stopPlaybackTimer(c);
    std::printf("\nsong of %ld notes over %d tracks, %.0f s long (open and start: %.0f ms)\n", notes, tracks,
                c.timelineDurationSeconds(), loadMs);

    report("from the start", tickFor(c, seconds, eventsSent));

    const double late = std::max(0.0, c.timelineDurationSeconds() - seconds - 5);
    const auto seekStart = Clock::now();
    c.seek(late);
    const double seekMs = microsecondsSince(seekStart) / 1000;
    char title[96];
    std::snprintf(title, sizeof title, "from %.0f s, near the end (the seek there took %.1f ms)", late, seekMs);
    report(title, tickFor(c, seconds, eventsSent));

    // Wait mode: a tick that reaches a chord looks up what to wait for.
    c.setPracticeMode(PracticeMode::wait);
    std::vector<double> waitTicks;
    int waited = 0;
    for (int i = 0; i < 40; ++i) {
        c.seek(late + 0.25 * i);
        if (!c.isPlaying()) c.togglePlayback();
        PracticeSessionStoreProbe::stopPlaybackTimer(c);
        std::this_thread::sleep_for(20ms);
        const auto start = Clock::now();
        PracticeSessionStoreProbe::tick(c);
        waitTicks.push_back(microsecondsSince(start));
        waited += c.isWaitingForInput();
    }
    print("wait mode, tick that finds the chord", waitTicks, "us");
    std::printf("  (%d of %zu of those ticks stopped at a chord)\n", waited, waitTicks.size());
    c.setPracticeMode(PracticeMode::accompaniment);
    if (c.isPlaying()) c.togglePlayback();
    session.defaults.flush();
}

void measureSavedLoop(const Folder& folder, double seconds)
{
    const auto settings = folder.path() / "large-settings.json";
    {
        DefaultsStore defaults(settings);
        largesettings::fill(defaults);
    }
    std::printf("\nsaved loop playing for %.0f s, settings file of %.1f MB (10,000 history entries, 200 songs x 50 "
                "loops)\n", seconds, double(std::filesystem::file_size(settings)) / 1e6);
    std::size_t eventsSent = 0;
    PracticeSessionEnvironment environment;
    environment.playbackEventSent = [&](double, double) { ++eventsSent; };
    Session session(settings, std::move(environment));
    auto& c = *session.controller;
    // 16 tracks of steady notes, long enough that the loop never meets the end.
    const auto file = folder.write("loop-song.mid", denseSong(20'000, tracks));
    if (!session.openAndPlay(file)) throw std::runtime_error("the song did not start");
    PracticeSessionStoreProbe::stopPlaybackTimer(c);
    c.setLoopStartMeasure(3);
    c.setLoopEndMeasure(6);
    if (!c.saveCurrentLoop("Compassos difíceis") || !c.activeLoopBookmarkID())
        throw std::runtime_error("the loop was not saved");
    if (!c.isPlaying()) c.togglePlayback();
    PracticeSessionStoreProbe::stopPlaybackTimer(c);
    const auto run = tickFor(c, seconds, eventsSent);
    report("saved loop with the large settings file", run);
    std::printf("  (%lld loop repetitions)\n", static_cast<long long>(c.loopRepetitions()));
    if (c.isPlaying()) c.togglePlayback();
    session.defaults.flush();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const bool loopOnly = argc > 1 && std::strcmp(argv[1], "loop") == 0;
    const long notes = argc > 1 && !loopOnly ? std::atol(argv[1]) : 1'000'000;
    const long smallNotes = argc > 2 && !loopOnly ? std::atol(argv[2]) : 10'000;
    const double seconds = argc > 3 && !loopOnly ? std::atof(argv[3]) : 20;
    const double loopSeconds = loopOnly ? (argc > 2 ? std::atof(argv[2]) : 60) : (argc > 4 ? std::atof(argv[4]) : 60);
    if (notes < tracks || smallNotes < tracks || !(seconds > 0) || !(loopSeconds > 0)) return 2;

    printLoad();
    JackTestServer server(48000, 128);
    server.releaseTurn();
    std::printf("JACK dummy server at 48 kHz, 128 frames; tick called every 8 ms by hand for %.0f s of song\n",
                seconds);
    Folder folder;
    try {
        if (!loopOnly) {
            measureSong(folder, notes, seconds);
            measureSong(folder, smallNotes, seconds);
        }
        measureSavedLoop(folder, loopSeconds);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    printLoad();
    return 0;
}
