#include "LibraryTestSupport.hpp"

#include "CorvaneLibrary/PracticeLoopStore.hpp"
#include "CorvaneLibrary/PracticeProgressStore.hpp"
#include "CorvaneLibrary/StoredRecord.hpp"

using namespace corvane;

namespace {

class IncrementalSaveTest : public corvane::testing::DefaultsFileTest {};

PracticeLoopBookmark loop(std::int64_t start, std::int64_t end, std::string name = {}) {
    return PracticeLoopBookmark(UUID::random(), start, end, std::move(name), PracticeMetrics::zero(), 0, std::nullopt);
}

// What storing the whole object at once writes: the bytes every save wrote before.
std::vector<std::uint8_t> wholeDocument(const PracticeLoopStore& store) {
    return *encodedRecord(SongKeyedRecordsDocument<PracticeLoopBookmark>{store.bookmarksBySong()});
}

} // namespace

// Saves that encode only the changed song write, byte for byte, what encoding
// every song wrote, through every kind of change and with song keys that JSON
// must escape; and what they write reads back in the next run.
TEST_F(IncrementalSaveTest, LoopSavesWriteTheSameBytesAsEncodingEverySong) {
    DefaultsStore defaults(file);
    const std::vector<std::string> songs{"bundled:b", "file:/m/\"aspas\"\\barra.mid", "file:/m/pe\xC3\xA7" "a.mid",
                                         "file:/m/bad\xFF.mid", "a"};
    std::vector<UUID> ids;
    {
        PracticeLoopStore store(defaults, 50);
        for (std::size_t i = 0; i < songs.size(); ++i)
            for (std::int64_t m = 1; m <= 3; ++m) {
                auto bookmark = loop(m * 4, m * 4 + 1, "Trecho " + std::to_string(m));
                ids.push_back(bookmark.id());
                store.add(bookmark, songs[i]);
                EXPECT_EQ(defaults.dataValue(PracticeLoopStore::storageKey), wholeDocument(store));
            }
    }

    // A later run starts from what was written and changes one song at a time.
    PracticeLoopStore store(defaults, 50);
    ASSERT_EQ(store.bookmarksBySong().size(), songs.size());
    store.updateProgress(ids[4], PracticeMetrics(12.5, 30, 25, 3, 2, 1), 7, Date{1000.25}, songs[1]);
    EXPECT_EQ(defaults.dataValue(PracticeLoopStore::storageKey), wholeDocument(store));
    store.rename(ids[0], "Início", songs[0]);
    EXPECT_EQ(defaults.dataValue(PracticeLoopStore::storageKey), wholeDocument(store));
    for (std::size_t i = 9; i < 12; ++i) store.remove(ids[i], songs[3]);
    EXPECT_EQ(store.bookmarksBySong().count(songs[3]), 0u);
    EXPECT_EQ(defaults.dataValue(PracticeLoopStore::storageKey), wholeDocument(store));
    store.resetProgress(ids[4], songs[1]);
    store.resetAllProgress();
    EXPECT_EQ(defaults.dataValue(PracticeLoopStore::storageKey), wholeDocument(store));
    defaults.flush();

    PracticeLoopStore reread(reopened(), 50);
    EXPECT_EQ(reread.bookmarksBySong(), store.bookmarksBySong());
}

// The file is read on the store's own thread: values set before the read
// finished, and every value of a large file, are all there afterwards.
TEST_F(IncrementalSaveTest, AFileStillBeingReadLosesNothing) {
    {
        DefaultsStore first(file);
        for (int i = 0; i < 3000; ++i) first.setString("chave." + std::to_string(i), std::string(200, 'x'));
        first.setInteger("contador", 1);
    }
    {
        DefaultsStore second(file);
        second.setInteger("contador", 2); // before anything was read
        EXPECT_EQ(second.stringValue("chave.2999"), std::string(200, 'x'));
        EXPECT_EQ(second.keys().size(), 3001u);
    }
    DefaultsStore& third = reopened();
    EXPECT_EQ(third.integerValue("contador"), 2);
    EXPECT_EQ(third.keys().size(), 3001u);
    EXPECT_FALSE(third.setAsideFile().has_value());
}

// History saves reuse the text of unchanged entries and still write what
// encoding the whole list wrote, also when a stored list repeats an id.
TEST_F(IncrementalSaveTest, HistorySavesWriteTheSameBytesAsEncodingTheWholeList) {
    DefaultsStore defaults(file);
    const auto song = PracticeSongReference::externalFile("/m/\"noturno\".mid");
    const UUID repeated = UUID::random();
    std::vector<PracticeHistoryEntry> stored;
    for (int i = 0; i < 6; ++i)
        stored.emplace_back(i < 2 ? repeated : UUID::random(), "Peça " + std::to_string(i), song, Date{0},
                            Date{100.0 + i}, i, PracticeMetrics(i, i, i, 0, 0, 0));
    storeRecord(defaults, PracticeProgressStore::historyKey, stored);

    PracticeProgressStore progress(defaults, 4);
    const auto written = [&] { return defaults.dataValue(PracticeProgressStore::historyKey); };
    const UUID open = UUID::random();
    for (int save = 0; save < 3; ++save) {
        progress.upsertHistory(PracticeHistoryEntry(open, "Aberta", song, Date{50}, Date{200.0 + save}, save,
                                                    PracticeMetrics(save, save, 0, 0, 0, 0)));
        EXPECT_EQ(written(), encodedRecord(progress.historyEntries()));
    }
    EXPECT_EQ(progress.historyEntries().size(), 4u);
    progress.removeProgress("nenhuma");
    EXPECT_EQ(written(), encodedRecord(progress.historyEntries()));

    // A stored list with a repeated id, kept whole by a limit that trims nothing.
    storeRecord(defaults, PracticeProgressStore::historyKey, stored);
    PracticeProgressStore repeating(defaults, 10);
    repeating.upsertHistory(PracticeHistoryEntry(open, "Aberta", song, Date{50}, Date{300}, 1, PracticeMetrics::zero()));
    EXPECT_EQ(written(), encodedRecord(repeating.historyEntries()));
    EXPECT_EQ(repeating.historyEntries().size(), 7u);
}
