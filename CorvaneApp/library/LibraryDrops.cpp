#include "CorvaneApp/library/LibraryDrops.hpp"

#include <QFile>
#include <QFileInfo>
#include <QMetaObject>

#include "CorvaneDomain/StandardizedPath.hpp"
#include "CorvaneLibrary/MusicLibraryStore.hpp"

namespace corvane {

namespace {

bool hasMIDIExtension(const std::string& path)
{
    const QString extension = QString::fromStdString(pathExtension(path)).toLower();
    return extension == QLatin1String("mid") || extension == QLatin1String("midi");
}

} // namespace

DroppedItems droppedItems(const QList<QUrl>& urls)
{
    DroppedItems items;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) continue;
        const QString local = url.toLocalFile();
        // The file name's own bytes, whatever their encoding.
        const std::string path = QFile::encodeName(local).toStdString();
        if (QFileInfo(local).isDir()) items.folders.push_back(path);
        if (hasMIDIExtension(path)) items.midiFiles.push_back(path);
    }
    return items;
}

bool acceptDroppedItems(MusicLibraryStore& store, const LibraryCollection& selection, const QList<QUrl>& urls)
{
    const DroppedItems items = droppedItems(urls);
    // Queued on the store: a folder is added (and scanned) after the drop
    // has returned, and not at all once the store is gone.
    for (const std::string& folder : items.folders)
        QMetaObject::invokeMethod(&store, [&store, folder] { store.addFolder(folder); }, Qt::QueuedConnection);
    const auto playlist = selection.playlistID();
    if (!playlist) return !items.folders.empty();
    for (const std::string& file : items.midiFiles) store.addExternalFile(file, *playlist);
    return !items.folders.empty() || !items.midiFiles.empty();
}

bool appendDroppedSongs(MusicLibraryStore& store, const UUID& playlistID,
                        const std::vector<LibraryDragPayload>& payloads)
{
    for (const LibraryDragPayload& payload : payloads) store.add(payload.reference, payload.title, playlistID);
    return !payloads.empty();
}

} // namespace corvane
