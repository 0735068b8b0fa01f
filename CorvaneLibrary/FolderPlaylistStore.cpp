#include "CorvaneLibrary/FolderPlaylistStore.hpp"

#include "CorvaneLibrary/FileBookmarks.hpp"
#include "CorvaneLibrary/LibraryPaths.hpp"
#include "CorvaneLibrary/LocalizedOrdering.hpp"
#include "CorvaneLibrary/PlaylistScanner.hpp"
#include "CorvaneLibrary/StoredRecord.hpp"

#include "CorvaneDomain/StandardizedPath.hpp"
#include "CorvaneLibrary/FolderAccessMessages.hpp"

#include <algorithm>

namespace corvane {

namespace {

const std::string restoreFailedMessage = "As playlists salvas não puderam ser restauradas.";
const std::string saveFailedMessage = "Não foi possível salvar as playlists.";

} // namespace

FolderPlaylistStore::FolderPlaylistStore(DefaultsStore& defaults, std::shared_ptr<BookmarkService> bookmarks,
                                         QObject* parent)
    : QObject(parent), defaults_(defaults),
      bookmarks_(bookmarks ? std::move(bookmarks) : std::make_shared<FileBookmarks>()) {
    restore();
}

void FolderPlaylistStore::restore() {
    const auto bytes = defaults_.dataValue(storageKey);
    if (!bytes) return;
    auto restored = decodedRecord<std::vector<FolderPlaylist>>(*bytes);
    if (!restored) {
        keepUnreadableRecord(defaults_, storageKey, *bytes);
        setLastError(restoreFailedMessage);
        return;
    }
    setPlaylists(std::move(*restored));
    const auto ids = [&] {
        std::vector<UUID> list;
        for (const auto& playlist : playlists_) list.push_back(playlist.id);
        return list;
    }();
    for (const auto& id : ids) {
        if (const auto folder = resolvedURL(id, false)) setTracks(id, PlaylistScanner::tracks(*folder));
    }
}

void FolderPlaylistStore::persist() {
    if (!storeRecord(defaults_, storageKey, playlists_)) setLastError(saveFailedMessage);
}

std::optional<UUID> FolderPlaylistStore::addFolder(const std::string& folder) {
    const std::string path = standardizedAbsolutePath(folder);
    for (const auto& playlist : playlists_) {
        if (playlist.directoryPath == path) {
            const UUID id = playlist.id;
            refresh(id);
            return id;
        }
    }
    const auto chosen = bookmarkChosenFolder(*bookmarks_, path);
    if (!chosen) {
        setLastError(folderBookmarkFailedMessage);
        return std::nullopt;
    }
    const UUID id = UUID::random();
    auto updated = playlists_;
    updated.push_back(FolderPlaylist{id, lastPathComponent(path), path, chosen->bookmark});
    sortByLocalizedName(updated);
    setPlaylists(std::move(updated));
    access_.hold(id, path, chosen->accessStarted);
    setTracks(id, PlaylistScanner::tracks(path));
    persist();
    setLastError(std::nullopt);
    return id;
}

void FolderPlaylistStore::refresh(const UUID& playlistID) {
    const auto folder = resolvedURL(playlistID, true);
    if (!folder) return;
    setTracks(playlistID, PlaylistScanner::tracks(*folder));
    setLastError(std::nullopt);
}

std::optional<std::string> FolderPlaylistStore::resolvedURL(const UUID& playlistID, bool reportsFailure) {
    if (auto cached = access_.path(playlistID)) return cached;
    auto found = std::find_if(playlists_.begin(), playlists_.end(),
                              [&](const FolderPlaylist& playlist) { return playlist.id == playlistID; });
    if (found == playlists_.end()) return std::nullopt;
    const auto index = static_cast<std::size_t>(found - playlists_.begin());
    const std::string name = found->name;

    const auto resolution = access_.reach(playlistID, found->bookmarkData);
    if (!resolution) {
        if (reportsFailure) setLastError(folderRenewalMessage(name));
        return std::nullopt;
    }
    if (resolution->isStale) {
        const auto renewed = bookmarks_->createBookmark(resolution->path);
        if (!renewed) {
            if (reportsFailure) setLastError(folderRenewalMessage(name));
            return std::nullopt;
        }
        auto updated = playlists_;
        updated[index].name = lastPathComponent(resolution->path);
        updated[index].directoryPath = resolution->path;
        updated[index].bookmarkData = *renewed;
        setPlaylists(std::move(updated));
        persist();
    }
    return resolution->path;
}

void FolderPlaylistStore::remove(const UUID& playlistID) {
    access_.release(playlistID);
    auto updated = playlists_;
    std::erase_if(updated, [&](const FolderPlaylist& playlist) { return playlist.id == playlistID; });
    setPlaylists(std::move(updated));
    if (tracksByPlaylist_.erase(playlistID) != 0) emit tracksByPlaylistChanged();
    persist();
}

std::optional<FolderPlaylist> FolderPlaylistStore::playlist(const UUID& playlistID) const {
    for (const auto& playlist : playlists_)
        if (playlist.id == playlistID) return playlist;
    return std::nullopt;
}

std::vector<PlaylistTrack> FolderPlaylistStore::tracks(const UUID& playlistID) const {
    auto it = tracksByPlaylist_.find(playlistID);
    return it == tracksByPlaylist_.end() ? std::vector<PlaylistTrack>{} : it->second;
}

void FolderPlaylistStore::setPlaylists(std::vector<FolderPlaylist> playlists) {
    if (playlists == playlists_) return;
    playlists_ = std::move(playlists);
    emit playlistsChanged();
}

void FolderPlaylistStore::setTracks(const UUID& playlistID, std::vector<PlaylistTrack> tracks) {
    auto it = tracksByPlaylist_.find(playlistID);
    if (it != tracksByPlaylist_.end() && it->second == tracks) return;
    tracksByPlaylist_[playlistID] = std::move(tracks);
    emit tracksByPlaylistChanged();
}

void FolderPlaylistStore::setLastError(std::optional<std::string> message) {
    if (message == lastError_) return;
    lastError_ = std::move(message);
    emit lastErrorChanged();
}

} // namespace corvane
