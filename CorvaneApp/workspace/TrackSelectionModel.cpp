#include "CorvaneApp/workspace/TrackSelectionModel.hpp"

#include <algorithm>

#include "CorvaneApp/kit/TrackRowView.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"

namespace corvane {

TrackSelectionModel::TrackSelectionModel(PracticeSessionStore& store, QObject* parent)
    : TrackListModel(parent), store_(store)
{
    const auto renew = [this] {
        beginResetModel();
        endResetModel();
    };
    connect(&store_, &PracticeSessionStore::timelineNotesChanged, this, renew);
    connect(&store_, &PracticeSessionStore::trackNamesChanged, this, renew);
    connect(&store_, &PracticeSessionStore::trackSettingsChanged, this, [this] {
        if (rowCount() > 0) emit dataChanged(index(0), index(rowCount() - 1));
    });
}

int TrackSelectionModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(store_.colorTrackIndices().size());
}

TrackListModel::Kind TrackSelectionModel::kind(int) const { return Kind::track; }

std::int64_t TrackSelectionModel::trackAt(int row) const
{
    const auto& indices = store_.colorTrackIndices();
    return row >= 0 && std::size_t(row) < indices.size() ? indices[std::size_t(row)] : -1;
}

TrackListModel::Entry TrackSelectionModel::entry(int row) const
{
    const std::int64_t index = trackAt(row);
    const PracticeTrackSetting setting = store_.trackSetting(index);
    return {Kind::track, QString::fromStdString(store_.trackLabel(index)), index,
            TrackRowView::noteCountText(store_.trackNoteCount(index)), setting.hand, setting.isMuted};
}

int TrackSelectionModel::rowOfTrack(std::int64_t trackIndex) const
{
    const auto& indices = store_.colorTrackIndices();
    const auto found = std::lower_bound(indices.begin(), indices.end(), trackIndex);
    return found != indices.end() && *found == trackIndex ? int(found - indices.begin()) : -1;
}

void TrackSelectionModel::setHand(int row, PracticeTrackHand hand)
{
    if (const std::int64_t index = trackAt(row); index >= 0) store_.setTrackHand(hand, index);
}

void TrackSelectionModel::setMuted(int row, bool muted)
{
    if (const std::int64_t index = trackAt(row); index >= 0) store_.setTrackMuted(muted, index);
}

} // namespace corvane
