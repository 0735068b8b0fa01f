#include "LibraryTestSupport.hpp"

#include "CorvaneLibrary/PracticeLoopStore.hpp"
#include "CorvaneLibrary/PracticeProgressStore.hpp"
#include "CorvaneLibrary/PracticeRecordsLoader.hpp"
#include "CorvaneLibrary/PracticeTrackStore.hpp"
#include "CorvaneLibrary/StoredRecord.hpp"

using namespace corvane;

namespace {

PracticeLoopBookmark loop(std::int64_t start, std::int64_t end, std::string name = {}) {
    return PracticeLoopBookmark(UUID::random(), start, end, std::move(name), PracticeMetrics::zero(), 0, std::nullopt);
}

PracticeHistoryEntry entry(const PracticeSongReference& song, double updated) {
    return PracticeHistoryEntry(UUID::random(), "Título", song, Date{0}, Date{updated}, 1, PracticeMetrics::zero());
}

PersistedPracticeSession session(const PracticeSongReference& song, double updated) {
    return PersistedPracticeSession(UUID::random(), "Sessão", song, Date{1}, Date{updated}, 3.5, 1.0, std::nullopt,
                                    PracticeMode::practice, PracticeHand::left, 20, VisualPreset::builtIn(),
                                    PracticeMetrics::zero());
}

const auto songA = PracticeSongReference::bundledDemo("a");
const auto songB = PracticeSongReference::externalFile("/m/b.mid");

// The three stores as the application makes them, their records still to come.
struct LateStores {
    explicit LateStores(DefaultsStore& defaults)
        : progress(defaults, 200, RecordsArriveLater{}), loops(defaults, 2, RecordsArriveLater{}),
          tracks(defaults, RecordsArriveLater{}), loader(defaults, 200, progress, loops, tracks) {}
    PracticeProgressStore progress;
    PracticeLoopStore loops;
    PracticeTrackStore tracks;
    PracticeRecordsLoader loader;
};

class LateRecordsTest : public corvane::testing::DefaultsFileTest {
protected:
    // What a long-time user has stored: two loops of A (the limit), one of B,
    // three history entries, a session, and two of A's tracks set.
    void SetUp() override {
        DefaultsStore defaults(file);
        PracticeLoopStore loops(defaults, 2);
        loops.add(loop(1, 2, "início"), songA.stableID());
        loops.add(loop(5, 6, "meio"), songA.stableID());
        loops.add(loop(3, 4), songB.stableID());
        PracticeProgressStore progress(defaults, 200);
        for (double updated : {10.0, 20.0, 30.0}) progress.upsertHistory(entry(songB, updated));
        storedSession = session(songB, 30);
        progress.saveCurrentSession(*storedSession);
        PracticeTrackStore tracks(defaults);
        tracks.replace({PracticeTrackSetting(1, PracticeTrackHand::automatic, true),
                        PracticeTrackSetting(2, PracticeTrackHand::left, false)},
                       songA.stableID());
        defaults.flush();
    }
    std::optional<PersistedPracticeSession> storedSession;
};

} // namespace

