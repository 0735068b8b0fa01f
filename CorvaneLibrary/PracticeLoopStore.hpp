#pragma once

#include "CorvaneLibrary/DefaultsStore.hpp"
#include "CorvaneLibrary/ChangesBeforeRecords.hpp"
#include "CorvaneLibrary/RecordsArriveLater.hpp"
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
// kept under "practice.loopBookmarks.v1". Main thread only (but `read`); no
// signals. Storage failures are not reported: the in-memory lists stay the truth.
class PracticeLoopStore {
public:
    static constexpr const char* storageKey = "practice.loopBookmarks.v1";
    static constexpr std::int64_t applicationMaximumPerSong = 50;

    // The stored lists with each song's member of the stored object encoded.
    struct Records {
        SongKeyedRecords<PracticeLoopBookmark> bookmarksBySong;
        std::map<std::string, std::string> encodedSongs;
    };
    // Decodes the stored lists; safe on any thread (an unreadable record is kept aside).
    static Records read(DefaultsStore& defaults);

    // A limit below 1 counts as 1.
    PracticeLoopStore(DefaultsStore& defaults, std::int64_t maximumPerSong);
    // Empty until `adopt` (see RecordsArriveLater).
    PracticeLoopStore(DefaultsStore& defaults, std::int64_t maximumPerSong, RecordsArriveLater);

    bool hasRecords() const { return pending_.hasRecords(); }
    // Takes in the stored lists and replays on them the changes made since
    // the store was made; a loop added then is kept even past the limit, so
    // that neither it nor a stored one is lost. Writes once if anything changed.
    void adopt(Records records);

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
    // Applies `change` now and, while the records have not arrived, keeps it for the replay.
    template <class Change> auto change(Change apply);
    bool addNow(const PracticeLoopBookmark& bookmark, const std::string& song);
    void removeNow(const UUID& id, const std::string& song);
    template <class Change> void changeBookmark(const UUID& id, const std::string& song, Change change);
    // Stores every song's list; only `changedSong`'s (every song's when
    // absent) is encoded again, the others' text is reused.
    void persist(const std::optional<std::string>& changedSong);
    // Stores every song's list, encoding those whose text is not kept.
    void write();

    DefaultsStore& defaults_;
    std::int64_t maximumPerSong_;
    SongKeyedRecords<PracticeLoopBookmark> bookmarksBySong_;
    // Each song's member of the stored object (`"song":[...]`) as last
    // encoded: a save during a loop then costs the open song's records, not
    // those of every song. A song missing here is encoded at the next save.
    std::map<std::string, std::string> encodedSongs_;
    ChangesBeforeRecords pending_{false};
};

} // namespace corvane
