#pragma once

#include <QVariantAnimation>
#include <QWidget>

#include <optional>

namespace corvane {

// The knob's range and grid: every written value is lower + k × step, within the range.
struct RetroKnobScale {
    double lower = 0.25;
    double upper = 2.0;
    double step = 0.05;
    bool operator==(const RetroKnobScale&) const = default;
};

// `candidate` clamped, put on the grid that starts at `lower` (halves away
// from zero), clamped again.
double retroKnobSnapped(double candidate, const RetroKnobScale& scale);
// Degrees clockwise from straight up, −135 at the lower bound to +135 at the upper.
double retroKnobPointerAngle(double value, const RetroKnobScale& scale);
// A drag of `dx` right and `dy` down from a drag that began at `startValue`:
// 180 pixels right or up cross the whole range. Snapped.
double retroKnobDragValue(double startValue, double dx, double dy, const RetroKnobScale& scale);

// The rotary speed knob of the practice deck. The value lives with the
// caller: the knob draws `value()` and asks for a new one through
// `valueEdited`, only when the snapped value differs from the shown one.
class RetroKnob : public QWidget {
    Q_OBJECT
public:
    explicit RetroKnob(RetroKnobScale scale, double bodySize, QWidget* parent = nullptr);

    double value() const { return value_; }
    // Shows the caller's value; no signal.
    void setValue(double value);
    // The caller's read-out, for the tooltip and accessibility.
    void setValueText(const QString& text);
    const RetroKnobScale& scale() const { return scale_; }
    // The angle the pointer is drawn at now (it springs after a double click).
    double shownAngle() const { return shownAngle_; }

    // The accessibility adjustments: one step up or down.
    void increment();
    void decrement();

    QSize sizeHint() const override;

signals:
    void valueEdited(double value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool hits(QPointF point) const;
    void write(double candidate, bool springs);

    RetroKnobScale scale_;
    double bodySize_;
    double value_ = 1.0;
    double shownAngle_ = 0;
    std::optional<double> dragStartValue_;
    QPointF dragOrigin_;
    QVariantAnimation spring_;
    double springFrom_ = 0;
    double springTo_ = 0;
};

} // namespace corvane
