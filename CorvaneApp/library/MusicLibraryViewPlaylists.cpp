// The library browser's playlist work: practising a song, removing and
// moving a playlist's rows, drops, and making, renaming and deleting playlists.
#include "CorvaneApp/library/MusicLibraryView.hpp"

#include <QLineEdit>

#include "CorvaneApp/library/LibraryDrops.hpp"
#include "CorvaneApp/library/PlaylistNameDialog.hpp"
#include "CorvaneLibrary/MusicLibraryStore.hpp"

namespace corvane {

void MusicLibraryView::practice(const ResolvedLibrarySong& song)
{
    if (song.isAvailable() && actions_.practice) actions_.practice(song);
}

void MusicLibraryView::deleteRows(const std::set<std::int64_t>& offsets)
{
    if (auto playlist = editablePlaylist(selection_, searchText_)) store_.removeEntries(offsets, *playlist);
}

void MusicLibraryView::moveRows(const std::set<std::int64_t>& offsets, std::int64_t destination)
{
    if (auto playlist = editablePlaylist(selection_, searchText_))
        store_.moveEntries(offsets, destination, *playlist);
}

bool MusicLibraryView::dropSongs(const UUID& playlistID, const std::vector<LibraryDragPayload>& payloads)
{
    const bool taken = appendDroppedSongs(store_, playlistID, payloads);
    setSelection(LibraryCollection::playlist(playlistID));
    return taken;
}

bool MusicLibraryView::acceptDroppedItems(const QList<QUrl>& urls)
{
    return corvane::acceptDroppedItems(store_, selection_, urls);
}

void MusicLibraryView::startCreatingPlaylist()
{
    if (!newPlaylistDialog_) {
        newPlaylistDialog_ = new PlaylistNameDialog(
            QStringLiteral("Nova playlist"), QStringLiteral("A playlist referencia músicas sem copiar os arquivos originais."),
            QStringLiteral("Criar"), this);
        newPlaylistDialog_->setObjectName(QStringLiteral("newPlaylistDialog"));
        connect(newPlaylistDialog_, &PlaylistNameDialog::nameEdited, this,
                [this](const QString& name) { newPlaylistName_ = name; });
        connect(newPlaylistDialog_, &PlaylistNameDialog::confirmed, this, &MusicLibraryView::createPlaylist);
        connect(newPlaylistDialog_, &QDialog::finished, this, [this] { isCreatingPlaylist_ = false; });
    }
    newPlaylistName_.clear();
    newPlaylistDialog_->nameField()->clear();
    isCreatingPlaylist_ = true;
    newPlaylistDialog_->open();
    newPlaylistDialog_->nameField()->setFocus();
}

void MusicLibraryView::createPlaylist()
{
    if (auto id = store_.createPlaylist(newPlaylistName_.toStdString())) setSelection(LibraryCollection::playlist(*id));
}

void MusicLibraryView::startRenaming(const UUID& playlistID)
{
    const auto playlist = store_.playlist(playlistID);
    if (!renameDialog_) {
        renameDialog_ = new PlaylistNameDialog(QStringLiteral("Renomear playlist"), QString(),
                                               QStringLiteral("Renomear"), this);
        renameDialog_->setObjectName(QStringLiteral("renamePlaylistDialog"));
        connect(renameDialog_, &PlaylistNameDialog::nameEdited, this,
                [this](const QString& name) { renamedPlaylistName_ = name; });
        connect(renameDialog_, &PlaylistNameDialog::confirmed, this, &MusicLibraryView::renamePlaylist);
        connect(renameDialog_, &QDialog::finished, this, [this] { playlistBeingRenamed_.reset(); });
    }
    playlistBeingRenamed_ = playlistID;
    renamedPlaylistName_ = playlist ? QString::fromStdString(playlist->name) : QString();
    renameDialog_->nameField()->setText(renamedPlaylistName_);
    renameDialog_->open();
    renameDialog_->nameField()->selectAll();
    renameDialog_->nameField()->setFocus();
}

void MusicLibraryView::renamePlaylist()
{
    if (const auto playlist = std::exchange(playlistBeingRenamed_, std::nullopt))
        store_.renamePlaylist(*playlist, renamedPlaylistName_.toStdString());
}

void MusicLibraryView::deletePlaylist(const UUID& playlistID)
{
    store_.removePlaylist(playlistID);
    setSelection(LibraryCollection::all());
}

// Menus.

} // namespace corvane
