#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QWidget>

#include <cstdint>
#include <vector>

class QLabel;

namespace corvane {

class PracticeSessionStore;
class StudioColorRow;
class StudioMenuRow;
class VisualPresetRows;

// The track whose colour the palette edits: the chosen one while the song
// has notes on it, else the song's first track with notes (0 without any).
// The choice itself is never corrected, so it comes back with a song that has it.
std::int64_t resolvedTrackIndex(std::int64_t selectedTrackIndex, const std::vector<std::int64_t>& colorTrackIndices);

// One track's colour in the palette: a 22-point disc, ringed brighter when
// it is the track being edited. A press chooses the track.
class TrackSwatchButton : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int side = 22;

    TrackSwatchButton(std::int64_t trackIndex, QWidget* parent = nullptr);

    std::int64_t trackIndex() const { return trackIndex_; }
    const QColor& color() const { return color_; }
    void setColor(const QColor& color);
    bool isCurrent() const { return current_; }
    void setCurrent(bool current);
    // The ring: 2 wide in the primary text colour when current, else 1 wide
    // in the secondary text colour at 0.4.
    double ringWidth() const { return current_ ? 2 : 1; }

    QSize sizeHint() const override { return QSize(side, side); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::int64_t trackIndex_;
    QColor color_;
    bool current_ = false;
};

// The swatches in rows from the leading edge, 8 apart both ways, as many to
// a row as the width allows.
class TrackSwatchGrid : public QWidget {
    Q_OBJECT
public:
    static constexpr int spacing = 8;

    explicit TrackSwatchGrid(QWidget* parent = nullptr);

    // One swatch per track, in this order; kept when the tracks are the same.
    void setTracks(const std::vector<std::int64_t>& trackIndices);
    const std::vector<TrackSwatchButton*>& swatches() const { return swatches_; }
    int columns() const { return columnsFor(width()); }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // A swatch was pressed.
    void trackChosen(std::int64_t trackIndex);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int columnsFor(int width) const;
    void place();

    std::vector<TrackSwatchButton*> swatches_;
};

// The "Cor" category of the visual page: one colour for all notes (the
// accent, which also tints the panel) or one per track, the light of pressed
// keys, and the notes' speed and glow. The track being edited is the
// page's: it outlives a switch of category.
class VisualColorControls : public QWidget {
    Q_OBJECT
public:
    VisualColorControls(PracticeSessionStore& store, std::int64_t& selectedTrackIndex, QWidget* parent = nullptr);

    VisualPresetRows& rows() const { return *rows_; }
    StudioMenuRow& distributionRow() const { return *distribution_; }
    StudioMenuRow& trackRow() const { return *trackRow_; }
    TrackSwatchGrid& swatchGrid() const { return *swatches_; }
    StudioColorRow& trackColorRow() const { return *trackColor_; }
    // "Abra uma música com tracks de notas para configurar a paleta."
    QLabel& hintText() const { return *hint_; }
    StudioColorRow& noteColorRow() const { return *noteColor_; }

    std::int64_t selectedTrackIndex() const { return selected_; }
    std::int64_t editedTrackIndex() const;
    // What the "Track" menu and the swatches do: no write to the look.
    void selectTrack(std::int64_t trackIndex);

private:
    void syncTracks();
    void syncPalette();

    PracticeSessionStore& store_;
    std::int64_t& selected_;
    VisualPresetRows* rows_;
    StudioMenuRow* distribution_ = nullptr;
    StudioMenuRow* trackRow_ = nullptr;
    TrackSwatchGrid* swatches_ = nullptr;
    StudioColorRow* trackColor_ = nullptr;
    QLabel* hint_ = nullptr;
    StudioColorRow* noteColor_ = nullptr;
    std::vector<std::int64_t> shownTracks_;
    std::vector<QString> shownLabels_;
};

} // namespace corvane
