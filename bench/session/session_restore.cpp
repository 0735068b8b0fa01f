// Start-up of the session controller over a well-used defaults file: 10,000
// history entries as stored (the store keeps the newest 200), 50 saved loops
// for each of 200 songs, their track settings, and a current session on a
// generated song that the controller restores when it is built. Then, on the
// restored controller: whether the tick writes anything while paused with
// nothing changed, and the cost of one progress save through a public call.
// The engine is on a JACK dummy server (48 kHz, 128 frames).
//
//   bench_session_restore [runs] [song notes] [saves]   (defaults: 10 10000 200)

#include <QEventLoop>
#include <QTimer>

#include <map>

#include "CorvaneLibrary/SongKeyedRecords.hpp"
#include "CorvaneLibrary/StoredRecord.hpp"
#include "SessionBench.hpp"

using namespace corvane;
using namespace sessionbench;
using namespace std::chrono_literals;

namespace {

constexpr int songCount = 200;
constexpr int historyCount = 10'000;
constexpr int loopsPerSong = 50;
constexpr int tracks = 16;

VisualPreset perTrackPreset()
{
    VisualPreset preset = VisualPreset::builtIn();
    preset.noteColorMode = NoteColorMode::perTrack;
    for (std::int64_t track = 0; track < tracks; ++track)
        preset.trackColors.emplace_back(track, static_cast<double>(track) / tracks, 0.8, 0.9);
    return preset;
}

PracticeMetrics metrics(int seed)
{
    return PracticeMetrics(60.0 + seed % 600, 500 + seed % 97, 400 + seed % 89, 40 + seed % 7, 30 + seed % 5,
                           20 + seed % 3);
}

// Writes the defaults file through the stores' own record coding.
void writeDefaults(const std::filesystem::path& file, const std::filesystem::path& song)
{
    DefaultsStore defaults(file);
    std::vector<PracticeSongReference> songs;
    songs.push_back(PracticeSongReference::externalFile(song.string()));
    for (int i = 1; i < songCount; ++i)
        songs.push_back(PracticeSongReference::externalFile("/home/aluna/Música/peça " + std::to_string(i) + ".mid"));

    const double now = Date::now().secondsSinceReferenceDate;
    std::vector<PracticeHistoryEntry> history;
    history.reserve(historyCount);
    for (int i = 0; i < historyCount; ++i) {
        const double updated = now - 60.0 * (historyCount - i);
        history.emplace_back(UUID::random(), "Peça " + std::to_string(i % songCount), songs[i % songCount],
                             Date{updated - 600}, Date{updated}, 10.0 + i % 100, metrics(i));
    }
    // The current session's own entry, the newest.
    const UUID currentID = UUID::random();
    history.emplace_back(currentID, "dense", songs[0], Date{now - 900}, Date{now - 30}, 30.0, metrics(1));
    storeRecord(defaults, PracticeProgressStore::historyKey, history);

    SongKeyedRecordsDocument<PracticeLoopBookmark> loops;
    SongKeyedRecordsDocument<PracticeTrackSetting> trackSettings;
    for (int s = 0; s < songCount; ++s) {
        auto& list = loops.records[songs[s].stableID()];
        for (int k = 0; k < loopsPerSong; ++k)
            list.emplace_back(UUID::random(), 1 + 2 * k, 2 + 2 * k, k % 3 ? "" : "Trecho " + std::to_string(k),
                              metrics(s * 100 + k), k, Date{now - 3600.0 * k});
        auto& settings = trackSettings.records[songs[s].stableID()];
        for (std::int64_t t = 1; t < tracks; ++t)
            settings.emplace_back(t, t % 3 == 0 ? PracticeTrackHand::left : PracticeTrackHand::right, t % 5 == 0);
    }
    storeRecord(defaults, PracticeLoopStore::storageKey, loops);
    storeRecord(defaults, PracticeTrackStore::storageKey, trackSettings);

    // Measures 5–6 at 120 beats a minute in 4/4: one of the song's saved loops.
    storeRecord(defaults, PracticeProgressStore::currentSessionKey,
                PersistedPracticeSession(currentID, "dense", songs[0], Date{now - 900}, Date{now - 30}, 30.0, 1.0,
                                         MIDILoopRange{8.0, 12.0}, PracticeMode::practice, PracticeHand::right, 12,
                                         perTrackPreset(), metrics(1)));
    defaults.flush();
}

// What one restore made, destroyed in the reverse order of making.
struct Restored {
    std::unique_ptr<DefaultsStore> defaults;
    std::unique_ptr<Stores> stores;
    std::unique_ptr<PianoAudioEngine> engine;
    std::unique_ptr<MIDIDeviceMonitor> monitor;
    std::unique_ptr<PracticeSessionStore> controller;
    ~Restored()
    {
        controller.reset();
        monitor.reset();
        engine.reset();
        stores.reset();
    }
};

// 10 s of the controller's own timer (when it still runs), then 1250 ticks by hand 8 ms apart,
// counting what reaches the defaults.
void checkPausedTicks(Restored& restored, const char* title, bool timerRunning)
{
    auto& c = *restored.controller;
    restored.defaults->flush();
    std::map<QString, int> changes;
    const auto counter = QObject::connect(restored.defaults.get(), &DefaultsStore::valueChanged,
                                          [&](const QString& key) { ++changes[key]; });
    const auto revision = c.progressRevision();
    if (timerRunning) {
        QEventLoop loop;
        QTimer::singleShot(10'000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    int timerChanges = 0;
    for (const auto& [key, count] : changes) timerChanges += count;
    const auto timerRevisions = c.progressRevision() - revision;

    PracticeSessionStoreProbe::stopPlaybackTimer(c);
    std::vector<double> plain, writing;
    auto next = Clock::now();
    for (int tick = 0; tick < 1250; ++tick) {
        next += 8ms;
        const auto before = c.progressRevision();
        const auto start = Clock::now();
        PracticeSessionStoreProbe::tick(c);
        (c.progressRevision() != before ? writing : plain).push_back(microsecondsSince(start));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        std::this_thread::sleep_until(next);
    }
    int total = 0;
    for (const auto& [key, count] : changes) total += count;
    QObject::disconnect(counter);
    std::printf("  %s: controller's timer 10 s: %s%d valueChanged, %llu revisions; 1250 ticks by hand: %d "
                "valueChanged, %llu revisions\n",
                title, timerRunning ? "" : "(not run) ", timerChanges, static_cast<unsigned long long>(timerRevisions),
                total - timerChanges,
                static_cast<unsigned long long>(c.progressRevision() - revision - timerRevisions));
    for (const auto& [key, count] : changes) std::printf("    %s changed %d times\n", key.toStdString().c_str(), count);
    print("paused tick", plain, "us");
    if (!writing.empty()) print("paused tick that wrote", writing, "us");
}

// Plays for 20 s, ticking by hand every 8 ms.
void playTicks(PracticeSessionStore& c, const char* title)
{
    if (!c.isPlaying()) c.togglePlayback();
    PracticeSessionStoreProbe::stopPlaybackTimer(c);
    std::vector<double> plain, saving;
    auto next = Clock::now();
    for (int tick = 0; tick < 2500 && c.isPlaying(); ++tick) {
        next += 8ms;
        const auto before = c.progressRevision();
        const auto start = Clock::now();
        PracticeSessionStoreProbe::tick(c);
        (c.progressRevision() != before ? saving : plain).push_back(microsecondsSince(start));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        std::this_thread::sleep_until(next);
    }
    if (c.isPlaying()) c.togglePlayback();
    std::printf("\n%s over these defaults, ticks by hand every 8 ms\n", title);
    print("ticks without a save", plain, "us");
    print("ticks that saved progress", saving, "us");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 10;
    const long notes = argc > 2 ? std::atol(argv[2]) : 10'000;
    const int saves = argc > 3 ? std::atoi(argv[3]) : 200;
    if (runs <= 0 || notes < tracks || saves <= 0) return 2;

    printLoad();
    JackTestServer server(48000, 128);
    server.releaseTurn();
    Folder folder;
    const auto song = folder.write("dense.mid", denseSong(notes, tracks));
    const auto pristine = folder.path() / "pristine.json";
    const auto file = folder.path() / "defaults.json";
    writeDefaults(pristine, song);
    std::printf("defaults file: %.2f MB (%d history entries, %d songs x %d loops, track settings, a current session "
                "on a song of %ld notes)\n",
                double(std::filesystem::file_size(pristine)) / 1e6, historyCount + 1, songCount, loopsPerSong, notes);

    std::vector<double> readMs, storesMs, restoreMs, totalMs, engineStartMs;
    std::unique_ptr<Restored> kept;
    for (int run = 0; run < runs; ++run) {
        // Every run starts from the file as written: a restore saves, and the save trims the history.
        kept.reset();
        std::filesystem::copy_file(pristine, file, std::filesystem::copy_options::overwrite_existing);
        auto start = Clock::now();
        auto defaults = std::make_unique<DefaultsStore>(file);
        readMs.push_back(microsecondsSince(start) / 1000);
        start = Clock::now();
        auto stores = std::make_unique<Stores>(*defaults);
        storesMs.push_back(microsecondsSince(start) / 1000);

        // Devices are not part of the restore; the engine is running already, as after a cold start.
        auto engine = std::make_unique<PianoAudioEngine>(*defaults, AudioHostAPI::jack);
        auto monitor = std::make_unique<MIDIDeviceMonitor>(*defaults, MIDIApi::jack);
        start = Clock::now();
        engine->start();
        engineStartMs.push_back(microsecondsSince(start) / 1000);

        PracticeSessionEnvironment environment;
        environment.demoBundles = StudioResourceBundle::candidates();
        start = Clock::now();
        auto controller = std::make_unique<PracticeSessionStore>(stores->progress, stores->loops, stores->tracks,
                                                                 monitor.get(), engine.get(), *defaults,
                                                                 PracticeSessionStore::CountInSleep{},
                                                                 PracticeSessionStore::CountInClick{},
                                                                 std::move(environment));
        restoreMs.push_back(microsecondsSince(start) / 1000);
        totalMs.push_back(readMs.back() + storesMs.back() + restoreMs.back());
        if (!controller->currentSong()) {
            std::fprintf(stderr, "the session was not restored: %s\n",
                         controller->lastImportError().value_or("no error").c_str());
            return 1;
        }
        kept = std::make_unique<Restored>();
        kept->defaults = std::move(defaults);
        kept->stores = std::move(stores);
        kept->engine = std::move(engine);
        kept->monitor = std::move(monitor);
        kept->controller = std::move(controller);
    }
    std::printf("\nrestore, %d runs (goal: controller construction median under 50 ms)\n", runs);
    print("read the defaults file", readMs, "ms");
    print("progress, loop and track stores", storesMs, "ms");
    print("construct the controller (restore)", restoreMs, "ms");
    print("all three", totalMs, "ms");
    print("engine start (not in the above)", engineStartMs, "ms");

    auto& c = *kept->controller;
    std::printf("  restored: \"%s\" at %.1f s, %s, loop %s, %zu history entries kept, %zu loops for the song\n",
                c.currentSong()->title().c_str(), c.playbackPositionSeconds(),
                c.isPlaying() ? "playing" : "paused", c.activeLoopBookmarkID() ? "matched a saved one" : "unmatched",
                c.progressStore().historyEntries().size(), c.savedLoops().size());

    for (const char* key : {PracticeProgressStore::historyKey, PracticeLoopStore::storageKey,
                            PracticeTrackStore::storageKey, PracticeProgressStore::currentSessionKey})
        std::printf("    %-28s %8.1f kB after the restore\n", key,
                    double(kept->defaults->dataValue(key).value_or(std::vector<std::uint8_t>{}).size()) / 1e3);

    std::printf("\npaused, nothing changed (expect 0 changes, 0 revisions):\n");
    checkPausedTicks(*kept, "with the restored loop active", true);
    c.updateLoop(std::nullopt);
    checkPausedTicks(*kept, "without a loop", false);

    // One save through public calls; the writer is let finish between rounds,
    // as the controller's saves are seconds apart.
    std::vector<double> latency, mode;
    for (int i = 0; i < saves; ++i) {
        auto start = Clock::now();
        c.setInputLatencyMilliseconds(i % 2 ? 12.0 : 13.0);
        latency.push_back(microsecondsSince(start));
        kept->defaults->flush();
        start = Clock::now();
        c.setPracticeMode(i % 2 ? PracticeMode::practice : PracticeMode::accompaniment);
        mode.push_back(microsecondsSince(start));
        kept->defaults->flush();
    }
    std::printf("\none progress save (200 history entries kept), %d rounds each\n", saves);
    print("setInputLatencyMilliseconds", latency, "us");
    print("setPracticeMode flip", mode, "us");

    // Playing over these defaults: the cost of the tick's own 2 s saves.
    playTicks(c, "playing 20 s without a loop");
    c.updateLoop(MIDILoopRange{8.0, 12.0});
    playTicks(c, c.activeLoopBookmarkID() ? "playing 20 s in a saved loop" : "playing 20 s in an unsaved loop");
    kept->defaults->flush();
    kept.reset();
    printLoad();
    return 0;
}
