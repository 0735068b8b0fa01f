#include "CorvaneApp/inspector/InspectorTrackModel.hpp"

#include <algorithm>

#include "CorvaneApp/kit/TrackRowView.hpp"
#include "CorvaneApp/kit/style/StudioLocale.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"

namespace corvane {

InspectorTrackModel::InspectorTrackModel(PracticeSessionStore& store, QObject* parent)
    : TrackListModel(parent), store_(store)
{
    for (auto changed : {&PracticeSessionStore::timelineNotesChanged, &PracticeSessionStore::trackNamesChanged,
                         &PracticeSessionStore::trackSettingsChanged})
        connect(&store_, changed, this, &InspectorTrackModel::regroup);
    regroup();
}

void InspectorTrackModel::regroup()
{
    beginResetModel();
    playing_.clear();
    muted_.clear();
    for (const std::int64_t index : store_.colorTrackIndices())
        (store_.trackSetting(index).isMuted ? muted_ : playing_).push_back(index);
    endResetModel();
}

int InspectorTrackModel::mutedTitleRow() const
{
    return muted_.empty() ? -1 : 1 + std::max<int>(1, int(playing_.size()));
}

int InspectorTrackModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || (playing_.empty() && muted_.empty())) return 0;
    return 1 + std::max<int>(1, int(playing_.size())) + (muted_.empty() ? 0 : 1 + int(muted_.size()));
}

TrackListModel::Kind InspectorTrackModel::kind(int row) const
{
    if (row == playingTitleRow() || row == mutedTitleRow()) return Kind::title;
    if (row == nonePlayingRow()) return Kind::note;
    return Kind::track;
}

std::int64_t InspectorTrackModel::trackAt(int row) const
{
    if (kind(row) != Kind::track || row < 1 || row >= rowCount()) return -1;
    const int mutedTitle = mutedTitleRow();
    if (mutedTitle < 0 || row < mutedTitle) return playing_[std::size_t(row - 1)];
    return muted_[std::size_t(row - mutedTitle - 1)];
}

TrackListModel::Entry InspectorTrackModel::entry(int row) const
{
    switch (kind(row)) {
    case Kind::title:
        return {Kind::title, row == 0 ? QStringLiteral("Tocando") : QStringLiteral("Mudas"), -1, {}, {}, false};
    case Kind::note: return {Kind::note, QStringLiteral("Nenhuma faixa tocando."), -1, {}, {}, false};
    case Kind::track: break;
    }
    const std::int64_t index = trackAt(row);
    const PracticeTrackSetting setting = store_.trackSetting(index);
    return {Kind::track, studioLocale().toUpper(QString::fromStdString(store_.trackLabel(index))), index,
            TrackRowView::noteCountText(store_.trackNoteCount(index)), setting.hand, setting.isMuted};
}

int InspectorTrackModel::rowOfTrack(std::int64_t trackIndex) const
{
    for (const auto* group : {&playing_, &muted_}) {
        const auto found = std::lower_bound(group->begin(), group->end(), trackIndex);
        if (found == group->end() || *found != trackIndex) continue;
        const int offset = int(found - group->begin()) + 1;
        return group == &playing_ ? offset : mutedTitleRow() + offset;
    }
    return -1;
}

void InspectorTrackModel::setHand(int row, PracticeTrackHand hand)
{
    if (const std::int64_t index = trackAt(row); index >= 0) store_.setTrackHand(hand, index);
}

void InspectorTrackModel::setMuted(int row, bool muted)
{
    if (const std::int64_t index = trackAt(row); index >= 0) store_.setTrackMuted(muted, index);
}

} // namespace corvane
