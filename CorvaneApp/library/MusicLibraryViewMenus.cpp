// The library browser's context menus, of a collection and of a song.
#include "CorvaneApp/library/MusicLibraryView.hpp"

#include <QAction>
#include <QMenu>

#include "CorvaneApp/kit/StudioMenuEntry.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioSymbols.hpp"
#include "CorvaneApp/library/LibraryListModels.hpp"
#include "CorvaneApp/library/LibraryListViews.hpp"
#include "CorvaneLibrary/MusicLibraryStore.hpp"

namespace corvane {

QMenu* MusicLibraryView::makeCollectionMenu(const LibraryCollection& collection, QWidget* parent)
{
    if (auto sourceID = collection.sourceID()) {
        const LibrarySource* source = selectedSource(collection, store_.sources());
        if (!source) return nullptr;
        auto menu = new QMenu(parent);
        const UUID id = *sourceID;
        for (const SourceMenuEntry& entry : sourceMenuEntries(source->isAvailable)) {
            QAction* action = addStudioMenuEntry(menu, entry.title, entry.systemImage, entry.isDestructive);
            connect(action, &QAction::triggered, this, [this, id, kind = entry.action] {
                switch (kind) {
                case SourceMenuEntry::Action::refresh: store_.refresh(id); break;
                case SourceMenuEntry::Action::remove: store_.removeSource(id); break;
                case SourceMenuEntry::Action::reauthorize:
                    if (actions_.reauthorizeFolder) actions_.reauthorizeFolder(id);
                    break;
                }
            });
        }
        return menu;
    }
    if (auto playlistID = collection.playlistID()) {
        auto menu = new QMenu(parent);
        const UUID id = *playlistID;
        connect(addStudioMenuEntry(menu, QStringLiteral("Renomear"), QStringLiteral("pencil")), &QAction::triggered, this,
                [this, id] { startRenaming(id); });
        connect(addStudioMenuEntry(menu, QStringLiteral("Excluir playlist"), QStringLiteral("trash"), true),
                &QAction::triggered, this, [this, id] { deletePlaylist(id); });
        return menu;
    }
    return nullptr;
}

QMenu* MusicLibraryView::makeSongMenu(const ResolvedLibrarySong& song, QWidget* parent)
{
    auto menu = new QMenu(parent);
    QAction* practise = addStudioMenuEntry(menu, QStringLiteral("Praticar"), QStringLiteral("play.fill"));
    practise->setEnabled(song.isAvailable());
    connect(practise, &QAction::triggered, this, [this, song] { practice(song); });
    if (!store_.playlists().empty()) {
        QMenu* playlists = menu->addMenu(studioSymbolIcon(QStringLiteral("text.badge.plus"), 16, StudioAppearance::primaryText()),
                                         QStringLiteral("Adicionar à playlist"));
        playlists->menuAction()->setProperty("systemImage", QStringLiteral("text.badge.plus"));
        for (const MusicPlaylist& playlist : store_.playlists()) {
            QAction* entry = playlists->addAction(QString::fromStdString(playlist.name));
            connect(entry, &QAction::triggered, this, [this, song, id = playlist.id] {
                store_.add(song.reference, song.title, id);
            });
        }
    }
    return menu;
}

void MusicLibraryView::showCollectionMenu(const LibraryCollection& collection, const QPoint& globalPosition)
{
    QMenu* menu = makeCollectionMenu(collection, this);
    if (!menu) return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPosition);
}

void MusicLibraryView::showSongMenu(const QModelIndex& index, const QPoint& globalPosition)
{
    const ResolvedLibrarySong* song = songModel_->song(index);
    if (!song) return;
    QMenu* menu = makeSongMenu(*song, this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPosition);
}

} // namespace corvane
