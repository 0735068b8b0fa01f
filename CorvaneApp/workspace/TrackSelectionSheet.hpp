#pragma once

#include <QDialog>

#include <cstdint>
#include <vector>

class QLabel;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace corvane {

class PracticeSessionStore;
class StudioChipButton;
class TrackRowView;

// The sheet over the practice screen that asks, for a song just opened with
// many tracks, which hand plays each track and which tracks stay out. Every
// choice goes to the controller at once; "Começar" (also Return or Enter,
// wherever the focus is) closes the sheet, and the window that shows it
// calls dismissTrackSelection() on `finished`, whichever way it closed.
class TrackSelectionSheet : public QDialog {
    Q_OBJECT
public:
    static constexpr int sheetWidth = 420;
    static constexpr int sheetHeight = 480;

    explicit TrackSelectionSheet(PracticeSessionStore& store, QWidget* parent = nullptr);

    QLabel& titleLabel() const { return *title_; }
    QLabel& messageLabel() const { return *message_; }
    QScrollArea& list() const { return *list_; }
    // The rows in track order, with the track index each reports.
    struct Row {
        std::int64_t trackIndex;
        TrackRowView* view;
    };
    const std::vector<Row>& rows() const { return rows_; }
    // Null when the open song has no notes on that track.
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
    void syncRows();
    void applySettings();
    void applyAccent();

    PracticeSessionStore& store_;
    QLabel* title_ = nullptr;
    QLabel* message_ = nullptr;
    QScrollArea* list_ = nullptr;
    QVBoxLayout* rowStack_ = nullptr;
    std::vector<Row> rows_;
    StudioChipButton* onlyAssigned_ = nullptr;
    StudioChipButton* allOn_ = nullptr;
    QPushButton* start_ = nullptr;
};

} // namespace corvane
