// Main-thread cost of the library browser with a large library: one folder
// source of 10,000 MIDI files in 200 subfolders and a playlist of 2,000
// entries, on the offscreen platform at the size of the main window's
// destination area. Each step must fit in a 60 Hz frame (16 ms):
//
//   derive and group   the source's songs from the store, filtered (no search) and grouped
//                      as the song list keeps them
//   derive playlist    the playlist's rows, each looked up in the store
//   select source      a click on the source: derivation, model reset, groups opened, laid out
//   keystroke          one more letter in the search field, with the list rebuilt
//   model reset        a store change re-derived in the next turn (the list rebuilt)
//   scroll a page      one page down, repainted
//
//   bench_library_browser [rounds]     (default 30)

#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "CorvaneApp/library/LibraryListModels.hpp"
#include "CorvaneApp/library/LibraryListViews.hpp"
#include "CorvaneApp/library/MusicLibraryView.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "CorvaneLibrary/MusicLibraryStore.hpp"
#include "CorvaneLibrary/PersistedMusicLibrary.hpp"
#include "CorvaneLibrary/StoredRecord.hpp"
#include "support/QtEventLoop.hpp"
#include "support/TestFolder.hpp"

using namespace corvane;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int composers = 20;
constexpr int collectionsPerComposer = 10; // 200 subfolders
constexpr int piecesPerCollection = 50;    // 10,000 files
constexpr int playlistEntries = 2000;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Timing {
    const char* name;
    std::vector<double> samples;

    void report(bool& allWithinFrame) const
    {
        auto sorted = samples;
        std::sort(sorted.begin(), sorted.end());
        const double median = sorted[sorted.size() / 2];
        const double worst = sorted.back();
        const bool ok = worst < 16.0;
        allWithinFrame = allWithinFrame && ok;
        std::printf("%-18s median %7.2f ms   max %7.2f ms   %s\n", name, median, worst, ok ? "ok" : "OVER 16 ms");
    }
};

template <class Step> Timing measure(const char* name, int rounds, Step step)
{
    Timing timing{name, {}};
    for (int round = 0; round < rounds; ++round) {
        const auto start = Clock::now();
        step(round);
        timing.samples.push_back(millisecondsSince(start));
        QCoreApplication::processEvents();
    }
    return timing;
}

std::string relativePiece(int composer, int collection, int piece)
{
    return "Compositor " + std::to_string(composer) + "/Coleção " + std::to_string(collection) + "/Peça " +
           std::to_string(piece) + ".mid";
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;

    TestFolder folder("brelmo-bench-library");
    const auto music = folder.path() / "Acervo";
    for (int c = 0; c < composers; ++c)
        for (int k = 0; k < collectionsPerComposer; ++k) {
            std::filesystem::create_directories(music / ("Compositor " + std::to_string(c)) /
                                                ("Coleção " + std::to_string(k)));
            for (int p = 0; p < piecesPerCollection; ++p) std::ofstream(music / relativePiece(c, k, p)) << "MThd";
        }

    // The source is added once for its bookmark; the playlist is written into
    // the stored library directly (2,000 additions would save 2,000 times).
    DefaultsStore defaults(folder.path() / "defaults.json");
    UUID source;
    {
        MusicLibraryStore first(defaults);
        bool added = false;
        source = *first.addFolder(music.string(), [&] { added = true; });
        processEventsUntil([&] { return added; }, std::chrono::seconds(120));
        PersistedMusicLibrary library{first.sources(), {}};
        MusicPlaylist playlist{UUID::random(), "Repertório", {}};
        for (int i = 0; i < playlistEntries; ++i) {
            const auto reference =
                i % 20 == 0 ? LibrarySongReference::bundledDemo("furElise")
                            : LibrarySongReference::sourceTrack(source, relativePiece(i % composers, i % 10, i % 50));
            playlist.entries.push_back(LibraryPlaylistEntry{UUID::random(), "Entrada " + std::to_string(i), reference});
        }
        library.playlists.push_back(playlist);
        storeRecord(defaults, MusicLibraryStore::storageKey, library);
    }
    MusicLibraryStore store(defaults);
    processEventsUntil([&] { return store.scanningSourceIDs().empty() && !store.tracksBySource().empty(); },
                       std::chrono::seconds(120));
    const UUID playlist = store.playlists().at(0).id;
    std::printf("library: %zu tracks in %d subfolders, playlist of %zu entries\n", store.tracks(source).size(),
                composers * collectionsPerComposer, store.playlists()[0].entries.size());

    MusicLibraryView view(store, {});
    view.resize(965, 762);
    view.show();
    processEventsUntil([&] { return store.scanningSourceIDs().empty(); }, std::chrono::seconds(120));
    QCoreApplication::processEvents();

    const LibraryContents contents{store.sources(), store.playlists(), store.tracksBySource()};
    const auto resolve = [&](const LibrarySongReference& reference) { return store.resolve(reference); };
    std::vector<Timing> timings;
    std::size_t groups = 0;
    timings.push_back(measure("derive and group", rounds, [&](int) {
        const auto songs = selectedSongs(LibraryCollection::source(source), contents, {}, resolve);
        const auto filtered = filteredSongs(songs, QString());
        groups = groupedSourceSongRows(filtered).size();
    }));
    timings.push_back(measure("derive playlist", rounds, [&](int) {
        selectedSongs(LibraryCollection::playlist(playlist), contents, {}, resolve);
    }));
    Timing select{"select source", {}};
    for (int round = 0; round < rounds; ++round) {
        view.setSelection(LibraryCollection::demos());
        QCoreApplication::processEvents();
        const auto start = Clock::now();
        view.setSelection(LibraryCollection::source(source));
        select.samples.push_back(millisecondsSince(start));
        QCoreApplication::processEvents();
    }
    timings.push_back(select);
    // Each round types one letter more of a title, then starts again.
    const QString typed = QStringLiteral("peça 12");
    timings.push_back(measure("keystroke", rounds, [&](int round) {
        const int letters = 1 + round % typed.size();
        view.searchField()->setText(typed.left(letters));
    }));
    view.searchField()->clear();
    // A store change that alters the list (the playlist gains an entry while
    // it is shown): the queued derivation resets the model.
    view.setSelection(LibraryCollection::playlist(playlist));
    Timing reset{"model reset", {}};
    for (int round = 0; round < rounds; ++round) {
        // The store's own work (saving the library) is not the browser's.
        store.add(LibrarySongReference::bundledDemo("odeToJoy"), "Nova " + std::to_string(round), playlist);
        const int derived = view.derivationCount();
        const auto start = Clock::now();
        QCoreApplication::processEvents();
        reset.samples.push_back(millisecondsSince(start));
        if (view.derivationCount() != derived + 1) std::printf("the change was not derived in the next turn\n");
    }
    timings.push_back(reset);
    view.setSelection(LibraryCollection::source(source));
    QScrollBar* scroll = view.songList()->verticalScrollBar();
    timings.push_back(measure("scroll a page", rounds, [&](int) {
        scroll->setValue(scroll->value() + scroll->pageStep());
        view.songList()->viewport()->repaint();
    }));

    std::printf("%zu groups; the source lists %zu songs\n", groups, view.filteredSongs().size());
    bool allWithinFrame = true;
    for (const auto& timing : timings) timing.report(allWithinFrame);
    return allWithinFrame ? 0 : 1;
}
