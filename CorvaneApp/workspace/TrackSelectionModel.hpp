#pragma once

#include "CorvaneApp/kit/TrackListModel.hpp"

namespace corvane {

class PracticeSessionStore;

// The track selection sheet's list: every track of the open song that has
// notes, in track order, named and counted as the controller has them,
// each choice going to the controller.
class TrackSelectionModel : public TrackListModel {
    Q_OBJECT
public:
    explicit TrackSelectionModel(PracticeSessionStore& store, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    Kind kind(int row) const override;
    Entry entry(int row) const override;
    int rowOfTrack(std::int64_t trackIndex) const override;
    void setHand(int row, PracticeTrackHand hand) override;
    void setMuted(int row, bool muted) override;

private:
    std::int64_t trackAt(int row) const;

    PracticeSessionStore& store_;
};

} // namespace corvane
