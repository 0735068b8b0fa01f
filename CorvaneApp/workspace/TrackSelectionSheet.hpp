#pragma once

#include <QDialog>

#include <cstdint>
#include <vector>

class QLabel;
class QPushButton;

namespace corvane {

class PracticeSessionStore;
class StudioChipButton;
class TrackListView;
class TrackRowView;
class TrackSelectionModel;

// The sheet over the practice screen that asks, for a song just opened with
// many tracks, which hand plays each track and which tracks stay out. Every
// choice goes to the controller at once; "Começar" (also Return or Enter,
// wherever the focus is) closes the sheet, and the window that shows it
// calls dismissTrackSelection() on `finished`, whichever way it closed.
// The list makes rows only for the tracks in view, so a song of 65,535
// tracks opens it as fast as one of four.
class TrackSelectionSheet : public QDialog {
    Q_OBJECT
public:
    static constexpr int sheetWidth = 420;
    static constexpr int sheetHeight = 480;

    explicit TrackSelectionSheet(PracticeSessionStore& store, QWidget* parent = nullptr);

    QLabel& titleLabel() const { return *title_; }
    QLabel& messageLabel() const { return *message_; }
    TrackListView& list() const { return *list_; }
    // One list row per track with notes, in track order.
    TrackSelectionModel& model() const { return *model_; }
    // The rows made now (those in view and next to it), in track order,
    // with the track index each reports.
    struct Row {
        std::int64_t trackIndex;
        TrackRowView* view;
    };
    std::vector<Row> rows() const;
    // Null when the open song has no notes on that track, or its row is not made.
    TrackRowView* row(std::int64_t trackIndex) const;
    StudioChipButton& onlyAssignedButton() const { return *onlyAssigned_; }
    StudioChipButton& allOnButton() const { return *allOn_; }
    QPushButton& startButton() const { return *start_; }
    // The visual preset's accent, the tint of the sheet's platform controls.
    QColor accent() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* makeHeader();
    QWidget* makeList();
    QWidget* makeFooter();
    void applySettings();
    void applyAccent();

    PracticeSessionStore& store_;
    TrackSelectionModel* model_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* message_ = nullptr;
    TrackListView* list_ = nullptr;
    StudioChipButton* onlyAssigned_ = nullptr;
    StudioChipButton* allOn_ = nullptr;
    QPushButton* start_ = nullptr;
};

} // namespace corvane
