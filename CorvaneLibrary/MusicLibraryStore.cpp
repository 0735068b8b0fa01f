#include "CorvaneLibrary/MusicLibraryStore.hpp"

#include "CorvaneLibrary/FileBookmarks.hpp"
#include "CorvaneLibrary/FolderPlaylist.hpp"
#include "CorvaneLibrary/LibraryPaths.hpp"
#include "CorvaneLibrary/LocalizedOrdering.hpp"
#include "CorvaneLibrary/PersistedMusicLibrary.hpp"
#include "CorvaneLibrary/PlaylistScanner.hpp"
#include "CorvaneLibrary/StoredRecord.hpp"

#include "CorvaneDomain/StandardizedPath.hpp"
#include "CorvaneLibrary/FolderAccessMessages.hpp"

#include <QMetaObject>
#include <QPointer>
#include <QThreadPool>

#include <algorithm>
#include <mutex>

namespace corvane {

namespace {

const std::string saveFailedMessage = "Não foi possível salvar a biblioteca.";
const std::string renewFailedMessage = "Não foi possível renovar o acesso à pasta selecionada.";

} // namespace

// Where a finished scan delivers its result. Shared with the worker, so that
// a scan outliving its store finds the store gone instead of touching freed
// memory; the store clears it first thing in its destructor.
struct MusicLibraryStore::ScanMailbox {
    std::mutex mutex;
    MusicLibraryStore* store = nullptr;
};

MusicLibraryStore::MusicLibraryStore(DefaultsStore& defaults, std::shared_ptr<BookmarkService> bookmarks,
                                     QObject* parent)
    : QObject(parent), defaults_(defaults),
      bookmarks_(bookmarks ? std::move(bookmarks) : std::make_shared<FileBookmarks>()),
      mailbox_(std::make_shared<ScanMailbox>()) {
    mailbox_->store = this;
    restore();
    QMetaObject::invokeMethod(this, [this] { refreshAll(); }, Qt::QueuedConnection);
}

MusicLibraryStore::~MusicLibraryStore() {
    {
        std::lock_guard lock(mailbox_->mutex);
        mailbox_->store = nullptr;
    }
    sourceAccess_.releaseAll();
    externalAccess_.releaseAll();
}

void MusicLibraryStore::restore() {
    // An unreadable record is kept aside: the migration below, or the next
    // change, overwrites it.
    if (auto library = restoredRecord<PersistedMusicLibrary>(defaults_, storageKey)) {
        setSources(std::move(library->sources));
        setPlaylists(std::move(library->playlists));
        return;
    }
    const auto older = defaults_.dataValue(folderPlaylistsKey);
    if (!older) return;
    const auto folderPlaylists = decodedRecord<std::vector<FolderPlaylist>>(*older);
    if (!folderPlaylists) return;
    std::vector<LibrarySource> migrated;
    migrated.reserve(folderPlaylists->size());
    for (const auto& folder : *folderPlaylists)
        migrated.push_back(LibrarySource{folder.id, folder.name, folder.directoryPath, folder.bookmarkData, true});
    setSources(std::move(migrated));
    persist();
}

void MusicLibraryStore::persist() {
    if (!storeRecord(defaults_, storageKey, PersistedMusicLibrary{sources_, playlists_})) {
        setLastError(saveFailedMessage);
        return;
    }
    // The defaults keep the value in memory when the disk write fails; the
    // user must still learn that the library was not saved. Library edits are
    // rare user actions, so waiting for the disk here costs nothing noticeable.
    defaults_.flush();
    setLastError(defaults_.lastWriteError() ? std::optional(saveFailedMessage) : std::nullopt);
}

std::optional<UUID> MusicLibraryStore::addFolder(const std::string& folder, Completion done) {
    const std::string path = standardizedAbsolutePath(folder);
    const auto existing = std::find_if(sources_.begin(), sources_.end(),
                                       [&](const LibrarySource& source) { return source.directoryPath == path; });
    if (existing != sources_.end()) {
        const UUID id = existing->id;
        reauthorize(id, path, std::move(done));
        return id;
    }

    const auto chosen = bookmarkChosenFolder(*bookmarks_, path);
    if (!chosen) {
        setLastError(folderBookmarkFailedMessage);
        if (done) done();
        return std::nullopt;
    }
    const UUID id = UUID::random();
    auto updated = sources_;
    updated.push_back(LibrarySource{id, lastPathComponent(path), path, chosen->bookmark, true});
    sortByLocalizedName(updated);
    setSources(std::move(updated));
    sourceAccess_.hold(id, path, chosen->accessStarted);
    persist();
    refresh(id, std::move(done));
    return id;
}

void MusicLibraryStore::reauthorize(const UUID& sourceID, const std::string& folder, Completion done) {
    auto found = std::find_if(sources_.begin(), sources_.end(),
                              [&](const LibrarySource& source) { return source.id == sourceID; });
    if (found == sources_.end()) {
        if (done) done();
        return;
    }
    const auto index = static_cast<std::size_t>(found - sources_.begin());
    const std::string path = standardizedAbsolutePath(folder);
    const auto chosen = bookmarkChosenFolder(*bookmarks_, path);
    if (!chosen) {
        setLastError(renewFailedMessage);
        if (done) done();
        return;
    }
    sourceAccess_.release(sourceID);
    auto updated = sources_;
    updated[index].name = lastPathComponent(path);
    updated[index].directoryPath = path;
    updated[index].bookmarkData = chosen->bookmark;
    updated[index].isAvailable = true;
    sortByLocalizedName(updated);
    setSources(std::move(updated));
    sourceAccess_.hold(sourceID, path, chosen->accessStarted);
    persist();
    refresh(sourceID, std::move(done));
}

std::optional<std::string> MusicLibraryStore::resolvedURL(const UUID& sourceID) {
    if (auto cached = sourceAccess_.path(sourceID)) return cached;
    auto found = std::find_if(sources_.begin(), sources_.end(),
                              [&](const LibrarySource& source) { return source.id == sourceID; });
    if (found == sources_.end()) return std::nullopt;
    const auto index = static_cast<std::size_t>(found - sources_.begin());
    if (!found->isAvailable) return std::nullopt;

    auto fail = [&]() -> std::optional<std::string> {
        auto updated = sources_;
        updated[index].isAvailable = false;
        const std::string name = updated[index].name;
        setSources(std::move(updated));
        persist();
        setLastError(folderRenewalMessage(name));
        return std::nullopt;
    };

    const auto resolution = sourceAccess_.reach(sourceID, found->bookmarkData);
    if (!resolution) return fail();
    if (resolution->isStale) {
        const auto renewed = bookmarks_->createBookmark(resolution->path);
        if (!renewed) return fail();
        auto updated = sources_;
        updated[index].bookmarkData = *renewed;
        // A stale bookmark usually means the folder was renamed. The record
        // follows it, so that adding the folder again finds this source, and
        // adding a new folder at the old path does not take this one over.
        updated[index].name = lastPathComponent(resolution->path);
        updated[index].directoryPath = resolution->path;
        setSources(std::move(updated));
        persist();
    }
    return resolution->path;
}

void MusicLibraryStore::refresh(const UUID& sourceID, Completion done) {
    const auto folder = resolvedURL(sourceID);
    if (!folder) {
        if (done) done();
        return;
    }
    setScanning(sourceID, true);
    QThreadPool::globalInstance()->start([mailbox = mailbox_, sourceID, folder = *folder, done = std::move(done)] {
        auto tracks = PlaylistScanner::tracks(folder);
        std::lock_guard lock(mailbox->mutex);
        if (!mailbox->store) return;
        MusicLibraryStore* store = mailbox->store;
        // Queued to the store's thread; dropped by Qt if the store is
        // destroyed before it runs.
        QMetaObject::invokeMethod(
            store,
            [store, sourceID, tracks = std::move(tracks), done]() mutable {
                store->finishScan(sourceID, std::move(tracks), std::move(done));
            },
            Qt::QueuedConnection);
    });
}

void MusicLibraryStore::finishScan(const UUID& sourceID, std::vector<PlaylistTrack> tracks, Completion done) {
    auto it = tracksBySource_.find(sourceID);
    if (it == tracksBySource_.end() || it->second != tracks) {
        tracksBySource_[sourceID] = std::move(tracks);
        emit tracksBySourceChanged();
    }
    setScanning(sourceID, false);
    setLastError(std::nullopt);
    if (done) done();
}

void MusicLibraryStore::refreshAll(Completion done) {
    auto snapshot = std::make_shared<std::vector<UUID>>();
    for (const auto& source : sources_)
        if (source.isAvailable) snapshot->push_back(source.id);
    refreshEach(std::move(snapshot), 0, std::move(done));
}

// One scan at a time: the next starts when the previous has been handed back.
void MusicLibraryStore::refreshEach(std::shared_ptr<std::vector<UUID>> ids, std::size_t next, Completion done) {
    if (next >= ids->size()) {
        if (done) done();
        return;
    }
    const UUID id = (*ids)[next];
    refresh(id, [this, ids, next, done = std::move(done)]() mutable { refreshEach(ids, next + 1, std::move(done)); });
}

void MusicLibraryStore::removeSource(const UUID& sourceID) {
    sourceAccess_.release(sourceID);
    if (tracksBySource_.erase(sourceID) != 0) emit tracksBySourceChanged();
    auto found = std::find_if(sources_.begin(), sources_.end(),
                              [&](const LibrarySource& source) { return source.id == sourceID; });
    if (found == sources_.end()) return;
    auto updated = sources_;
    updated[static_cast<std::size_t>(found - sources_.begin())].isAvailable = false;
    setSources(std::move(updated));
    persist();
}

std::vector<PlaylistTrack> MusicLibraryStore::tracks(const UUID& sourceID) const {
    auto it = tracksBySource_.find(sourceID);
    return it == tracksBySource_.end() ? std::vector<PlaylistTrack>{} : it->second;
}

void MusicLibraryStore::setLastError(std::optional<std::string> message) {
    if (message == lastError_) return;
    lastError_ = std::move(message);
    emit lastErrorChanged();
}

void MusicLibraryStore::setSources(std::vector<LibrarySource> sources) {
    if (sources == sources_) return;
    sources_ = std::move(sources);
    emit sourcesChanged();
}

void MusicLibraryStore::setPlaylists(std::vector<MusicPlaylist> playlists) {
    if (playlists == playlists_) return;
    playlists_ = std::move(playlists);
    emit playlistsChanged();
}

void MusicLibraryStore::setScanning(const UUID& sourceID, bool scanning) {
    const bool changed = scanning ? scanningSourceIDs_.insert(sourceID).second : scanningSourceIDs_.erase(sourceID) != 0;
    if (changed) emit scanningSourceIDsChanged();
}

} // namespace corvane
