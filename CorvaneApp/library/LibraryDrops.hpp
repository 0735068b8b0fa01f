#pragma once

#include <QList>
#include <QUrl>

#include <string>
#include <vector>

#include "CorvaneApp/library/LibraryDerivations.hpp"
#include "CorvaneApp/library/LibraryDragPayload.hpp"

namespace corvane {

class MusicLibraryStore;

// What a drop of files on the browser's song pane holds. The two lists are
// made independently from every URL; a remote URL is in neither.
struct DroppedItems {
    // Local paths of existing folders, in the dropped order.
    std::vector<std::string> folders;
    // Local paths whose extension is "mid" or "midi" in any letter case.
    std::vector<std::string> midiFiles;

    bool operator==(const DroppedItems&) const = default;
};

DroppedItems droppedItems(const QList<QUrl>& urls);

// Files dropped on the song list or its empty screen. Each folder is added
// as a source from the event loop, after the drop has returned (a scan
// follows); with a playlist selected the MIDI files join it at once, in
// order. Whether the drop was taken: a folder was found, or a MIDI file
// while a playlist is selected.
bool acceptDroppedItems(MusicLibraryStore& store, const LibraryCollection& selection, const QList<QUrl>& urls);

// Songs dropped on a playlist row: each appended in order, even when the
// playlist holds it already. Whether there was anything to append; a
// playlist the store no longer has gains nothing.
bool appendDroppedSongs(MusicLibraryStore& store, const UUID& playlistID,
                        const std::vector<LibraryDragPayload>& payloads);

} // namespace corvane
