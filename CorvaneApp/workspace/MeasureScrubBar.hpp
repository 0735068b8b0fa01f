#pragma once

#include <QColor>
#include <QPixmap>
#include <QRectF>
#include <QWidget>

#include "CorvaneApp/workspace/MeasureScrubGestures.hpp"

namespace corvane {

class PracticeSessionStore;

// The ruler of the open song's measures under the stage, with the loop
// bracket and the playhead. A drag along the top seeks; a drag in the loop
// lane draws a new loop or moves an end of the active one. Everything drawn
// is read from the controller; a playhead step repaints only the strips it
// leaves and enters.
class MeasureScrubBar : public QWidget {
    Q_OBJECT
public:
    explicit MeasureScrubBar(PracticeSessionStore& store, QWidget* parent = nullptr);

    void setAccent(const QColor& accent);
    const QColor& accent() const { return accent_; }
    const MeasureScrubGestures& gestures() const { return gestures_; }
    // The x of the playhead now.
    double playheadX() const;

    QSize sizeHint() const override { return {600, int(MeasureScrubLayout::rowHeight)}; }

    // Where a measure number `textWidth` wide is drawn, centred on its tick
    // at `tickX` but kept inside a ruler `rulerWidth` wide (the first one sits
    // on the left edge).
    static QRectF measureLabelBox(double tickX, double textWidth, double textHeight, double rulerWidth);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum class Band { none, seek, loop };
    void rulerChanged();
    void playheadMoved();
    QRect playheadStrip(int x) const;
    void paintRuler(QPainter& painter) const;

    PracticeSessionStore& store_;
    MeasureScrubGestures gestures_;
    QColor accent_;
    QPixmap ruler_;
    bool rulerValid_ = false;
    int shownPlayheadX_ = 0;
    Band band_ = Band::none;
    double dragStartX_ = 0;
};

} // namespace corvane
