#pragma once

#include "CorvaneLibrary/DefaultsStore.hpp"
#include "CorvaneLibrary/SongKeyedRecords.hpp"

#include "CorvaneDomain/Date.hpp"
#include "CorvaneDomain/PracticeLoopBookmark.hpp"
#include "CorvaneDomain/PracticeMetrics.hpp"
#include "CorvaneDomain/UUID.hpp"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// The user's saved loops per song (keyed by the song reference's stableID),
// kept under "practice.loopBookmarks.v1". Main thread only; no signals.
// Storage failures are not reported: the in-memory lists stay the truth.
class PracticeLoopStore {
public:
    static constexpr const char* storageKey = "practice.loopBookmarks.v1";
    static constexpr std::int64_t applicationMaximumPerSong = 50;

    // A limit below 1 counts as 1.
    PracticeLoopStore(DefaultsStore& defaults, std::int64_t maximumPerSong);

    const SongKeyedRecords<PracticeLoopBookmark>& bookmarksBySong() const { return bookmarksBySong_; }
    // As stored; empty for an unknown song.
    std::vector<PracticeLoopBookmark> bookmarks(const std::string& song) const;

    // Replaces the bookmark with the same measures, or adds this one; keeps
    // the list sorted by start measure and within the limit. False when the
    // limit left the new bookmark out (the list is saved all the same).
    bool add(const PracticeLoopBookmark& bookmark, const std::string& song);
    void remove(const UUID& id, const std::string& song);
    void rename(const UUID& id, const std::string& name, const std::string& song);
    void updateProgress(const UUID& id, const PracticeMetrics& metrics, std::int64_t repetitions,
                        Date lastPracticedAt, const std::string& song);
    void resetProgress(const UUID& id, const std::string& song);
    void resetAllProgress();

private:
    template <class Change> void changeBookmark(const UUID& id, const std::string& song, Change change);
    // Stores every song's list; only `changedSong`'s (every song's when
    // absent) is encoded again, the others' text is reused.
    void persist(const std::optional<std::string>& changedSong);

    DefaultsStore& defaults_;
    std::int64_t maximumPerSong_;
    SongKeyedRecords<PracticeLoopBookmark> bookmarksBySong_;
    // Each song's member of the stored object (`"song":[...]`) as last
    // encoded: a save during a loop then costs the open song's records, not
    // those of every song. A song missing here is encoded at the next save.
    std::map<std::string, std::string> encodedSongs_;
};

} // namespace corvane
