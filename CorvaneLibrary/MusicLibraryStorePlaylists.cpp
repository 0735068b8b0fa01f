// The playlist operations of the music library store and the resolution of
// a library song to its file.
#include "CorvaneLibrary/MusicLibraryStore.hpp"

#include "CorvaneLibrary/LibraryPaths.hpp"
#include "CorvaneLibrary/LocalizedOrdering.hpp"

#include "CorvaneDomain/Overloaded.hpp"
#include "CorvaneDomain/StandardizedPath.hpp"

#include <QString>

#include <algorithm>

namespace corvane {

namespace {

// Leading and trailing white space and line breaks, Unicode-wide.
std::string trimmed(const std::string& name) { return QString::fromStdString(name).trimmed().toStdString(); }

} // namespace

template <class Change> bool MusicLibraryStore::changePlaylist(const UUID& playlistID, Change change) {
    auto updated = playlists_;
    const auto found = std::find_if(updated.begin(), updated.end(),
                                    [&](const MusicPlaylist& playlist) { return playlist.id == playlistID; });
    if (found == updated.end()) return false;
    change(*found);
    setPlaylists(std::move(updated));
    persist();
    return true;
}

std::optional<UUID> MusicLibraryStore::createPlaylist(const std::string& name) {
    const std::string cleanName = trimmed(name);
    if (cleanName.empty()) return std::nullopt;
    const UUID id = UUID::random();
    auto updated = playlists_;
    updated.push_back(MusicPlaylist{id, cleanName, {}});
    sortByLocalizedName(updated);
    setPlaylists(std::move(updated));
    persist();
    return id;
}

void MusicLibraryStore::renamePlaylist(const UUID& playlistID, const std::string& name) {
    const std::string cleanName = trimmed(name);
    if (cleanName.empty()) return;
    auto updated = playlists_;
    const auto found = std::find_if(updated.begin(), updated.end(),
                                    [&](const MusicPlaylist& playlist) { return playlist.id == playlistID; });
    if (found == updated.end()) return;
    found->name = cleanName;
    sortByLocalizedName(updated);
    setPlaylists(std::move(updated));
    persist();
}

void MusicLibraryStore::removePlaylist(const UUID& playlistID) {
    auto updated = playlists_;
    std::erase_if(updated, [&](const MusicPlaylist& playlist) { return playlist.id == playlistID; });
    setPlaylists(std::move(updated));
    persist();
}

std::optional<UUID> MusicLibraryStore::add(const LibrarySongReference& reference, const std::string& title,
                                           const UUID& playlistID) {
    const UUID entryID = UUID::random();
    const bool added = changePlaylist(playlistID, [&](MusicPlaylist& playlist) {
        playlist.entries.push_back(LibraryPlaylistEntry{entryID, title, reference});
    });
    return added ? std::optional(entryID) : std::nullopt;
}

void MusicLibraryStore::addExternalFile(const std::string& file, const UUID& playlistID) {
    const std::string path = standardizedAbsolutePath(file);
    auto bookmark = bookmarks_->createBookmark(path);
    add(LibrarySongReference::externalFile(path, std::move(bookmark)), lastPathComponentDeletingExtension(path),
        playlistID);
}

void MusicLibraryStore::removeEntries(const std::set<std::int64_t>& offsets, const UUID& playlistID) {
    changePlaylist(playlistID, [&](MusicPlaylist& playlist) {
        // Highest offset first, so that the lower ones still mean what they meant.
        for (auto it = offsets.rbegin(); it != offsets.rend(); ++it) {
            if (*it >= 0 && *it < static_cast<std::int64_t>(playlist.entries.size()))
                playlist.entries.erase(playlist.entries.begin() + *it);
        }
    });
}

void MusicLibraryStore::moveEntries(const std::set<std::int64_t>& offsets, std::int64_t destination,
                                    const UUID& playlistID) {
    changePlaylist(playlistID, [&](MusicPlaylist& playlist) {
        auto& entries = playlist.entries;
        std::vector<std::int64_t> kept;
        for (const auto offset : offsets)
            if (offset >= 0 && offset < static_cast<std::int64_t>(entries.size())) kept.push_back(offset);
        std::vector<LibraryPlaylistEntry> moved;
        for (const auto offset : kept) moved.push_back(entries[static_cast<std::size_t>(offset)]);
        for (auto it = kept.rbegin(); it != kept.rend(); ++it) entries.erase(entries.begin() + *it);
        const auto before = std::count_if(kept.begin(), kept.end(), [&](std::int64_t o) { return o < destination; });
        // Computed without overflow for any destination.
        std::int64_t insertion = destination < 0 ? 0 : destination - static_cast<std::int64_t>(before);
        insertion = std::clamp<std::int64_t>(insertion, 0, static_cast<std::int64_t>(entries.size()));
        entries.insert(entries.begin() + insertion, moved.begin(), moved.end());
    });
}

std::optional<MusicPlaylist> MusicLibraryStore::playlist(const UUID& playlistID) const {
    for (const auto& playlist : playlists_)
        if (playlist.id == playlistID) return playlist;
    return std::nullopt;
}

std::optional<std::string> MusicLibraryStore::resolve(const LibrarySongReference& reference) {
    return std::visit(
        Overloaded{
            [](const LibrarySongReference::BundledDemo&) -> std::optional<std::string> { return std::nullopt; },
            [&](const LibrarySongReference::SourceTrack& track) -> std::optional<std::string> {
                const auto folder = resolvedURL(track.sourceID);
                if (!folder) return std::nullopt;
                const std::string file = standardizedPath(*folder + "/" + track.relativePath);
                // A stored path must not lead out of its folder ("../../x").
                if (!isPathInsideFolder(file, *folder)) return std::nullopt;
                return fileExists(file) ? std::optional(file) : std::nullopt;
            },
            [&](const LibrarySongReference::ExternalFile& external) -> std::optional<std::string> {
                if (auto cached = externalAccess_.path(external.path))
                    return fileExists(*cached) ? cached : std::nullopt;
                if (external.bookmarkData) {
                    if (const auto resolution = externalAccess_.reach(external.path, *external.bookmarkData))
                        return resolution->path;
                }
                const std::string file = standardizedAbsolutePath(external.path);
                return fileExists(file) ? std::optional(file) : std::nullopt;
            },
        },
        reference.value);
}

} // namespace corvane
