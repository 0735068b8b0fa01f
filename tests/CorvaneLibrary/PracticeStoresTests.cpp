#include "LibraryTestSupport.hpp"

#include "CorvaneLibrary/PracticeLoopStore.hpp"
#include "CorvaneLibrary/PracticeProgressStore.hpp"
#include "CorvaneLibrary/PracticeTrackStore.hpp"
#include "CorvaneLibrary/StoredRecord.hpp"

#include <cmath>

using namespace corvane;
using corvane::testing::bytesOf;
using corvane::testing::textOf;

namespace {

class PracticeStoreTest : public corvane::testing::DefaultsFileTest {
protected:
    std::unique_ptr<DefaultsStore> defaults = std::make_unique<DefaultsStore>(file);

    int writesDuring(const std::function<void()>& action) { return corvane::testing::writesDuring(*defaults, action); }
};

PracticeLoopBookmark loop(std::int64_t start, std::int64_t end, std::string name = {}) {
    return PracticeLoopBookmark(UUID::random(), start, end, std::move(name), PracticeMetrics::zero(), 0, std::nullopt);
}

std::vector<std::pair<std::int64_t, std::int64_t>> measures(const std::vector<PracticeLoopBookmark>& list) {
    std::vector<std::pair<std::int64_t, std::int64_t>> out;
    for (const auto& b : list) out.emplace_back(b.startMeasure, b.endMeasure);
    return out;
}

PracticeMetrics correct(std::int64_t count) { return PracticeMetrics(1.5, count, count, 0, 0, 0); }

PracticeHistoryEntry entry(const PracticeSongReference& song, double updated, PracticeMetrics metrics = correct(1),
                           UUID id = UUID::random()) {
    return PracticeHistoryEntry(id, "Título " + std::to_string(updated), song, Date{0}, Date{updated}, updated / 10,
                                metrics);
}

PersistedPracticeSession session(const PracticeSongReference& song, PracticeMetrics metrics = correct(1)) {
    return PersistedPracticeSession(UUID::random(), "Sessão", song, Date{1}, Date{2}, 3.5, 1.0, MIDILoopRange{1, 2},
                                    PracticeMode::practice, PracticeHand::left, 20, VisualPreset::builtIn(), metrics);
}

const auto songA = PracticeSongReference::bundledDemo("a");
const auto songB = PracticeSongReference::externalFile("/m/b.mid");

} // namespace

TEST_F(PracticeStoreTest, LoopsStaySortedWithinTheLimit) {
    PracticeLoopStore store(*defaults, 2);
    const std::string song = songA.stableID();
    store.add(loop(5, 6), song);
    EXPECT_TRUE(store.add(loop(1, 2), song));
    EXPECT_TRUE(store.add(loop(3, 4), song));
    EXPECT_EQ(measures(store.bookmarks(song)), (decltype(measures({})){{1, 2}, {3, 4}}));
    EXPECT_FALSE(store.add(loop(7, 8), song)) << "the limit left the new loop out";
    EXPECT_EQ(measures(store.bookmarks(song)), (decltype(measures({})){{1, 2}, {3, 4}}));

    const auto replacement = loop(2, 1, "novo");
    EXPECT_TRUE(store.add(replacement, song));
    EXPECT_EQ(store.bookmarks(song).at(0), replacement);
    EXPECT_EQ(store.bookmarks(song).size(), 2u);

    defaults->flush();
    PracticeLoopStore reread(reopened(), 2);
    EXPECT_EQ(reread.bookmarksBySong(), store.bookmarksBySong());
}

TEST_F(PracticeStoreTest, LoopsWithEqualStartKeepTheirOrderAndALimitBelowOneIsOne) {
    PracticeLoopStore store(*defaults, -5);
    store.add(loop(4, 6), "s");
    EXPECT_FALSE(store.add(loop(4, 5), "s"));
    EXPECT_EQ(measures(store.bookmarks("s")), (decltype(measures({})){{4, 6}}));

    PracticeLoopStore wide(*defaults, 50);
    wide.add(loop(4, 5), "s");
    EXPECT_EQ(measures(wide.bookmarks("s")), (decltype(measures({})){{4, 6}, {4, 5}}));
}

