#include "CorvaneApp/library/LibraryListViews.hpp"

#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>

#include "CorvaneApp/library/LibraryListModels.hpp"
#include "CorvaneApp/library/LibraryRowDelegates.hpp"

namespace corvane {

namespace {

// Rows draw their own highlight; the view's own would fill the whole row.
void clearViewHighlight(QAbstractItemView* view)
{
    QPalette palette = view->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight, Qt::transparent);
        palette.setColor(group, QPalette::HighlightedText, palette.color(group, QPalette::Text));
    }
    palette.setColor(QPalette::Base, Qt::transparent);
    view->setPalette(palette);
    view->viewport()->setAutoFillBackground(false);
}

} // namespace

// Collections.

LibraryCollectionList::LibraryCollectionList(QWidget* parent) : QListView(parent)
{
    setObjectName(QStringLiteral("collectionList"));
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setMouseTracking(true);
    setDragEnabled(false);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setItemDelegate(new LibraryCollectionDelegate(this));
    clearViewHighlight(this);
}

const CollectionRow* LibraryCollectionList::rowAt(const QModelIndex& index) const
{
    auto rows = qobject_cast<const LibraryCollectionModel*>(model());
    return rows ? rows->row(index) : nullptr;
}

std::optional<UUID> LibraryCollectionList::playlistAt(const QPoint& position) const
{
    const CollectionRow* row = rowAt(indexAt(position));
    return row && row->collection ? row->collection->playlistID() : std::nullopt;
}

void LibraryCollectionList::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    const CollectionRow* row = rowAt(index);
    // A right click opens the row's menu without selecting it.
    if (!row || row->kind == CollectionRow::Kind::section || event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    if (row->kind != CollectionRow::Kind::collection) {
        pressedButtonRow_ = index;
        event->accept();
        return;
    }
    QListView::mousePressEvent(event);
}

void LibraryCollectionList::mouseReleaseEvent(QMouseEvent* event)
{
    if (pressedButtonRow_.isValid()) {
        const QModelIndex pressed = std::exchange(pressedButtonRow_, QPersistentModelIndex());
        if (indexAt(event->position().toPoint()) == pressed)
            if (const CollectionRow* row = rowAt(pressed)) emit buttonRowClicked(row->kind);
        event->accept();
        return;
    }
    QListView::mouseReleaseEvent(event);
}

void LibraryCollectionList::mouseMoveEvent(QMouseEvent* event)
{
    if (pressedButtonRow_.isValid()) {
        event->accept();
        return;
    }
    QListView::mouseMoveEvent(event);
}

void LibraryCollectionList::contextMenuEvent(QContextMenuEvent* event)
{
    const CollectionRow* row = rowAt(indexAt(event->pos()));
    if (row && row->collection) emit menuRequested(*row->collection, event->globalPos());
    event->accept();
}

// The keys step over section titles and button rows.
QModelIndex LibraryCollectionList::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex moved = QListView::moveCursor(action, modifiers);
    if (!moved.isValid() || (model()->flags(moved) & Qt::ItemIsSelectable)) return moved;
    const bool upwards = action == MoveUp || action == MovePrevious || action == MovePageUp || action == MoveEnd;
    const int step = upwards ? -1 : 1;
    for (int row = moved.row(); row >= 0 && row < model()->rowCount(); row += step) {
        const QModelIndex candidate = model()->index(row, 0);
        if (model()->flags(candidate) & Qt::ItemIsSelectable) return candidate;
    }
    return currentIndex();
}

// Typing a name finds collections only, never a button row.
void LibraryCollectionList::keyboardSearch(const QString& search)
{
    const QPersistentModelIndex before = currentIndex();
    QListView::keyboardSearch(search);
    if (currentIndex() != before && !(model()->flags(currentIndex()) & Qt::ItemIsSelectable))
        setCurrentIndex(before);
}

void LibraryCollectionList::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QListView::currentChanged(current, previous);
    const CollectionRow* row = rowAt(current);
    if (row && row->collection) emit collectionChosen(*row->collection);
}

