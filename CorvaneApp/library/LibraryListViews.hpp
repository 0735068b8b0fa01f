#pragma once

#include <QListView>
#include <QTreeView>

#include <cstdint>
#include <functional>
#include <vector>

#include "CorvaneApp/library/LibraryDerivations.hpp"
#include "CorvaneApp/library/LibraryDragPayload.hpp"

namespace corvane {

// The browser's list of collections. Only collection rows can be selected;
// the two button rows answer a click without touching the selection. Song
// drags are taken over playlist rows only; file drags are left to the
// window.
class LibraryCollectionList : public QListView {
    Q_OBJECT
public:
    explicit LibraryCollectionList(QWidget* parent = nullptr);

    // The songs dropped on a playlist's row (possibly none that could be
    // read); whether the drop was taken.
    std::function<bool(const UUID& playlistID, const std::vector<LibraryDragPayload>& payloads)> songsDropped;

    // The playlist whose row lies at `position` of the viewport, if any.
    std::optional<UUID> playlistAt(const QPoint& position) const;

signals:
    void collectionChosen(const corvane::LibraryCollection& collection);
    void buttonRowClicked(corvane::CollectionRow::Kind kind);
    void menuRequested(const corvane::LibraryCollection& collection, const QPoint& globalPosition);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void keyboardSearch(const QString& search) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    const CollectionRow* rowAt(const QModelIndex& index) const;
    QPersistentModelIndex pressedButtonRow_;
};

// The browser's song list: a song row per song, under subfolder groups for
// a folder source. A song row drags as a library song; file drags are taken
// here (folders become sources, MIDI files join the selected playlist), and
// inside a playlist rows can be dragged to a new place or deleted with the
// Delete or Backspace key.
class LibrarySongList : public QTreeView {
    Q_OBJECT
public:
    explicit LibrarySongList(QWidget* parent = nullptr);

    // Files dropped on the list; whether the drop was taken.
    std::function<bool(const QList<QUrl>& urls)> filesDropped;
    // Whether rows may be moved now (a playlist, without a search).
    std::function<bool()> canMoveRows;
    // A row dragged to `destination` (an offset in the list before the move).
    std::function<void(std::int64_t row, std::int64_t destination)> rowMoved;

    // Lays the rows out now instead of at the next paint.
    void layOutNow() { executeDelayedItemsLayout(); }
    // Where a row dropped at `position` of the viewport goes: before the row
    // under it, or after it in its lower half; after the last row below them.
    std::int64_t dropDestination(const QPoint& position) const;

signals:
    // A double click on a song row or a click on its practice button.
    void practiceRequested(const QModelIndex& index);
    void deleteRequested(const QModelIndex& index);
    void menuRequested(const QModelIndex& index, const QPoint& globalPosition);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool isSongRow(const QModelIndex& index) const;
    bool isOwnRowDrag(const QDropEvent* event) const;

    QPersistentModelIndex pressedPlayButton_;
    bool isDraggingRow_ = false;
};

} // namespace corvane
