#pragma once

#include "CorvaneLibrary/DefaultsStore.hpp"
#include "CorvaneLibrary/ChangesBeforeRecords.hpp"
#include "CorvaneLibrary/RecordsArriveLater.hpp"

#include "CorvaneDomain/PersistedPracticeSession.hpp"
#include "CorvaneDomain/PracticeHistoryEntry.hpp"
#include "CorvaneDomain/RecentPracticeSong.hpp"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// The session that can be resumed ("practice.currentSession.v1") and the
// practice history, newest first and bounded ("practice.history.v1"), with
// the recent songs derived from it. Main thread only (but `read`); no
// signals. Storage failures are not reported: the in-memory state stays the truth.
class PracticeProgressStore {
public:
    static constexpr const char* currentSessionKey = "practice.currentSession.v1";
    static constexpr const char* historyKey = "practice.history.v1";
    static constexpr std::int64_t applicationMaximumHistoryCount = 200;

    // Each history entry's JSON text as last written, with the entry it
    // encodes: a save re-encodes only the entries that changed (the open song's).
    struct EncodedEntry {
        PracticeHistoryEntry entry;
        std::string text;
    };
    // The stored session and history, sorted, trimmed and encoded.
    struct Records {
        std::optional<PersistedPracticeSession> currentSession;
        std::vector<PracticeHistoryEntry> historyEntries;
        std::map<UUID, EncodedEntry> encodedEntries;
    };
    // Decodes the stored records; safe on any thread (an unreadable record is kept aside).
    static Records read(DefaultsStore& defaults, std::int64_t maximumHistoryCount);

    // A limit below 1 counts as 1.
    PracticeProgressStore(DefaultsStore& defaults, std::int64_t maximumHistoryCount);
    // Empty until `adopt` (see RecordsArriveLater).
    PracticeProgressStore(DefaultsStore& defaults, std::int64_t maximumHistoryCount, RecordsArriveLater);

    bool hasRecords() const { return pending_.hasRecords(); }
    // Takes in the stored records and replays on them the changes made since
    // the store was made (a session saved, history written or forgotten);
    // writes once if anything changed.
    void adopt(Records records);

    const std::optional<PersistedPracticeSession>& currentSession() const { return currentSession_; }
    const std::vector<PracticeHistoryEntry>& historyEntries() const { return historyEntries_; }
    // One line per song, newest first, metrics summed over its entries.
    std::vector<RecentPracticeSong> recentSongs() const;

    void saveCurrentSession(const PersistedPracticeSession& session);
    void clearCurrentSession();
    // Replaces the entry with the same id, or adds this one.
    void upsertHistory(const PracticeHistoryEntry& entry);
    // Forgets one song's history, and its current session.
    void removeProgress(const std::string& song);
    void removeAllProgress();

private:
    // Applies `apply` now and, while the records have not arrived, keeps it for the replay.
    template <class Change> void change(Change apply);
    void sortAndTrimHistory();
    void writeHistory();
    void writeCurrentSession();

    DefaultsStore& defaults_;
    std::int64_t maximumHistoryCount_;
    std::optional<PersistedPracticeSession> currentSession_;
    std::vector<PracticeHistoryEntry> historyEntries_;
    std::map<UUID, EncodedEntry> encodedEntries_;
    std::size_t lastHistoryBytes_ = 0;
    ChangesBeforeRecords pending_{false};
};

} // namespace corvane
