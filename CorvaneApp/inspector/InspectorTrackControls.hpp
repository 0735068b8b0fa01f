#pragma once

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <map>
#include <vector>

class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace corvane {

class PracticeSessionStore;
class StudioChipButton;
class StudioSectionLabel;
class TrackRowView;

// The inspector's track list: the open song's tracks that have notes, those
// that sound under "Tocando" and the muted ones under "Mudas", one row each,
// in a list at most 190 high that scrolls without bars. Its accessory, the
// "Só as atribuídas" chip, goes beside the section's title; a section that
// takes the accessory owns it, else this content does. Each track keeps its
// row: a change of hand or mute flag moves the row between the groups, so
// the list keeps its scroll position.
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
    QScrollArea& list() const { return *list_; }
    StudioSectionLabel& playingTitle() const { return *playingTitle_; }
    QLabel& nonePlayingText() const { return *nonePlaying_; }
    StudioSectionLabel& mutedTitle() const { return *mutedTitle_; }
    // The rows of each group, in track order.
    std::vector<TrackRowView*> playingRows() const;
    std::vector<TrackRowView*> mutedRows() const;
    // Null when the open song has no notes on that track.
    TrackRowView* row(std::int64_t trackIndex) const;

    // "1.234 notas": the row's subtitle.
    QString trackSubtitle(std::int64_t trackIndex) const;

private:
    void syncRows();
    void regroup();
    std::vector<TrackRowView*> rowsWhere(bool muted) const;

    PracticeSessionStore& store_;
    QPointer<QWidget> accessory_;
    StudioChipButton* onlyAssigned_ = nullptr;
    QLabel* emptyText_ = nullptr;
    QScrollArea* list_ = nullptr;
    QVBoxLayout* column_ = nullptr;
    StudioSectionLabel* playingTitle_ = nullptr;
    QLabel* nonePlaying_ = nullptr;
    StudioSectionLabel* mutedTitle_ = nullptr;
    std::map<std::int64_t, TrackRowView*> rows_;
};

} // namespace corvane
