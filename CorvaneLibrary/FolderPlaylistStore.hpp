#pragma once

#include "CorvaneLibrary/BookmarkAccess.hpp"
#include "CorvaneLibrary/BookmarkService.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "CorvaneLibrary/FolderPlaylist.hpp"
#include "CorvaneLibrary/PlaylistTrack.hpp"

#include "CorvaneDomain/UUID.hpp"

#include <QObject>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// The earlier form of the library: every folder the user added is a playlist
// of the MIDI files found in it, kept under "library.folderPlaylists.v1".
// The music library store has replaced it and only reads its record; it is
// kept so that the rules by which that record was written stay executable.
// Main thread only; its scans run on the calling thread.
class FolderPlaylistStore : public QObject {
    Q_OBJECT
public:
    static constexpr const char* storageKey = "library.folderPlaylists.v1";

    explicit FolderPlaylistStore(DefaultsStore& defaults, std::shared_ptr<BookmarkService> bookmarks = nullptr,
                                 QObject* parent = nullptr);

    const std::vector<FolderPlaylist>& playlists() const { return playlists_; }
    const std::map<UUID, std::vector<PlaylistTrack>>& tracksByPlaylist() const { return tracksByPlaylist_; }
    const std::optional<std::string>& lastError() const { return lastError_; }

    // The playlist of the folder (an existing one is rescanned), or absent
    // when the folder cannot be bookmarked.
    std::optional<UUID> addFolder(const std::string& folder);
    void refresh(const UUID& playlistID);
    void remove(const UUID& playlistID);
    std::optional<FolderPlaylist> playlist(const UUID& playlistID) const;
    std::vector<PlaylistTrack> tracks(const UUID& playlistID) const;

signals:
    void playlistsChanged();
    void tracksByPlaylistChanged();
    void lastErrorChanged();

private:
    void restore();
    void persist();
    std::optional<std::string> resolvedURL(const UUID& playlistID, bool reportsFailure);
    void setPlaylists(std::vector<FolderPlaylist> playlists);
    void setTracks(const UUID& playlistID, std::vector<PlaylistTrack> tracks);
    void setLastError(std::optional<std::string> message);

    DefaultsStore& defaults_;
    std::shared_ptr<BookmarkService> bookmarks_;
    std::vector<FolderPlaylist> playlists_;
    std::map<UUID, std::vector<PlaylistTrack>> tracksByPlaylist_;
    std::optional<std::string> lastError_;
    BookmarkAccess<UUID> access_{*bookmarks_};
};

} // namespace corvane
