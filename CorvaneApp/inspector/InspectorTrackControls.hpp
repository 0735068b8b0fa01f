#pragma once

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <vector>

class QLabel;

namespace corvane {

class InspectorTrackModel;
class PracticeSessionStore;
class StudioChipButton;
class StudioSectionLabel;
class TrackListView;
class TrackRowView;

// The inspector's track list: the open song's tracks that have notes, those
// that sound under "Tocando" and the muted ones under "Mudas", one row each,
// in a list at most 190 high that scrolls without bars and makes rows only
// for what is in view. Its accessory, the "Só as atribuídas" chip, goes
// beside the section's title; a section that takes the accessory owns it,
// else this content does. A change of hand or mute flag regroups the list
// where it stands: the tracks in view keep their rows and the list its
// scroll position.
class InspectorTrackControls : public QWidget {
    Q_OBJECT
public:
    static constexpr int maximumListHeight = 190;

    explicit InspectorTrackControls(PracticeSessionStore& store, QWidget* parent = nullptr);
    ~InspectorTrackControls() override;

    // The widget for the section's header; empty while every playable track has a hand.
    QWidget* accessory() const { return accessory_; }
    StudioChipButton& onlyAssignedButton() const { return *onlyAssigned_; }

    // "Abra uma música para ver as faixas.", shown instead of the list without tracks.
    QLabel& emptyText() const { return *emptyText_; }
    TrackListView& list() const { return *list_; }
    InspectorTrackModel& model() const { return *model_; }
    // The titles and the note of an empty "Tocando" as made now; null while
    // not shown or out of view.
    StudioSectionLabel* playingTitle() const;
    QLabel* nonePlayingText() const;
    StudioSectionLabel* mutedTitle() const;
    // The rows made now of each group, in track order.
    std::vector<TrackRowView*> playingRows() const;
    std::vector<TrackRowView*> mutedRows() const;
    // Null when the open song has no notes on that track, or its row is not made.
    TrackRowView* row(std::int64_t trackIndex) const;

private:
    void applySettings();
    void fitHeight();
    std::vector<TrackRowView*> rowsWhere(bool muted) const;

    PracticeSessionStore& store_;
    InspectorTrackModel* model_;
    QPointer<QWidget> accessory_;
    StudioChipButton* onlyAssigned_ = nullptr;
    QLabel* emptyText_ = nullptr;
    TrackListView* list_ = nullptr;
};

} // namespace corvane