TEST_F(PracticeStoreTest, LoopChangesWriteOnlyWhenTheyFindTheirLoop) {
    PracticeLoopStore store(*defaults, 50);
    const auto kept = loop(1, 2);
    store.add(kept, "s");
    EXPECT_EQ(writesDuring([&] {
                  store.rename(UUID::random(), "x", "s");
                  store.updateProgress(kept.id(), correct(3), 2, Date{5}, "other");
                  store.resetProgress(UUID::random(), "s");
                  store.remove(kept.id(), "other");
              }),
              0);
    store.rename(kept.id(), " Refrão ", "s");
    store.updateProgress(kept.id(), correct(3), -2, Date{5}, "s");
    auto stored = store.bookmarks("s").at(0);
    EXPECT_EQ(stored.name, " Refrão ");
    EXPECT_EQ(stored.repetitions, -2) << "progress is stored as given";
    EXPECT_EQ(stored.lastPracticedAt, Date{5});

    store.resetAllProgress();
    stored = store.bookmarks("s").at(0);
    EXPECT_EQ(stored.metrics, PracticeMetrics::zero());
    EXPECT_FALSE(stored.lastPracticedAt);

    store.remove(kept.id(), "s");
    EXPECT_TRUE(store.bookmarksBySong().empty());
    EXPECT_EQ(textOf(defaults->dataValue(PracticeLoopStore::storageKey)), "{}");
}

TEST_F(PracticeStoreTest, AnUnreadableLoopContainerIsKeptAside) {
    const auto bad = bytesOf(R"({"s":[{"startMeasure":1,"endMeasure":2},{"endMeasure":3}]})");
    defaults->setData(PracticeLoopStore::storageKey, bad);
    PracticeLoopStore store(*defaults, 50);
    EXPECT_TRUE(store.bookmarksBySong().empty());
    store.add(loop(1, 1), "t");
    defaults->flush();
    EXPECT_EQ(reopened().dataValue("practice.loopBookmarks.v1.unreadable"), bad);
    EXPECT_EQ(PracticeLoopStore(*defaults, 50).bookmarks("t").size(), 1u);
}

TEST_F(PracticeStoreTest, EachDamagedRecordOfAKeyKeepsItsOwnCopy) {
    const auto first = bytesOf(R"({"s":[{"endMeasure":3}]})");
    const auto second = bytesOf(R"({"s":7})");
    const auto open = [&] { PracticeLoopStore store(*defaults, 50); };
    defaults->setData(PracticeLoopStore::storageKey, first);
    open();
    // Read again before anything replaced it: the same damage is not kept twice.
    open();
    defaults->setData(PracticeLoopStore::storageKey, second);
    open();
    defaults->flush();
    auto& stored = reopened();
    EXPECT_EQ(stored.dataValue("practice.loopBookmarks.v1.unreadable"), first);
    EXPECT_EQ(stored.dataValue("practice.loopBookmarks.v1.unreadable-2"), second);
    EXPECT_FALSE(stored.contains("practice.loopBookmarks.v1.unreadable-3"));
}

TEST_F(PracticeStoreTest, HistoryIsNewestFirstAndBounded) {
    std::vector<PracticeHistoryEntry> stored;
    for (int i = 0; i < 250; ++i) stored.push_back(entry(songA, (i * 37) % 250));
    const auto bytes = *encodedRecord(stored);
    defaults->setData(PracticeProgressStore::historyKey, bytes);

    PracticeProgressStore store(*defaults, 200);
    ASSERT_EQ(store.historyEntries().size(), 200u);
    EXPECT_EQ(store.historyEntries().front().updatedAt, Date{249});
    EXPECT_EQ(store.historyEntries().back().updatedAt, Date{50});
    EXPECT_EQ(defaults->dataValue(PracticeProgressStore::historyKey), bytes) << "nothing written at start-up";

    // Older than everything in a full history: not kept.
    store.upsertHistory(entry(songB, 1));
    EXPECT_EQ(store.historyEntries().back().updatedAt, Date{50});
    EXPECT_EQ(decodedRecord<std::vector<PracticeHistoryEntry>>(*defaults->dataValue(PracticeProgressStore::historyKey))
                  ->size(),
              200u);
}

