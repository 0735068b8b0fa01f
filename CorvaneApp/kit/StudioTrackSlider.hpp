#pragma once

#include <QWidget>

#include <optional>

#include "CorvaneApp/kit/internal/StudioAdjustable.hpp"
#include "CorvaneApp/kit/StudioSliderTrack.hpp"

namespace corvane {

// The studio's slider, 20 high and as wide as it is given: a track with a
// fill and a round thumb, or with `discreteCells` a ladder of that many
// cells. The value lives with the caller: the slider draws `value()` and
// asks for a new one through `valueEdited` at every move of a drag, by key
// or by assistive technology, always clamped into the range, snapped to
// whole multiples of a positive step (counted from 0) and never
// re-emitting the value it holds.
class StudioTrackSlider : public QWidget, public StudioAdjustable {
    Q_OBJECT
public:
    StudioTrackSlider(double lower, double upper, std::optional<double> step = std::nullopt,
                      std::optional<StudioSliderTrack> track = std::nullopt,
                      std::optional<int> discreteCells = std::nullopt, QWidget* parent = nullptr);

    double value() const { return value_; }
    // Shows the caller's value; no signal.
    void setValue(double value);

    double lower() const { return lower_; }
    double upper() const { return upper_; }
    // An upper bound below the lower one makes an empty range at `lower`.
    void setRange(double lower, double upper);
    std::optional<double> step() const { return step_; }
    // A step that is not a positive finite number snaps nothing.
    void setStep(std::optional<double> step);
    // Absent: an accent track in the widget's studio accent.
    const std::optional<StudioSliderTrack>& track() const { return track_; }
    void setTrack(std::optional<StudioSliderTrack> track);
    std::optional<int> discreteCells() const { return discreteCells_; }
    void setDiscreteCells(std::optional<int> cells);

    double thumbSize() const { return thumbSize_; }
    void setThumbSize(double size);
    double trackHeight() const { return trackHeight_; }
    void setTrackHeight(double height);
    double cellHeight() const { return cellHeight_; }
    void setCellHeight(double height);

    // Where the value sits along the range, 0...1 (0 for an empty range or
    // a value that is not a number).
    double fraction() const;
    // How many of the ladder's cells are lit.
    int litCells() const;
    // How many cells the ladder draws at the present width: one per cell
    // while each is at least a pixel wide, else fewer, each standing for a run.
    int drawnCells() const;

    // Assistive technology and the arrow keys: one step, or a twentieth of
    // the range when there is no step.
    QString accessibleValueText() const override;
    void accessibleIncrement() override;
    void accessibleDecrement() override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void valueEdited(double value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool snaps() const;
    double travel() const;
    double inset() const;
    void dragTo(double x);
    void adjust(int direction);
    // Snaps, clamps and writes `candidate` when it is new.
    void write(double candidate);
    QColor fillColor() const;
    void paintContinuous(QPainter& painter) const;
    void paintLadder(QPainter& painter) const;

    double value_ = 0;
    double lower_;
    double upper_;
    std::optional<double> step_;
    std::optional<StudioSliderTrack> track_;
    std::optional<int> discreteCells_;
    double thumbSize_ = 14;
    double trackHeight_ = 6;
    double cellHeight_ = 10;
    bool dragging_ = false;
};

} // namespace corvane
