#pragma once

#include <QAbstractItemModel>
#include <QAbstractListModel>

#include <optional>
#include <string>
#include <vector>

#include "CorvaneApp/library/LibraryDerivations.hpp"

namespace corvane {

// The rows of the browser's collection list, as derived from the store.
class LibraryCollectionModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { SystemImageRole = Qt::UserRole + 1, CountRole, BusyRole };

    using QAbstractListModel::QAbstractListModel;

    const std::vector<CollectionRow>& rows() const { return rows_; }
    // Same rows in the same places (only counts or progress differ) change
    // in place, so the view keeps its selection; anything else resets.
    // False when nothing changed.
    bool setRows(std::vector<CollectionRow> rows);
    const CollectionRow* row(const QModelIndex& index) const;
    // The row of `collection`, invalid when the list has none.
    QModelIndex indexOf(const LibraryCollection& collection) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // Only collection rows can be selected.
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::vector<CollectionRow> rows_;
};

// What the song list shows: the filtered songs, under subfolder groups for a
// folder source.
struct LibrarySongListContent {
    std::vector<ResolvedLibrarySong> songs;
    std::optional<std::vector<SongGroupRows>> groups;

    bool operator==(const LibrarySongListContent&) const = default;
};

// The song list as a tree: group rows at the top level with their songs
// below them, or songs alone. A song row drags as a library song.
class LibrarySongModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Role { SongIDRole = Qt::UserRole + 1, SubtitleRole, IsAvailableRole, IsGroupRole };

    using QAbstractItemModel::QAbstractItemModel;

    const LibrarySongListContent& content() const { return content_; }
    // Resets the model, unless the content is the same (then false).
    bool setContent(LibrarySongListContent content);

    bool isGrouped() const { return content_.groups.has_value(); }
    const ResolvedLibrarySong* song(const QModelIndex& index) const;
    const SongGroupRows* group(const QModelIndex& index) const;
    QModelIndex indexOfSong(const std::string& songID) const;
    QModelIndex indexOfGroup(const std::string& name) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    QStringList mimeTypes() const override;
    // The payload of the first song among `indexes`.
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;

private:
    // A song below group g has g + 1 as its internal id; top-level rows 0.
    LibrarySongListContent content_;
};

} // namespace corvane