void LibraryCollectionList::dragEnterEvent(QDragEnterEvent* event)
{
    // Anything else (files) goes on to the window.
    if (LibraryDragPayload::isCarriedBy(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void LibraryCollectionList::dragMoveEvent(QDragMoveEvent* event)
{
    if (LibraryDragPayload::isCarriedBy(event->mimeData()) && playlistAt(event->position().toPoint())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void LibraryCollectionList::dropEvent(QDropEvent* event)
{
    const auto playlist = playlistAt(event->position().toPoint());
    if (!playlist || !LibraryDragPayload::isCarriedBy(event->mimeData())) {
        event->ignore();
        return;
    }
    const auto payloads = LibraryDragPayload::payloads(event->mimeData());
    if (songsDropped && songsDropped(*playlist, payloads)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

// Songs.

LibrarySongList::LibrarySongList(QWidget* parent) : QTreeView(parent)
{
    setObjectName(QStringLiteral("songList"));
    setHeaderHidden(true);
    // Groups draw their own disclosure mark and indent their songs.
    setRootIsDecorated(false);
    setIndentation(0);
    setItemsExpandable(true);
    setExpandsOnDoubleClick(false);
    setAnimated(false);
    setUniformRowHeights(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setMouseTracking(true);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
    setDropIndicatorShown(false);
    setItemDelegate(new LibrarySongDelegate(this));
    clearViewHighlight(this);
}

bool LibrarySongList::isSongRow(const QModelIndex& index) const
{
    auto songs = qobject_cast<const LibrarySongModel*>(model());
    return songs && songs->song(index);
}

std::int64_t LibrarySongList::dropDestination(const QPoint& position) const
{
    const QModelIndex index = indexAt(position);
    if (!index.isValid()) return model() ? model()->rowCount() : 0;
    return position.y() >= visualRect(index).center().y() ? index.row() + 1 : index.row();
}

void LibrarySongList::mousePressEvent(QMouseEvent* event)
{
    const QPoint position = event->position().toPoint();
    const QModelIndex index = indexAt(position);
    auto songs = qobject_cast<const LibrarySongModel*>(model());
    if (event->button() == Qt::LeftButton && songs && songs->group(index)) {
        setExpanded(index, !isExpanded(index));
        event->accept();
        return;
    }
    // A right click opens the row's menu without selecting it.
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton && isSongRow(index) &&
        LibrarySongDelegate::playButtonRect(visualRect(index)).contains(position)) {
        pressedPlayButton_ = index;
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
}

void LibrarySongList::mouseReleaseEvent(QMouseEvent* event)
{
    if (pressedPlayButton_.isValid()) {
        const QModelIndex pressed = std::exchange(pressedPlayButton_, QPersistentModelIndex());
        const QPoint position = event->position().toPoint();
        if (indexAt(position) == pressed && LibrarySongDelegate::playButtonRect(visualRect(pressed)).contains(position))
            emit practiceRequested(pressed);
        event->accept();
        return;
    }
    QTreeView::mouseReleaseEvent(event);
}

void LibrarySongList::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint position = event->position().toPoint();
    const QModelIndex index = indexAt(position);
    auto songs = qobject_cast<const LibrarySongModel*>(model());
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    if (songs && songs->group(index)) {
        setExpanded(index, !isExpanded(index));
    } else if (isSongRow(index)) {
        // The second click on the practice button is that button's own.
        if (LibrarySongDelegate::playButtonRect(visualRect(index)).contains(position))
            pressedPlayButton_ = index;
        else
            emit practiceRequested(index);
    }
    event->accept();
}

void LibrarySongList::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) {
        if (isSongRow(currentIndex()) && selectionModel()->isSelected(currentIndex()))
            emit deleteRequested(currentIndex());
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void LibrarySongList::contextMenuEvent(QContextMenuEvent* event)
{
    const QModelIndex index = indexAt(event->pos());
    if (isSongRow(index)) emit menuRequested(index, event->globalPos());
    event->accept();
}

void LibrarySongList::startDrag(Qt::DropActions)
{
    const QModelIndex index = currentIndex();
    if (!isSongRow(index)) return;
    QMimeData* data = model()->mimeData({index});
    if (!data) return;
    auto drag = new QDrag(this);
    drag->setMimeData(data);
    const QRect row = visualRect(index);
    drag->setPixmap(viewport()->grab(row));
    drag->setHotSpot(viewport()->mapFromGlobal(QCursor::pos()) - row.topLeft());
    // The payload is all a drop needs; nothing is removed here whatever the target did.
    isDraggingRow_ = true;
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    isDraggingRow_ = false;
}

bool LibrarySongList::isOwnRowDrag(const QDropEvent* event) const
{
    return isDraggingRow_ && event->source() == this && LibraryDragPayload::isCarriedBy(event->mimeData());
}

void LibrarySongList::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls() || isOwnRowDrag(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void LibrarySongList::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    } else if (isOwnRowDrag(event) && canMoveRows && canMoveRows()) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
        if (hasAutoScroll()) startAutoScroll();
    } else {
        event->ignore();
    }
}

void LibrarySongList::dropEvent(QDropEvent* event)
{
    stopAutoScroll();
    if (event->mimeData()->hasUrls()) {
        if (filesDropped && filesDropped(event->mimeData()->urls()))
            event->acceptProposedAction();
        else
            event->ignore();
        return;
    }
    if (isOwnRowDrag(event) && canMoveRows && canMoveRows() && isSongRow(currentIndex()) && rowMoved) {
        rowMoved(currentIndex().row(), dropDestination(event->position().toPoint()));
        event->setDropAction(Qt::MoveAction);
        event->accept();
        return;
    }
    event->ignore();
}

} // namespace corvane
