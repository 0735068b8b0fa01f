#pragma once

#include "CorvaneLibrary/BookmarkAccess.hpp"
#include "CorvaneLibrary/BookmarkService.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "CorvaneLibrary/LibrarySongReference.hpp"
#include "CorvaneLibrary/LibrarySource.hpp"
#include "CorvaneLibrary/MusicPlaylist.hpp"
#include "CorvaneLibrary/PlaylistTrack.hpp"

#include "CorvaneDomain/UUID.hpp"

#include <QObject>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace corvane {

// The music library: folders of MIDI files (sources), the user's playlists,
// and the files found in each folder. Lives on the main thread; folder scans
// run on a worker thread and their results come back to the main thread.
// Saved as one record under "library.musicLibrary.v2" after every change of
// sources or playlists; the record of the earlier folder playlists
// ("library.folderPlaylists.v1") is read once to carry its folders over.
//
// Each property has a change signal, emitted only when its value changed.
class MusicLibraryStore : public QObject {
    Q_OBJECT
public:
    using Completion = std::function<void()>;

    static constexpr const char* storageKey = "library.musicLibrary.v2";
    static constexpr const char* folderPlaylistsKey = "library.folderPlaylists.v1";

    // Restores the library, then (from the event loop, after the constructor
    // returns) rescans every available source.
    explicit MusicLibraryStore(DefaultsStore& defaults,
                               std::shared_ptr<BookmarkService> bookmarks = nullptr,
                               QObject* parent = nullptr);
    // Stops every folder and file access this store started. A scan still
    // running is not waited for; its result is dropped.
    ~MusicLibraryStore() override;

    // Sorted by name after additions and renewals; stored order otherwise.
    const std::vector<LibrarySource>& sources() const { return sources_; }
    // Sorted by name after creations and renames.
    const std::vector<MusicPlaylist>& playlists() const { return playlists_; }
    const std::map<UUID, std::vector<PlaylistTrack>>& tracksBySource() const { return tracksBySource_; }
    // Sources whose scan is running.
    const std::set<UUID>& scanningSourceIDs() const { return scanningSourceIDs_; }
    // The last message for the user, in Portuguese.
    const std::optional<std::string>& lastError() const { return lastError_; }
    // The views dismiss a message by clearing it, or show their own.
    void setLastError(std::optional<std::string> message);

    // Sources and scans. Each `done` runs on the main thread once the work
    // (including a scan it starts) is finished; immediately when there is
    // nothing to wait for.

    // Rescans every available source, one after another.
    void refreshAll(Completion done = {});
    // Adds a folder (or renews the source that already has its path) and
    // scans it. The source's id, or absent when the folder cannot be
    // bookmarked. The id is known at once; `done` follows the scan.
    std::optional<UUID> addFolder(const std::string& folder, Completion done = {});
    // Points an existing source at a folder the user chose again.
    void reauthorize(const UUID& sourceID, const std::string& folder, Completion done = {});
    void refresh(const UUID& sourceID, Completion done = {});
    // Takes a source out of use: it stays listed as unavailable, so that
    // adding its folder again renews it under the same id.
    void removeSource(const UUID& sourceID);
    std::vector<PlaylistTrack> tracks(const UUID& sourceID) const;

    // Playlists. Names are trimmed; a blank name is refused.
    std::optional<UUID> createPlaylist(const std::string& name);
    void renamePlaylist(const UUID& playlistID, const std::string& name);
    void removePlaylist(const UUID& playlistID);
    // The new entry's id, or absent when there is no such playlist.
    std::optional<UUID> add(const LibrarySongReference& reference, const std::string& title, const UUID& playlistID);
    // Adds a file from outside the library, with a bookmark when one can be made.
    void addExternalFile(const std::string& file, const UUID& playlistID);
    // Offsets outside the list are ignored.
    void removeEntries(const std::set<std::int64_t>& offsets, const UUID& playlistID);
    // List-move semantics: `destination` is an offset in the list before the move.
    void moveEntries(const std::set<std::int64_t>& offsets, std::int64_t destination, const UUID& playlistID);
    std::optional<MusicPlaylist> playlist(const UUID& playlistID) const;

    // The file of a library song, or absent when it cannot be found. Demo
    // pieces are located by the caller. A folder track whose path leads out
    // of its folder is refused.
    std::optional<std::string> resolve(const LibrarySongReference& reference);

signals:
    void sourcesChanged();
    void playlistsChanged();
    void tracksBySourceChanged();
    void scanningSourceIDsChanged();
    void lastErrorChanged();

private:
    struct ScanMailbox;

    void restore();
    void persist();
    std::optional<std::string> resolvedURL(const UUID& sourceID);
    void refreshEach(std::shared_ptr<std::vector<UUID>> ids, std::size_t next, Completion done);
    void finishScan(const UUID& sourceID, std::vector<PlaylistTrack> tracks, Completion done);

    void setSources(std::vector<LibrarySource> sources);
    void setPlaylists(std::vector<MusicPlaylist> playlists);
    void setScanning(const UUID& sourceID, bool scanning);
    // Applies `change` to the playlist and saves; false when there is none.
    template <class Change> bool changePlaylist(const UUID& playlistID, Change change);

    DefaultsStore& defaults_;
    std::shared_ptr<BookmarkService> bookmarks_;
    std::shared_ptr<ScanMailbox> mailbox_;

    std::vector<LibrarySource> sources_;
    std::vector<MusicPlaylist> playlists_;
    std::map<UUID, std::vector<PlaylistTrack>> tracksBySource_;
    std::set<UUID> scanningSourceIDs_;
    std::optional<std::string> lastError_;

    // Folders by source id; external files by their stored path.
    BookmarkAccess<UUID> sourceAccess_{*bookmarks_};
    BookmarkAccess<std::string> externalAccess_{*bookmarks_};
};

} // namespace corvane
