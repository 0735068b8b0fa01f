#include "CorvaneApp/library/LibraryListModels.hpp"

#include <QMimeData>

#include "CorvaneApp/library/LibraryDragPayload.hpp"

namespace corvane {

namespace {

bool sameRowsInPlace(const std::vector<CollectionRow>& a, const std::vector<CollectionRow>& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].kind != b[i].kind || a[i].collection != b[i].collection) return false;
    return true;
}

QString subtitle(const ResolvedLibrarySong& song)
{
    if (song.relativePath) return QString::fromStdString(*song.relativePath);
    if (!song.isAvailable()) return QStringLiteral("Arquivo indisponível");
    return {};
}

} // namespace

// Collections.

bool LibraryCollectionModel::setRows(std::vector<CollectionRow> rows)
{
    if (rows == rows_) return false;
    if (sameRowsInPlace(rows, rows_)) {
        rows_ = std::move(rows);
        emit dataChanged(index(0), index(static_cast<int>(rows_.size()) - 1));
        return true;
    }
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
    return true;
}

const CollectionRow* LibraryCollectionModel::row(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this || index.row() < 0 ||
        index.row() >= static_cast<int>(rows_.size()))
        return nullptr;
    return &rows_[static_cast<std::size_t>(index.row())];
}

QModelIndex LibraryCollectionModel::indexOf(const LibraryCollection& collection) const
{
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].collection == collection) return index(static_cast<int>(i));
    return {};
}

int LibraryCollectionModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant LibraryCollectionModel::data(const QModelIndex& index, int role) const
{
    const CollectionRow* row = this->row(index);
    if (!row) return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole: return row->title;
    case SystemImageRole: return row->systemImage;
    case CountRole: return QVariant::fromValue(static_cast<qulonglong>(row->count));
    case BusyRole: return row->isBusy;
    default: return {};
    }
}

Qt::ItemFlags LibraryCollectionModel::flags(const QModelIndex& index) const
{
    const CollectionRow* row = this->row(index);
    if (!row) return Qt::NoItemFlags;
    if (row->kind == CollectionRow::Kind::collection) return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (row->kind == CollectionRow::Kind::section) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled;
}

// Songs.

bool LibrarySongModel::setContent(LibrarySongListContent content)
{
    if (content == content_) return false;
    beginResetModel();
    content_ = std::move(content);
    endResetModel();
    return true;
}

const ResolvedLibrarySong* LibrarySongModel::song(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this) return nullptr;
    const auto row = static_cast<std::size_t>(index.row());
    if (!content_.groups) return row < content_.songs.size() ? &content_.songs[row] : nullptr;
    if (index.internalId() == 0) return nullptr;
    const auto& groups = *content_.groups;
    const auto group = static_cast<std::size_t>(index.internalId() - 1);
    if (group >= groups.size() || row >= groups[group].songOffsets.size()) return nullptr;
    return &content_.songs[groups[group].songOffsets[row]];
}

const SongGroupRows* LibrarySongModel::group(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this || !content_.groups || index.internalId() != 0) return nullptr;
    const auto row = static_cast<std::size_t>(index.row());
    return row < content_.groups->size() ? &(*content_.groups)[row] : nullptr;
}

QModelIndex LibrarySongModel::indexOfSong(const std::string& songID) const
{
    if (!content_.groups) {
        for (std::size_t i = 0; i < content_.songs.size(); ++i)
            if (content_.songs[i].id == songID) return index(static_cast<int>(i), 0);
        return {};
    }
    const auto& groups = *content_.groups;
    for (std::size_t g = 0; g < groups.size(); ++g)
        for (std::size_t i = 0; i < groups[g].songOffsets.size(); ++i)
            if (content_.songs[groups[g].songOffsets[i]].id == songID)
                return createIndex(static_cast<int>(i), 0, quintptr(g + 1));
    return {};
}

QModelIndex LibrarySongModel::indexOfGroup(const std::string& name) const
{
    if (!content_.groups) return {};
    for (std::size_t g = 0; g < content_.groups->size(); ++g)
        if ((*content_.groups)[g].name == name) return index(static_cast<int>(g), 0);
    return {};
}

QModelIndex LibrarySongModel::index(int row, int column, const QModelIndex& parent) const
{
    if (row < 0 || column != 0) return {};
    if (!parent.isValid()) {
        const std::size_t count = content_.groups ? content_.groups->size() : content_.songs.size();
        return static_cast<std::size_t>(row) < count ? createIndex(row, 0, quintptr(0)) : QModelIndex();
    }
    const SongGroupRows* group = this->group(parent);
    if (!group || static_cast<std::size_t>(row) >= group->songOffsets.size()) return {};
    return createIndex(row, 0, quintptr(parent.row() + 1));
}

QModelIndex LibrarySongModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || child.internalId() == 0) return {};
    return createIndex(static_cast<int>(child.internalId() - 1), 0, quintptr(0));
}

int LibrarySongModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return static_cast<int>(content_.groups ? content_.groups->size() : content_.songs.size());
    const SongGroupRows* group = this->group(parent);
    return group ? static_cast<int>(group->songOffsets.size()) : 0;
}

int LibrarySongModel::columnCount(const QModelIndex&) const { return 1; }

QVariant LibrarySongModel::data(const QModelIndex& index, int role) const
{
    if (const SongGroupRows* group = this->group(index)) {
        switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole: return QString::fromStdString(group->name);
        case IsGroupRole: return true;
        default: return {};
        }
    }
    const ResolvedLibrarySong* song = this->song(index);
    if (!song) return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole: return QString::fromStdString(song->title);
    case SongIDRole: return QString::fromStdString(song->id);
    case SubtitleRole: return subtitle(*song);
    case IsAvailableRole: return song->isAvailable();
    case IsGroupRole: return false;
    default: return {};
    }
}

Qt::ItemFlags LibrarySongModel::flags(const QModelIndex& index) const
{
    if (group(index)) return Qt::ItemIsEnabled;
    if (song(index)) return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    return Qt::NoItemFlags;
}

QStringList LibrarySongModel::mimeTypes() const { return {QString::fromLatin1(LibraryDragPayload::mimeType)}; }

QMimeData* LibrarySongModel::mimeData(const QModelIndexList& indexes) const
{
    for (const QModelIndex& index : indexes)
        if (const ResolvedLibrarySong* song = this->song(index))
            return LibraryDragPayload{song->title, song->reference}.mimeData();
    return nullptr;
}

Qt::DropActions LibrarySongModel::supportedDragActions() const { return Qt::CopyAction | Qt::MoveAction; }

} // namespace corvane
