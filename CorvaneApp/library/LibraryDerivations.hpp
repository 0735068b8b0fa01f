#pragma once

#include <QString>

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "CorvaneApp/session/BundledDemoSong.hpp"
#include "CorvaneDomain/UUID.hpp"
#include "CorvaneLibrary/LibrarySource.hpp"
#include "CorvaneLibrary/MusicPlaylist.hpp"
#include "CorvaneLibrary/PlaylistTrack.hpp"
#include "CorvaneLibrary/ResolvedLibrarySong.hpp"

namespace corvane {

// What the library browser derives from the store: the songs of the selected
// collection, their filtering and grouping, the rows of the collection list
// and the texts of the empty screens. Plain functions of values, so that the
// screen can derive everything again whenever the store changes and the
// tests need no widgets.

// The collection shown on the right of the browser.
struct LibraryCollection {
    struct All {
        bool operator==(const All&) const = default;
    };
    struct Demos {
        bool operator==(const Demos&) const = default;
    };
    struct Source {
        UUID id;
        bool operator==(const Source&) const = default;
    };
    struct Playlist {
        UUID id;
        bool operator==(const Playlist&) const = default;
    };

    std::variant<All, Demos, Source, Playlist> value;

    static LibraryCollection all() { return {All{}}; }
    static LibraryCollection demos() { return {Demos{}}; }
    static LibraryCollection source(UUID id) { return {Source{id}}; }
    static LibraryCollection playlist(UUID id) { return {Playlist{id}}; }

    std::optional<UUID> sourceID() const;
    std::optional<UUID> playlistID() const;

    bool operator==(const LibraryCollection&) const = default;
};

// The songs of one subfolder of a folder source; `name` is also its identity.
struct SongGroup {
    std::string name;
    std::vector<ResolvedLibrarySong> songs;

    bool operator==(const SongGroup&) const = default;
};

// The file of a demo piece, absent when its resource is missing.
using DemoFileLocator = std::function<std::optional<std::string>(BundledDemoSong)>;
// The store's resolve(). It may mark a source unavailable and signal, so
// derivations run outside the store's signal handlers.
using SongFileResolver = std::function<std::optional<std::string>(const LibrarySongReference&)>;

// The store's lists, read in place (`tracks()` would copy).
struct LibraryContents {
    const std::vector<LibrarySource>& sources;
    const std::vector<MusicPlaylist>& playlists;
    const std::map<UUID, std::vector<PlaylistTrack>>& tracksBySource;
};

// The group of songs lying directly in a source's folder.
inline constexpr std::string_view mainFolderGroupName = "Pasta principal";

// Row identities: "demo:<id>", "source:<SOURCE-UUID>:<relative path>", and a
// playlist entry's own id, so that a song listed twice keeps two rows.
std::string demoSongID(std::string_view demoID);
std::string sourceSongID(const UUID& sourceID, const std::string& relativePath);
std::string playlistEntrySongID(const UUID& entryID);

// The five demos in catalog order.
std::vector<ResolvedLibrarySong> demoSongs(const DemoFileLocator& locate);
// Every source's tracks, sources in the store's order; a source that is not
// available lists what the store still holds for it, without files.
std::vector<ResolvedLibrarySong> sourceSongs(const LibraryContents& contents);
// The tracks of one source; empty for an id the store does not know.
std::vector<ResolvedLibrarySong> sourceSongs(const LibraryContents& contents, const UUID& sourceID);
// One row per entry. A known demo takes its resource file; anything else
// (and a demo whose file is missing) what the resolver finds.
std::vector<ResolvedLibrarySong> playlistSongs(const LibraryContents& contents, const UUID& playlistID,
                                               const DemoFileLocator& locate, const SongFileResolver& resolve);
std::vector<ResolvedLibrarySong> selectedSongs(const LibraryCollection& selection, const LibraryContents& contents,
                                               const DemoFileLocator& locate, const SongFileResolver& resolve);

// The songs whose title or relative path contains `searchText`, ignoring
// letter case; an empty text keeps all. The text is not trimmed.
std::vector<ResolvedLibrarySong> filteredSongs(const std::vector<ResolvedLibrarySong>& songs,
                                               const QString& searchText);

// The subfolder a song lies in below its source's folder, or "Pasta principal".
std::string songGroupName(const ResolvedLibrarySong& song);
// One group per subfolder, in file-browser order of their names; songs keep
// their order inside a group.
std::vector<SongGroup> groupedSourceSongs(const std::vector<ResolvedLibrarySong>& filtered);

// The same groups as offsets into `filtered`, which the song list keeps
// (a library of ten thousand songs is not copied once more per keystroke).
struct SongGroupRows {
    std::string name;
    std::vector<std::size_t> songOffsets;

    bool operator==(const SongGroupRows&) const = default;
};
std::vector<SongGroupRows> groupedSourceSongRows(const std::vector<ResolvedLibrarySong>& filtered);

// The store's source that `selection` names, if any.
const LibrarySource* selectedSource(const LibraryCollection& selection, const std::vector<LibrarySource>& sources);

// "Todas as músicas": the demos and every source's tracks.
std::size_t allSongsCount(const LibraryContents& contents);
std::size_t sourceTrackCount(const LibraryContents& contents, const UUID& sourceID);

// One line of the collection list: a section title, a collection, or one of
// the two buttons that close the "Pastas" and "Playlists" sections.
struct CollectionRow {
    enum class Kind { section, collection, addFolder, newPlaylist };

    Kind kind = Kind::collection;
    QString title;
    QString systemImage;
    std::size_t count = 0;
    bool isBusy = false;
    // For collection rows.
    std::optional<LibraryCollection> collection;

    bool operator==(const CollectionRow&) const = default;
};

// "Biblioteca", "Pastas" and "Playlists", in this order, with their rows.
std::vector<CollectionRow> collectionRows(const LibraryContents& contents, const std::set<UUID>& scanningSourceIDs);

// What the song pane shows.
enum class SongPane { unavailableFolder, empty, list };
SongPane songPane(const LibraryCollection& selection, const std::vector<LibrarySource>& sources,
                  bool filteredSongsEmpty);

QString emptyTitle(const QString& searchText);
QString emptySystemImage(const QString& searchText);
QString emptyDescription(const QString& searchText, const LibraryCollection& selection);

// The playlist whose rows may be deleted or moved: only with a playlist
// selected and no search, so that row offsets are entry offsets.
std::optional<UUID> editablePlaylist(const LibraryCollection& selection, const QString& searchText);

// The context menu of a folder source.
struct SourceMenuEntry {
    enum class Action { refresh, remove, reauthorize };

    Action action;
    QString title;
    QString systemImage;
    bool isDestructive = false;

    bool operator==(const SourceMenuEntry&) const = default;
};
std::vector<SourceMenuEntry> sourceMenuEntries(bool sourceIsAvailable);

} // namespace corvane
