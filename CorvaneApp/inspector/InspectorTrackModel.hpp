#pragma once

#include <vector>

#include "CorvaneApp/kit/TrackListModel.hpp"

namespace corvane {

class PracticeSessionStore;

// The inspector's track list: the title "Tocando" over the tracks that sound
// (or "Nenhuma faixa tocando."), then, when any is muted, the title "Mudas"
// over the muted ones; each group in track order, the names in capitals.
// Empty without a song. It regroups whenever the settings change.
class InspectorTrackModel : public TrackListModel {
    Q_OBJECT
public:
    explicit InspectorTrackModel(PracticeSessionStore& store, QObject* parent = nullptr);

    // The tracks of each group, in track order.
    const std::vector<std::int64_t>& playing() const { return playing_; }
    const std::vector<std::int64_t>& muted() const { return muted_; }
    // The list rows of the two titles; -1 for a group not shown.
    int playingTitleRow() const { return playing_.empty() && muted_.empty() ? -1 : 0; }
    int mutedTitleRow() const;
    // The list row of "Nenhuma faixa tocando."; -1 while a track sounds.
    int nonePlayingRow() const { return playing_.empty() && !muted_.empty() ? 1 : -1; }

    int rowCount(const QModelIndex& parent = {}) const override;
    Kind kind(int row) const override;
    Entry entry(int row) const override;
    int rowOfTrack(std::int64_t trackIndex) const override;
    void setHand(int row, PracticeTrackHand hand) override;
    void setMuted(int row, bool muted) override;

private:
    void regroup();
    // The track of a list row; -1 for a title or note.
    std::int64_t trackAt(int row) const;

    PracticeSessionStore& store_;
    std::vector<std::int64_t> playing_;
    std::vector<std::int64_t> muted_;
};

} // namespace corvane