TEST_F(PracticeStoreTest, UpsertReplacesByIdAndKeepsEqualDatesInArrivalOrder) {
    PracticeProgressStore store(*defaults, 0);
    store.upsertHistory(entry(songA, 5));
    store.upsertHistory(entry(songB, 4));
    EXPECT_EQ(store.historyEntries().size(), 1u) << "a limit below one is one";

    DefaultsStore other(root.path() / "other.json");
    PracticeProgressStore wide(other, 10);
    const UUID id = UUID::random();
    wide.upsertHistory(entry(songA, 10, correct(1), id));
    wide.upsertHistory(entry(songB, 7));
    wide.upsertHistory(entry(songA, 3, correct(2), id));
    ASSERT_EQ(wide.historyEntries().size(), 2u);
    EXPECT_EQ(wide.historyEntries()[1].id(), id);
    EXPECT_EQ(wide.historyEntries()[1].updatedAt, Date{3});

    const auto first = entry(songA, 7);
    wide.upsertHistory(first);
    EXPECT_EQ(wide.historyEntries()[1], first) << "the later of two equal dates stands after";
    other.flush();
    EXPECT_EQ(PracticeProgressStore(*std::make_unique<DefaultsStore>(root.path() / "other.json"), 10).historyEntries(),
              wide.historyEntries());
}

TEST_F(PracticeStoreTest, RecentSongsSumEachSongsEntries) {
    PracticeProgressStore store(*defaults, 200);
    EXPECT_TRUE(store.recentSongs().empty());
    const auto spelledOne = PracticeSongReference::externalFile("/m/x/../b.mid");
    store.upsertHistory(entry(songA, 1, correct(1)));
    store.upsertHistory(entry(songB, 2, correct(2)));
    store.upsertHistory(entry(songA, 3, correct(3)));
    store.upsertHistory(entry(spelledOne, 4, correct(4)));
    store.upsertHistory(entry(songA, 2.5, PracticeMetrics::unnormalized(0, INT64_MAX, INT64_MAX, 0, 0, 0)));

    const auto recent = store.recentSongs();
    ASSERT_EQ(recent.size(), 2u);
    EXPECT_EQ(recent[0].reference, spelledOne);
    EXPECT_EQ(recent[0].accumulatedMetrics.correctCount, 6);
    EXPECT_EQ(recent[0].lastPracticedAt, Date{4});
    EXPECT_EQ(recent[1].title, "Título 3.000000");
    EXPECT_EQ(recent[1].lastPositionSeconds, 0.3);
    EXPECT_EQ(recent[1].accumulatedMetrics.correctCount, INT64_MAX) << "sums saturate";
}

TEST_F(PracticeStoreTest, CurrentSessionIsSavedClearedAndRemovedWithItsSong) {
    const auto saved = session(songB);
    {
        PracticeProgressStore store(*defaults, 200);
        store.saveCurrentSession(saved);
        store.upsertHistory(entry(songA, 1));
    }
    defaults->flush();
    DefaultsStore& next = reopened();
    PracticeProgressStore store(next, 200);
    EXPECT_EQ(store.currentSession(), saved);

    store.removeProgress(songA.stableID());
    EXPECT_TRUE(store.historyEntries().empty());
    EXPECT_TRUE(store.currentSession()) << "another song's session stays";
    store.removeProgress(PracticeSongReference::externalFile("/m/./b.mid").stableID());
    EXPECT_FALSE(store.currentSession());
    EXPECT_FALSE(next.contains(PracticeProgressStore::currentSessionKey));

    store.saveCurrentSession(session(songA));
    store.upsertHistory(entry(songA, 1));
    store.removeAllProgress();
    EXPECT_EQ(textOf(next.dataValue(PracticeProgressStore::historyKey)), "[]");
    EXPECT_FALSE(next.contains(PracticeProgressStore::currentSessionKey));
}