// Opening song A and practising before the records arrive: a loop saved, a
// history entry and the session written, a track changed. Nothing reaches
// the file before the records do; then both the stored and the new are kept,
// in memory and in the file the next run reads.
TEST_F(LateRecordsTest, ChangesMadeBeforeTheRecordsArriveMergeWithThemAndLoseNothing) {
    DefaultsStore defaults(file);
    LateStores stores(defaults);
    const auto before = defaults.keys();
    const int writes = corvane::testing::writesDuring(defaults, [&] {
        stores.loops.add(loop(9, 10, "fim"), songA.stableID());
        stores.progress.upsertHistory(entry(songA, 40));
        stores.progress.saveCurrentSession(session(songA, 40));
        // The controller hands over the whole list: the defaults it shows, one track changed.
        stores.tracks.replace({PracticeTrackSetting(1, PracticeTrackHand::automatic, false),
                               PracticeTrackSetting(2, PracticeTrackHand::automatic, false),
                               PracticeTrackSetting(3, PracticeTrackHand::right, false)},
                              songA.stableID());
    });
    EXPECT_EQ(writes, 0) << "a write now would replace the stored records with the few known";
    EXPECT_FALSE(stores.loops.hasRecords());

    int arrivals = 0;
    QObject::connect(&stores.loader, &PracticeRecordsLoader::recordsArrived, [&] { ++arrivals; });
    stores.loader.start();
    ASSERT_TRUE(corvane::testing::processEventsUntil([&] { return stores.loader.isFinished(); }));
    EXPECT_EQ(arrivals, 3) << "one store a turn";

    const auto check = [&](PracticeProgressStore& progress, PracticeLoopStore& loops, PracticeTrackStore& tracks) {
        std::vector<std::string> namesOfA;
        for (const auto& b : loops.bookmarks(songA.stableID())) namesOfA.push_back(b.name);
        EXPECT_EQ(namesOfA, (std::vector<std::string>{"início", "meio", "fim"}))
            << "past the limit rather than dropping either the stored or the new loop";
        EXPECT_EQ(loops.bookmarks(songB.stableID()).size(), 1u);
        ASSERT_EQ(progress.historyEntries().size(), 4u);
        EXPECT_EQ(progress.historyEntries().front().songReference(), songA);
        ASSERT_TRUE(progress.currentSession());
        EXPECT_EQ(progress.currentSession()->songReference(), songA) << "the newer session wins";
        EXPECT_EQ(tracks.settings(songA.stableID()),
                  (std::vector<PracticeTrackSetting>{PracticeTrackSetting(1, PracticeTrackHand::automatic, true),
                                                     PracticeTrackSetting(2, PracticeTrackHand::left, false),
                                                     PracticeTrackSetting(3, PracticeTrackHand::right, false)}))
            << "the tracks not touched keep their stored settings";
    };
    check(stores.progress, stores.loops, stores.tracks);
    defaults.flush();
    auto& next = reopened();
    PracticeProgressStore progress(next, 200);
    PracticeLoopStore loops(next, 2);
    PracticeTrackStore tracks(next);
    check(progress, loops, tracks);
    EXPECT_EQ(before.size(), next.keys().size()) << "no record was set aside";
}

// The records arrive complete, the same as stores made at once read them;
// and when the application ends before they arrived, the changes are merged
// and written all the same.
TEST_F(LateRecordsTest, RecordsArriveCompleteAndAnEarlyExitStillMerges) {
    {
        DefaultsStore defaults(file);
        PracticeProgressStore progress(defaults, 200);
        for (int i = 0; i < 300; ++i) progress.upsertHistory(entry(i % 2 ? songA : songB, 100 + i));
        defaults.flush();
    }
    DefaultsStore defaults(file);
    const PracticeProgressStore progressAtOnce(defaults, 200);
    const PracticeLoopStore loopsAtOnce(defaults, 2);
    const PracticeTrackStore tracksAtOnce(defaults);
    {
        LateStores stores(defaults);
        stores.loader.start();
        ASSERT_TRUE(corvane::testing::processEventsUntil([&] { return stores.loader.isFinished(); }));
        EXPECT_EQ(stores.progress.historyEntries(), progressAtOnce.historyEntries());
        EXPECT_EQ(stores.progress.historyEntries().size(), 200u);
        EXPECT_EQ(stores.progress.currentSession(), progressAtOnce.currentSession());
        EXPECT_EQ(stores.loops.bookmarksBySong(), loopsAtOnce.bookmarksBySong());
        EXPECT_EQ(stores.tracks.settingsBySong(), tracksAtOnce.settingsBySong());
    }
    {
        LateStores stores(defaults);
        stores.loops.add(loop(7, 8, "novo"), songB.stableID());
        stores.progress.removeProgress(songB.stableID());
        stores.loader.finishNow(); // no turn of the event loop
        EXPECT_TRUE(stores.loader.isFinished());
        EXPECT_EQ(stores.loops.bookmarks(songB.stableID()).size(), 2u);
        for (const auto& e : stores.progress.historyEntries()) EXPECT_EQ(e.songReference(), songA);
        EXPECT_EQ(stores.progress.historyEntries().size(), 100u);
        EXPECT_FALSE(stores.progress.currentSession()) << "forgetting B's progress forgets its session";
    }
    defaults.flush();
    PracticeLoopStore loops(reopened(), 2);
    EXPECT_EQ(loops.bookmarks(songB.stableID()).size(), 2u);
}
