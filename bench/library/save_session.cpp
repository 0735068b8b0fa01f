// Times, on the calling thread, one save of the practice session as the
// session controller makes it: the current session (with a full visual preset)
// and the upserted history entry, over a history of 200 entries.
//
//   bench_save_session [rounds] [folder]     (defaults: 300 rounds, the system's temporary folder)
//
// "with flush" waits for the file to be on disk, as every save did when the
// defaults were written on the calling thread; "without flush" is what the
// caller pays now that the background writer does the disk work; "every 8 ms"
// saves while the writer may still be busy; "encoding only" is the stores' JSON
// encoding of the two records, which stays on the calling thread.
//
// Then the save of a playing saved loop's progress with a long-time user's
// settings (10,000 history entries, 200 songs with 50 loops each): what one
// save costs the calling thread, and what a read of the defaults made right
// after it waits while the writer takes its snapshot.

#include "CorvaneLibrary/DefaultsStore.hpp"
#include "CorvaneLibrary/PracticeLoopStore.hpp"
#include "CorvaneLibrary/PracticeProgressStore.hpp"
#include "CorvaneLibrary/StoredRecord.hpp"
#include "LargeSettings.hpp"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

using namespace corvane;
using Clock = std::chrono::steady_clock;

namespace {

VisualPreset fullPreset() {
    VisualPreset preset = VisualPreset::builtIn();
    preset.noteColorMode = NoteColorMode::perTrack;
    for (std::int64_t track = 0; track < 16; ++track)
        preset.trackColors.emplace_back(track, static_cast<double>(track) / 16, 0.8, 0.9);
    std::vector<std::uint8_t> bookmark(900);
    for (std::size_t i = 0; i < bookmark.size(); ++i) bookmark[i] = static_cast<std::uint8_t>(i * 31);
    preset.background.imageReference =
        BackgroundImageReference{"/home/aluna/Imagens/Palco de concerto/fundo azul.jpg", bookmark};
    return preset;
}

PracticeHistoryEntry historyEntry(const UUID& id, const PracticeSongReference& song, double updated) {
    return PracticeHistoryEntry(id, "Noturno em mi bemol maior, op. 9 nº 2", song, Date{updated - 600}, Date{updated},
                                123.25, PracticeMetrics(600.5, 1500, 1200, 120, 100, 80));
}

struct Percentiles {
    double median, p99, maximum;
};

Percentiles percentiles(std::vector<double> microseconds) {
    std::sort(microseconds.begin(), microseconds.end());
    const auto at = [&](double q) { return microseconds[static_cast<std::size_t>(q * double(microseconds.size() - 1))]; };
    return {at(0.5), at(0.99), microseconds.back()};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 300;
    std::string pattern = ((argc > 2 ? std::filesystem::path(argv[2]) : std::filesystem::temp_directory_path()) /
                           "brelmo-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::filesystem::path folder(pattern);

    {
        DefaultsStore defaults(folder / "defaults.json");
        PracticeProgressStore progress(defaults, PracticeProgressStore::applicationMaximumHistoryCount);
        for (int i = 0; i < 200; ++i)
            progress.upsertHistory(historyEntry(UUID::random(), PracticeSongReference::externalFile(
                                                    "/home/aluna/Música/peça " + std::to_string(i) + ".mid"), 1000.0 + i));
        defaults.flush();

        const auto song = PracticeSongReference::externalFile("/home/aluna/Música/Chopin/noturno op 9 nº 2.mid");
        const UUID entryID = UUID::random();
        const VisualPreset preset = fullPreset();
        double now = 1'000'000;
        const auto saveOnce = [&] {
            now += 2;
            progress.saveCurrentSession(PersistedPracticeSession(entryID, "Noturno", song, Date{now - 600}, Date{now},
                                                                 95.5, 0.75, MIDILoopRange{32.0, 48.5},
                                                                 PracticeMode::practice, PracticeHand::right, 12,
                                                                 preset, PracticeMetrics(600, 900, 800, 50, 30, 20)));
            progress.upsertHistory(historyEntry(entryID, song, now));
        };

        std::printf("session save, %zu history entries, %d rounds, in %s\n", progress.historyEntries().size(), rounds,
                    folder.c_str());
        for (const bool flush : {true, false}) {
            std::vector<double> samples;
            samples.reserve(static_cast<std::size_t>(rounds));
            for (int round = 0; round < rounds; ++round) {
                const auto start = Clock::now();
                saveOnce();
                if (flush) defaults.flush();
                samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
                // Rounds stay independent: the next save starts with the writer idle,
                // as the controller's saves (2 s apart) do.
                if (!flush) defaults.flush();
            }
            const auto p = percentiles(samples);
            std::printf("  %-14s median %9.1f us   p99 %9.1f us   max %9.1f us\n", flush ? "with flush" : "without flush",
                        p.median, p.p99, p.maximum);
        }

        // Saves in quick succession while the writer is still busy with the last one.
        std::vector<double> samples;
        for (int round = 0; round < rounds; ++round) {
            const auto start = Clock::now();
            saveOnce();
            samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
            std::this_thread::sleep_for(std::chrono::milliseconds(8));
        }
        const auto p = percentiles(samples);
        std::printf("  %-14s median %9.1f us   p99 %9.1f us   max %9.1f us\n", "every 8 ms", p.median, p.p99, p.maximum);

        // The part of a save that is the stores' own JSON encoding of the two records.
        samples.clear();
        for (int round = 0; round < rounds; ++round) {
            const auto start = Clock::now();
            const auto session = encodedRecord(*progress.currentSession());
            const auto history = encodedRecord(progress.historyEntries());
            samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
            if (!session || !history) return 1;
        }
        const auto e = percentiles(samples);
        std::printf("  %-14s median %9.1f us   p99 %9.1f us   max %9.1f us\n", "encoding only", e.median, e.p99,
                    e.maximum);
    }
    {
        const auto file = folder / "large.json";
        {
            DefaultsStore defaults(file);
            largesettings::fill(defaults);
        }
        std::printf("saved-loop progress, settings file of %.1f MB (10,000 history entries, 200 songs x 50 loops):\n",
                    double(std::filesystem::file_size(file)) / 1e6);
        auto start = Clock::now();
        DefaultsStore defaults(file);
        PracticeProgressStore progress(defaults, PracticeProgressStore::applicationMaximumHistoryCount);
        PracticeLoopStore loops(defaults, PracticeLoopStore::applicationMaximumPerSong);
        std::printf("  %-26s %9.1f ms\n", "reading the stores",
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        const std::string song = largesettings::librarySong(7).stableID();
        const auto bookmarks = loops.bookmarks(song);
        std::vector<double> saves, reads;
        const int loopRounds = std::max(10, rounds / 5);
        for (int round = 0; round < loopRounds; ++round) {
            const auto& bookmark = bookmarks[static_cast<std::size_t>(round) % bookmarks.size()];
            start = Clock::now();
            loops.updateProgress(bookmark.id(), PracticeMetrics(10.0 + round, 20 + round, 15, 3, 2, 1), round,
                                 Date{800'000'000.0 + round}, song);
            saves.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            start = Clock::now();
            (void)defaults.boolValue("practice.showsNoteNames");
            reads.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
            defaults.flush();
        }
        for (const auto& [what, samples] : {std::pair{"one loop's progress saved", &saves},
                                             std::pair{"a read 1 ms after the save", &reads}}) {
            const auto p = percentiles(*samples);
            std::printf("  %-26s median %9.1f us   p99 %9.1f us   max %9.1f us   (%zu saves)\n", what, p.median, p.p99,
                        p.maximum, samples->size());
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return 0;
}