TEST_F(PracticeStoreTest, AnUnstorableSessionStaysInMemoryOnly) {
    PracticeProgressStore store(*defaults, 200);
    store.saveCurrentSession(session(songA));
    const auto before = defaults->dataValue(PracticeProgressStore::currentSessionKey);
    const auto infinite = session(songB, PracticeMetrics(INFINITY, 1, 1, 0, 0, 0));
    store.saveCurrentSession(infinite);
    EXPECT_EQ(store.currentSession(), infinite);
    EXPECT_EQ(defaults->dataValue(PracticeProgressStore::currentSessionKey), before);
}

TEST_F(PracticeStoreTest, AnUnreadableHistoryIsKeptAsideNotLost) {
    auto entries = encodeJSON(std::vector<PracticeHistoryEntry>{entry(songA, 1), entry(songA, 2)});
    entries[1].erase("metrics");
    const auto bad = bytesOf(entries.dump());
    defaults->setData(PracticeProgressStore::historyKey, bad);
    defaults->setData(PracticeProgressStore::currentSessionKey, bytesOf("{}"));

    PracticeProgressStore store(*defaults, 200);
    EXPECT_TRUE(store.historyEntries().empty());
    EXPECT_FALSE(store.currentSession());
    store.upsertHistory(entry(songB, 3));
    defaults->flush();
    EXPECT_EQ(PracticeProgressStore(reopened(), 200).historyEntries().size(), 1u);
    EXPECT_EQ(defaults->dataValue("practice.history.v1.unreadable"), bad);
    EXPECT_EQ(textOf(defaults->dataValue("practice.currentSession.v1.unreadable")), "{}");
}

TEST_F(PracticeStoreTest, TrackSettingsKeepOnlyWhatDiffersFromTheDefault) {
    PracticeTrackStore store(*defaults);
    using Hand = PracticeTrackHand;
    store.replace({{3, Hand::left, false}, {1, Hand::automatic, true}, {2, Hand::automatic, false}}, "s");
    EXPECT_EQ(store.settings("s"),
              (std::vector<PracticeTrackSetting>{{1, Hand::automatic, true}, {3, Hand::left, false}}));
    store.replace({{4, Hand::left, false}, {4, Hand::right, false}}, "t");
    EXPECT_EQ(store.settings("t"),
              (std::vector<PracticeTrackSetting>{{4, Hand::left, false}, {4, Hand::right, false}}));
    EXPECT_TRUE(store.settings("S").empty());
    defaults->flush();
    EXPECT_EQ(PracticeTrackStore(reopened()).settingsBySong(), store.settingsBySong());

    store.replace({{2, Hand::automatic, false}}, "s");
    store.replace({}, "t");
    EXPECT_TRUE(store.settingsBySong().empty());
    EXPECT_EQ(textOf(defaults->dataValue(PracticeTrackStore::storageKey)), "{}");
}

TEST_F(PracticeStoreTest, StoredTrackSettingsAreTakenAsTheyStand) {
    defaults->setData(PracticeTrackStore::storageKey, bytesOf(R"({"s":[{"trackIndex":2}],"t":[{"trackIndex":1}]})"));
    EXPECT_EQ(PracticeTrackStore(*defaults).settings("s"),
              (std::vector<PracticeTrackSetting>{{2, PracticeTrackHand::automatic, false}}));

    const auto bad = bytesOf(R"({"s":[{"trackIndex":2}],"t":[{"hand":"left"}]})");
    defaults->setData(PracticeTrackStore::storageKey, bad);
    PracticeTrackStore store(*defaults);
    EXPECT_TRUE(store.settingsBySong().empty());
    store.replace({{0, PracticeTrackHand::right, false}}, "u");
    defaults->flush();
    EXPECT_EQ(PracticeTrackStore(reopened()).settingsBySong().size(), 1u);
    EXPECT_EQ(defaults->dataValue("practice.trackSettings.v1.unreadable"), bad);
}
