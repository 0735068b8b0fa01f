// The inspector's practice page over a well-used progress store: a song with
// 50 saved loops and a history of 10,000 entries (and, to compare, 100).
// Live notes are handed to the controller one by one; per change of the
// progress revision (each graded note) and per change of the MIDI latency
// statistics alone (each key release), it measures the page's main-thread
// time: its handlers of that signal and the events (paints included)
// delivered to it afterwards. Offscreen platform, JACK dummy server.
//
//   bench_practice_inspector [notes]   (default: 2000)

#include <QApplication>

#include <cstdlib>

#include "CorvaneApp/inspector/PracticeInspectorTab.hpp"
#include "CorvaneLibrary/SongKeyedRecords.hpp"
#include "CorvaneLibrary/StoredRecord.hpp"
#include "session/SessionBench.hpp"
#include "workspace/TimingApplication.hpp"

using namespace corvane;
using namespace sessionbench;

namespace {

constexpr int savedLoops = 50;

PracticeMetrics metrics(int seed)
{
    return PracticeMetrics(60.0 + seed % 600, 500 + seed % 97, 400 + seed % 89, 40 + seed % 7, 30 + seed % 5,
                           20 + seed % 3);
}

// The history (the open song's among 100 others) and the song's saved loops.
void writeDefaults(const std::filesystem::path& file, const PracticeSongReference& song, int historyCount)
{
    DefaultsStore defaults(file);
    const double now = Date::now().secondsSinceReferenceDate;
    std::vector<PracticeHistoryEntry> history;
    history.reserve(std::size_t(historyCount));
    for (int i = 0; i < historyCount; ++i) {
        const double updated = now - 60.0 * (historyCount - i);
        const auto reference = i % 101 == 0 ? song
                                            : PracticeSongReference::externalFile("/home/aluna/Música/peça " +
                                                                                  std::to_string(i % 101) + ".mid");
        history.emplace_back(UUID::random(), "Peça " + std::to_string(i % 101), reference, Date{updated - 600},
                             Date{updated}, 10.0 + i % 100, metrics(i));
    }
    storeRecord(defaults, PracticeProgressStore::historyKey, history);
    SongKeyedRecordsDocument<PracticeLoopBookmark> loops;
    auto& list = loops.records[song.stableID()];
    for (int k = 0; k < savedLoops; ++k)
        list.emplace_back(UUID::random(), 1 + k, 2 + k, k % 3 ? "" : "Trecho " + std::to_string(k), metrics(k), k,
                          Date{now - 3600.0 * k});
    storeRecord(defaults, PracticeLoopStore::storageKey, loops);
    defaults.flush();
}

// One pass: a controller over `historyCount` entries with the page shown.
bool measure(workspacebench::TimingApplication& application, const Folder& folder, const std::filesystem::path& song,
             int historyCount, int notes)
{
    const auto reference = PracticeSongReference::externalFile(song.string());
    const auto file = folder.path() / ("defaults-" + std::to_string(historyCount) + ".json");
    writeDefaults(file, reference, historyCount);

    DefaultsStore defaults(file);
    PracticeProgressStore progress(defaults, historyCount);
    PracticeLoopStore loops(defaults, savedLoops);
    PracticeTrackStore tracks(defaults);
    PianoAudioEngine engine(defaults, AudioHostAPI::jack);
    PracticeSessionEnvironment environment;
    environment.demoBundles = StudioResourceBundle::candidates();
    PracticeSessionStore c(progress, loops, tracks, nullptr, &engine, defaults, {}, {}, std::move(environment));
    c.loadMIDI(song, "Estudo", reference);
    if (c.lastImportError()) {
        std::fprintf(stderr, "load failed: %s\n", c.lastImportError()->c_str());
        return false;
    }
    c.dismissTrackSelection();
    if (!processEventsUntil([&] { return engine.currentRenderClockInstant().has_value(); }, std::chrono::seconds(10)))
        return false;
    if (!c.isPlaying()) c.togglePlayback();
    // Only the notes below move the controller.
    PracticeSessionStoreProbe::stopPlaybackTimer(c);
    c.setPracticeMode(PracticeMode::practice);

    // Handlers around the page's own: the first starts the clock, the last stops it.
    Clock::time_point revisionStart, statisticsStart;
    double revisionHandlers = 0, statisticsHandlers = 0;
    int statisticsChanges = 0;
    QObject::connect(&c, &PracticeSessionStore::progressRevisionChanged, [&] { revisionStart = Clock::now(); });
    QObject::connect(&c, &PracticeSessionStore::midiLatencyStatisticsChanged,
                     [&] { statisticsStart = Clock::now(); });
    PracticeInspectorTab page(c);
    QObject::connect(&c, &PracticeSessionStore::progressRevisionChanged,
                     [&] { revisionHandlers += microsecondsSince(revisionStart); });
    QObject::connect(&c, &PracticeSessionStore::midiLatencyStatisticsChanged,
                     [&] {
                         statisticsHandlers += microsecondsSince(statisticsStart);
                         ++statisticsChanges;
                     });
    page.resize(258, 1240);
    page.show();
    processEventsFor(std::chrono::milliseconds(300));
    if (c.savedLoops().size() != std::size_t(savedLoops) || progress.historyEntries().size() != std::size_t(historyCount)) {
        std::fprintf(stderr, "store not as written: %zu loops, %zu entries\n", c.savedLoops().size(),
                     progress.historyEntries().size());
        return false;
    }

    application.watched = &page;
    std::vector<double> perRevision, perStatistics, controllerPerNote;
    const auto deliver = [&](const MIDIInputMessage& message, std::uint64_t delayNanoseconds) {
        const auto arrived = MIDIInputEvent(1, 0, 0, message).timestamp;
        revisionHandlers = statisticsHandlers = 0;
        statisticsChanges = 0;
        application.microseconds = 0;
        const auto before = c.progressRevision();
        const auto start = Clock::now();
        PracticeSessionStoreProbe::handleMIDIInput(c, MIDIInputEvent(1, arrived - delayNanoseconds, 0, message));
        const double total = microsecondsSince(start);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return std::tuple{c.progressRevision() != before, total - revisionHandlers - statisticsHandlers};
    };
    for (int i = 0; i < notes; ++i) {
        const auto note = std::uint8_t(48 + i % 24);
        // 1 to 4 ms on the way, as a USB keyboard's notes are; rising, so that the statistics keep changing.
        const auto delay = std::uint64_t(1'000'000 + 1'000 * (i % 3000));
        const auto [revised, controller] = deliver(MIDIInputMessage::NoteOn{note, 90}, delay);
        if (revised) perRevision.push_back((revisionHandlers + statisticsHandlers + application.microseconds) / 1000);
        controllerPerNote.push_back(controller / 1000);
        const auto released = deliver(MIDIInputMessage::NoteOff{note, 0}, delay + 500);
        if (!std::get<0>(released) && statisticsChanges > 0)
            perStatistics.push_back((statisticsHandlers + application.microseconds) / 1000);
    }
    application.watched = nullptr;
    // For scale: the whole page painted again.
    std::vector<double> fullPaints;
    application.watched = &page;
    for (int k = 0; k < 20; ++k) {
        application.microseconds = 0;
        for (auto child : page.findChildren<QWidget*>()) child->update();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        fullPaints.push_back(application.microseconds / 1000);
    }
    application.watched = nullptr;
    std::printf("\n%d history entries, %d saved loops, %d notes (%lld graded), page %dx%d\n", historyCount,
                savedLoops, notes, static_cast<long long>(c.sessionMetrics().playedNoteCount), page.width(),
                page.height());
    // The first graded note shows the breakdown and the MIDI group: a one-off relayout and paint.
    if (!perRevision.empty()) std::printf("  first graded note (rows appear): %.3f ms\n", perRevision.front());
    print("page per progressRevisionChanged", perRevision, "ms");
    if (perRevision.size() > 1)
        print("  the same after the first note", std::vector<double>(perRevision.begin() + 1, perRevision.end()), "ms");
    print("page per midiLatencyStatisticsChanged", perStatistics, "ms");
    print("controller per key press (not the page)", controllerPerNote, "ms");
    print("whole page painted again (for scale)", fullPaints, "ms");
    if (c.isPlaying()) c.togglePlayback();
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    workspacebench::TimingApplication application(argc, argv);
    const int notes = argc > 1 ? std::atoi(argv[1]) : 2000;
    if (notes < 1) return 2;

    printLoad();
    JackTestServer server(48000, 128);
    server.releaseTurn();
    Folder folder;
    // Two minutes, 60 bars: room for the 50 loops.
    const auto song = folder.write("estudo.mid", denseSong(960, 1));
    for (const int history : {100, 10'000})
        if (!measure(application, folder, song, history, notes)) return 1;
    return 0;
}
