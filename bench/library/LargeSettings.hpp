#pragma once

// A settings file as a long-time user has it: 10,000 history entries and
// 200 songs with 50 saved loops each, written into a defaults store the way
// the stores write them.

#include <cstdint>
#include <string>
#include <vector>

#include "CorvaneLibrary/DefaultsStore.hpp"
#include "CorvaneLibrary/PracticeLoopStore.hpp"
#include "CorvaneLibrary/PracticeProgressStore.hpp"
#include "CorvaneLibrary/SongKeyedRecords.hpp"
#include "CorvaneLibrary/StoredRecord.hpp"

namespace largesettings {

inline corvane::PracticeSongReference librarySong(int i)
{
    return corvane::PracticeSongReference::externalFile("/home/aluna/Música/Repertório/peça número " +
                                                        std::to_string(i) + ".mid");
}

inline std::vector<corvane::PracticeLoopBookmark> loopsOfOneSong(int song, int count = 50)
{
    std::vector<corvane::PracticeLoopBookmark> loops;
    for (int m = 0; m < count; ++m)
        loops.emplace_back(corvane::UUID::random(), 1 + 4 * m, 4 + 4 * m, "Trecho difícil " + std::to_string(m),
                           corvane::PracticeMetrics(120.5 + m, 300 + m, 250 + song, 20, 15, 10), 12 + m,
                           corvane::Date{700'000'000.0 + song * 100 + m});
    return loops;
}

// Adds the history and the loops to what `defaults` already holds.
inline void fill(corvane::DefaultsStore& defaults, int historyEntries = 10'000, int songs = 200, int loopsPerSong = 50)
{
    using namespace corvane;
    std::vector<PracticeHistoryEntry> history;
    history.reserve(static_cast<std::size_t>(historyEntries));
    for (int i = 0; i < historyEntries; ++i)
        history.emplace_back(UUID::random(), "Estudo em dó maior, op. " + std::to_string(i % songs), librarySong(i % songs),
                             Date{600'000'000.0 + i * 60}, Date{600'000'000.0 + i * 60 + 900}, 42.5 + i % 100,
                             PracticeMetrics(900, 1200, 1000, 120, 80, 30));
    storeRecord(defaults, PracticeProgressStore::historyKey, history);

    SongKeyedRecordsDocument<PracticeLoopBookmark> loops;
    for (int s = 0; s < songs; ++s) loops.records.emplace(librarySong(s).stableID(), loopsOfOneSong(s, loopsPerSong));
    storeRecord(defaults, PracticeLoopStore::storageKey, loops);
    defaults.flush();
}

} // namespace largesettings
