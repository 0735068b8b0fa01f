#pragma once

#include "CorvaneLibrary/DefaultsStore.hpp"

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
// the recent songs derived from it. Main thread only; no signals. Storage
// failures are not reported: the in-memory state stays the truth.
class PracticeProgressStore {
public:
    static constexpr const char* currentSessionKey = "practice.currentSession.v1";
    static constexpr const char* historyKey = "practice.history.v1";
    static constexpr std::int64_t applicationMaximumHistoryCount = 200;

    // A limit below 1 counts as 1.
    PracticeProgressStore(DefaultsStore& defaults, std::int64_t maximumHistoryCount);

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
    void sortAndTrimHistory();
    void writeHistory();

    DefaultsStore& defaults_;
    std::int64_t maximumHistoryCount_;
    std::optional<PersistedPracticeSession> currentSession_;
    std::vector<PracticeHistoryEntry> historyEntries_;
    // Each entry's JSON text as last written, with the entry it encodes: a
    // save re-encodes only the entries that changed (the open song's).
    struct EncodedEntry {
        PracticeHistoryEntry entry;
        std::string text;
    };
    std::map<UUID, EncodedEntry> encodedEntries_;
    std::size_t lastHistoryBytes_ = 0;
};

} // namespace corvane
