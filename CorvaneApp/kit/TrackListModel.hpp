#pragma once

#include <QAbstractListModel>

#include <cstdint>

#include "CorvaneDomain/PracticeHandMap.hpp"

namespace corvane {

// What a track list (TrackListView) shows, one entry per list row: the rows
// of tracks and the titles and notes that group them. The view asks only
// for the entries it shows, so a song of 65,535 tracks costs what a
// screenful costs; each screen derives one from its controller and tells
// the view through the model's signals (a reset when the entries change, a
// change of data when only the tracks' settings do). Its display text is a
// track's name, or the text of a title or note.
class TrackListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum class Kind { track, title, note };

    // One entry whole: what the view binds a widget to.
    struct Entry {
        Kind kind = Kind::track;
        QString text;
        std::int64_t trackIndex = -1; // tracks only
        QString subtitle;
        PracticeTrackHand hand = PracticeTrackHand::automatic;
        bool isMuted = false;
        bool operator==(const Entry&) const = default;
    };

    using QAbstractListModel::QAbstractListModel;

    // Cheap, for laying out every entry: no text is made.
    virtual Kind kind(int row) const = 0;
    virtual Entry entry(int row) const = 0;
    // The list row of a track; -1 when the list has no row for it.
    virtual int rowOfTrack(std::int64_t trackIndex) const = 0;
    // The user's choice for the track of a row.
    virtual void setHand(int row, PracticeTrackHand hand) = 0;
    virtual void setMuted(int row, bool muted) = 0;

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
};

} // namespace corvane
