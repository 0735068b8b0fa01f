#include "CorvaneApp/library/LibraryDerivations.hpp"

#include <algorithm>
#include <unordered_map>

#include "CorvaneLibrary/LocalizedOrdering.hpp"

namespace corvane {

namespace {

const MusicPlaylist* findPlaylist(const std::vector<MusicPlaylist>& playlists, const UUID& id)
{
    const auto found = std::find_if(playlists.begin(), playlists.end(),
                                    [&](const MusicPlaylist& playlist) { return playlist.id == id; });
    return found == playlists.end() ? nullptr : &*found;
}

const LibrarySource* findSource(const std::vector<LibrarySource>& sources, const UUID& id)
{
    const auto found = std::find_if(sources.begin(), sources.end(),
                                    [&](const LibrarySource& source) { return source.id == id; });
    return found == sources.end() ? nullptr : &*found;
}

void appendTracks(std::vector<ResolvedLibrarySong>& songs, const LibraryContents& contents,
                  const LibrarySource& source)
{
    const auto tracks = contents.tracksBySource.find(source.id);
    if (tracks == contents.tracksBySource.end()) return;
    songs.reserve(songs.size() + tracks->second.size());
    // sourceSongID(), with the identifier written once per source.
    const std::string prefix = sourceSongID(source.id, {});
    for (const PlaylistTrack& track : tracks->second) {
        songs.push_back(ResolvedLibrarySong{
            prefix + track.relativePath, track.title, track.relativePath,
            LibrarySongReference::sourceTrack(source.id, track.relativePath),
            source.isAvailable ? std::optional(track.fileURL) : std::nullopt});
    }
}

// The relative path without its last component; the main folder's name
// for a file directly in the source's folder.
std::string_view groupKey(const ResolvedLibrarySong& song)
{
    if (!song.relativePath) return mainFolderGroupName;
    const std::string_view path = *song.relativePath;
    const auto slash = path.rfind('/');
    if (slash == std::string_view::npos || slash == 0) return mainFolderGroupName;
    return path.substr(0, slash);
}

std::size_t trackCount(const LibraryContents& contents, const UUID& sourceID)
{
    const auto tracks = contents.tracksBySource.find(sourceID);
    return tracks == contents.tracksBySource.end() ? 0 : tracks->second.size();
}

} // namespace

std::optional<UUID> LibraryCollection::sourceID() const
{
    if (auto source = std::get_if<Source>(&value)) return source->id;
    return std::nullopt;
}

std::optional<UUID> LibraryCollection::playlistID() const
{
    if (auto playlist = std::get_if<Playlist>(&value)) return playlist->id;
    return std::nullopt;
}

std::string demoSongID(std::string_view demoID) { return "demo:" + std::string(demoID); }

std::string sourceSongID(const UUID& sourceID, const std::string& relativePath)
{
    return "source:" + sourceID.uuidString() + ":" + relativePath;
}

std::string playlistEntrySongID(const UUID& entryID) { return entryID.uuidString(); }

std::vector<ResolvedLibrarySong> demoSongs(const DemoFileLocator& locate)
{
    std::vector<ResolvedLibrarySong> songs;
    for (const BundledDemoSong demo : allBundledDemoSongs()) {
        const std::string id(rawValue(demo));
        songs.push_back(ResolvedLibrarySong{demoSongID(id), std::string(title(demo)), std::nullopt,
                                            LibrarySongReference::bundledDemo(id),
                                            locate ? locate(demo) : std::nullopt});
    }
    return songs;
}

std::vector<ResolvedLibrarySong> sourceSongs(const LibraryContents& contents)
{
    std::vector<ResolvedLibrarySong> songs;
    for (const LibrarySource& source : contents.sources) appendTracks(songs, contents, source);
    return songs;
}

std::vector<ResolvedLibrarySong> sourceSongs(const LibraryContents& contents, const UUID& sourceID)
{
    std::vector<ResolvedLibrarySong> songs;
    if (const LibrarySource* source = findSource(contents.sources, sourceID))
        appendTracks(songs, contents, *source);
    return songs;
}

std::vector<ResolvedLibrarySong> playlistSongs(const LibraryContents& contents, const UUID& playlistID,
                                               const DemoFileLocator& locate, const SongFileResolver& resolve)
{
    std::vector<ResolvedLibrarySong> songs;
    const MusicPlaylist* playlist = findPlaylist(contents.playlists, playlistID);
    if (!playlist) return songs;
    songs.reserve(playlist->entries.size());
    for (const LibraryPlaylistEntry& entry : playlist->entries) {
        std::optional<std::string> file;
        if (auto demo = entry.reference.as<LibrarySongReference::BundledDemo>()) {
            if (const auto known = bundledDemoSong(demo->id); known && locate) file = locate(*known);
        }
        if (!file && resolve) file = resolve(entry.reference);
        songs.push_back(ResolvedLibrarySong{playlistEntrySongID(entry.id), entry.title, std::nullopt, entry.reference,
                                            std::move(file)});
    }
    return songs;
}

std::vector<ResolvedLibrarySong> selectedSongs(const LibraryCollection& selection, const LibraryContents& contents,
                                               const DemoFileLocator& locate, const SongFileResolver& resolve)
{
    if (std::holds_alternative<LibraryCollection::All>(selection.value)) {
        auto songs = demoSongs(locate);
        auto tracks = sourceSongs(contents);
        songs.insert(songs.end(), std::make_move_iterator(tracks.begin()), std::make_move_iterator(tracks.end()));
        return songs;
    }
    if (std::holds_alternative<LibraryCollection::Demos>(selection.value)) return demoSongs(locate);
    if (auto source = selection.sourceID()) return sourceSongs(contents, *source);
    return playlistSongs(contents, *selection.playlistID(), locate, resolve);
}

std::vector<ResolvedLibrarySong> filteredSongs(const std::vector<ResolvedLibrarySong>& songs,
                                               const QString& searchText)
{
    if (searchText.isEmpty()) return songs;
    std::vector<ResolvedLibrarySong> kept;
    for (const ResolvedLibrarySong& song : songs) {
        const bool matches =
            QString::fromStdString(song.title).contains(searchText, Qt::CaseInsensitive) ||
            (song.relativePath &&
             QString::fromStdString(*song.relativePath).contains(searchText, Qt::CaseInsensitive));
        if (matches) kept.push_back(song);
    }
    return kept;
}

std::string songGroupName(const ResolvedLibrarySong& song) { return std::string(groupKey(song)); }

std::vector<SongGroupRows> groupedSourceSongRows(const std::vector<ResolvedLibrarySong>& filtered)
{
    std::vector<SongGroupRows> groups;
    // Keys point into the songs, which outlive this function.
    std::unordered_map<std::string_view, std::size_t> indexByName;
    for (std::size_t offset = 0; offset < filtered.size(); ++offset) {
        const std::string_view name = groupKey(filtered[offset]);
        auto [found, added] = indexByName.try_emplace(name, groups.size());
        if (added) groups.push_back(SongGroupRows{std::string(name), {}});
        groups[found->second].songOffsets.push_back(offset);
    }
    // Stable, so names the comparison finds equal keep the order they came in.
    std::stable_sort(groups.begin(), groups.end(), [](const SongGroupRows& a, const SongGroupRows& b) {
        return localizedStandardLess(a.name, b.name);
    });
    return groups;
}

std::vector<SongGroup> groupedSourceSongs(const std::vector<ResolvedLibrarySong>& filtered)
{
    std::vector<SongGroup> groups;
    for (SongGroupRows& rows : groupedSourceSongRows(filtered)) {
        SongGroup group{std::move(rows.name), {}};
        group.songs.reserve(rows.songOffsets.size());
        for (const std::size_t offset : rows.songOffsets) group.songs.push_back(filtered[offset]);
        groups.push_back(std::move(group));
    }
    return groups;
}

const LibrarySource* selectedSource(const LibraryCollection& selection, const std::vector<LibrarySource>& sources)
{
    const auto id = selection.sourceID();
    return id ? findSource(sources, *id) : nullptr;
}

std::size_t allSongsCount(const LibraryContents& contents)
{
    std::size_t count = allBundledDemoSongs().size();
    for (const LibrarySource& source : contents.sources) count += trackCount(contents, source.id);
    return count;
}

std::size_t sourceTrackCount(const LibraryContents& contents, const UUID& sourceID)
{
    return trackCount(contents, sourceID);
}

std::vector<CollectionRow> collectionRows(const LibraryContents& contents, const std::set<UUID>& scanningSourceIDs)
{
    using Kind = CollectionRow::Kind;
    const auto row = [](Kind kind, QString title, QString systemImage = {}) {
        CollectionRow made;
        made.kind = kind;
        made.title = std::move(title);
        made.systemImage = std::move(systemImage);
        return made;
    };
    const auto collection = [&](QString title, QString systemImage, std::size_t count, bool isBusy,
                                LibraryCollection tag) {
        CollectionRow made = row(Kind::collection, std::move(title), std::move(systemImage));
        made.count = count;
        made.isBusy = isBusy;
        made.collection = std::move(tag);
        return made;
    };
    std::vector<CollectionRow> rows;
    rows.reserve(contents.sources.size() + contents.playlists.size() + 7);

    rows.push_back(row(Kind::section, QStringLiteral("Biblioteca")));
    rows.push_back(collection(QStringLiteral("Todas as músicas"), QStringLiteral("music.note.list"),
                              allSongsCount(contents), false, LibraryCollection::all()));
    rows.push_back(collection(QStringLiteral("Demos"), QStringLiteral("sparkles"), allBundledDemoSongs().size(),
                              false, LibraryCollection::demos()));

    rows.push_back(row(Kind::section, QStringLiteral("Pastas")));
    for (const LibrarySource& source : contents.sources) {
        rows.push_back(collection(
            QString::fromStdString(source.name),
            source.isAvailable ? QStringLiteral("folder") : QStringLiteral("folder.badge.questionmark"),
            trackCount(contents, source.id), scanningSourceIDs.count(source.id) != 0,
            LibraryCollection::source(source.id)));
    }
    rows.push_back(row(Kind::addFolder, QStringLiteral("Adicionar pasta…"), QStringLiteral("plus")));

    rows.push_back(row(Kind::section, QStringLiteral("Playlists")));
    for (const MusicPlaylist& playlist : contents.playlists) {
        rows.push_back(collection(QString::fromStdString(playlist.name), QStringLiteral("music.note.house"),
                                  playlist.entries.size(), false, LibraryCollection::playlist(playlist.id)));
    }
    rows.push_back(row(Kind::newPlaylist, QStringLiteral("Nova playlist…"), QStringLiteral("plus")));
    return rows;
}

SongPane songPane(const LibraryCollection& selection, const std::vector<LibrarySource>& sources,
                  bool filteredSongsEmpty)
{
    if (const LibrarySource* source = selectedSource(selection, sources); source && !source->isAvailable)
        return SongPane::unavailableFolder;
    return filteredSongsEmpty ? SongPane::empty : SongPane::list;
}

QString emptyTitle(const QString& searchText)
{
    return searchText.isEmpty() ? QStringLiteral("Nenhuma música") : QStringLiteral("Nenhum resultado");
}

QString emptySystemImage(const QString& searchText)
{
    return searchText.isEmpty() ? QStringLiteral("music.note") : QStringLiteral("magnifyingglass");
}

QString emptyDescription(const QString& searchText, const LibraryCollection& selection)
{
    if (!searchText.isEmpty()) return QStringLiteral("Tente buscar por outro nome ou caminho.");
    if (selection.playlistID())
        return QStringLiteral("Arraste MIDIs para cá ou adicione músicas pelo menu contextual.");
    return QStringLiteral("Adicione ou arraste uma pasta com arquivos .mid ou .midi.");
}

std::optional<UUID> editablePlaylist(const LibraryCollection& selection, const QString& searchText)
{
    if (!searchText.isEmpty()) return std::nullopt;
    return selection.playlistID();
}

std::vector<SourceMenuEntry> sourceMenuEntries(bool sourceIsAvailable)
{
    using Action = SourceMenuEntry::Action;
    if (!sourceIsAvailable)
        return {{Action::reauthorize, QStringLiteral("Reautorizar pasta…"), QStringLiteral("folder.badge.plus")}};
    return {{Action::refresh, QStringLiteral("Atualizar"), QStringLiteral("arrow.clockwise")},
            {Action::remove, QStringLiteral("Remover fonte"), QStringLiteral("trash"), true}};
}

} // namespace corvane
