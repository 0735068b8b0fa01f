#include "CorvaneApp/kit/StudioTrackSlider.hpp"

#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "CorvaneApp/kit/style/StudioAccent.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"

namespace corvane {

namespace {

constexpr int sliderHeight = 20;
constexpr double cellSpacing = 3;
const QColor unlitCell = QColor::fromRgbF(1, 1, 1, 0.12f);

// `value` within [lower, upper]; an upper bound below the lower one leaves
// only `lower`, and a value that is not a number counts as `lower`.
double clampedInto(double value, double lower, double upper)
{
    if (std::isnan(value)) value = lower;
    if (value > upper) value = upper;
    if (value < lower) value = lower;
    return value;
}

void fillRounded(QPainter& painter, const QRectF& rect, const QColor& color, double radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    painter.fillPath(path, color);
}

} // namespace

StudioTrackSlider::StudioTrackSlider(double lower, double upper, std::optional<double> step,
                                     std::optional<StudioSliderTrack> track, std::optional<int> discreteCells,
                                     QWidget* parent)
    : QWidget(parent), value_(lower), lower_(lower), upper_(upper), step_(step), track_(std::move(track)),
      discreteCells_(discreteCells)
{
    installStudioAccessibility();
    setFixedHeight(sliderHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
}

void StudioTrackSlider::setValue(double value)
{
    if (value == value_) return;
    value_ = value;
    update();
}

void StudioTrackSlider::setRange(double lower, double upper)
{
    lower_ = lower;
    upper_ = upper;
    update();
}

void StudioTrackSlider::setStep(std::optional<double> step) { step_ = step; }

void StudioTrackSlider::setTrack(std::optional<StudioSliderTrack> track)
{
    if (track == track_) return;
    track_ = std::move(track);
    update();
}

void StudioTrackSlider::setDiscreteCells(std::optional<int> cells)
{
    discreteCells_ = cells;
    update();
}

void StudioTrackSlider::setThumbSize(double size)
{
    thumbSize_ = size;
    update();
}

void StudioTrackSlider::setTrackHeight(double height)
{
    trackHeight_ = height;
    update();
}

void StudioTrackSlider::setCellHeight(double height)
{
    cellHeight_ = height;
    update();
}

bool StudioTrackSlider::snaps() const { return step_ && std::isfinite(*step_) && *step_ > 0; }

double StudioTrackSlider::fraction() const
{
    const double span = upper_ - lower_;
    if (!(span > 0)) return 0;
    const double f = (value_ - lower_) / span;
    if (!(f > 0)) return 0;
    return std::min(f, 1.0);
}

int StudioTrackSlider::litCells() const
{
    if (!discreteCells_ || *discreteCells_ <= 0) return 0;
    const double lit = std::round(value_ - lower_);
    if (!(lit > 0)) return 0;
    return lit >= *discreteCells_ ? *discreteCells_ : int(lit);
}

int StudioTrackSlider::drawnCells() const
{
    if (!discreteCells_ || *discreteCells_ <= 0) return 0;
    // n cells of at least a pixel with their gaps need 4n − 3 pixels.
    const double room = std::floor((width() + cellSpacing) / (1 + cellSpacing));
    return room >= *discreteCells_ ? *discreteCells_ : std::max(int(room), 0);
}

double StudioTrackSlider::travel() const
{
    return discreteCells_ ? std::max(double(width()), 1.0) : std::max(width() - thumbSize_, 1.0);
}

double StudioTrackSlider::inset() const { return discreteCells_ ? 0 : thumbSize_ / 2; }

void StudioTrackSlider::dragTo(double x)
{
    const double f = (x - inset()) / travel();
    write(lower_ + (upper_ - lower_) * (std::isnan(f) ? 0 : std::clamp(f, 0.0, 1.0)));
}

void StudioTrackSlider::adjust(int direction)
{
    double amount = (upper_ - lower_) / 20;
    if (step_) {
        // A step that cannot snap cannot move either.
        if (!snaps()) return;
        amount = *step_;
    }
    write(clampedInto(value_, lower_, upper_) + direction * amount);
}

void StudioTrackSlider::write(double candidate)
{
    double v = candidate;
    if (snaps()) {
        const double snapped = *step_ * std::round(v / *step_);
        if (std::isfinite(snapped)) v = snapped;
    }
    v = clampedInto(v, lower_, upper_);
    if (!std::isfinite(v) || v == value_) return;
    value_ = v;
    update();
    emit valueEdited(v);
}

QString StudioTrackSlider::accessibleValueText() const { return QLocale().toString(value_, 'f', 2); }
void StudioTrackSlider::accessibleIncrement() { adjust(+1); }
void StudioTrackSlider::accessibleDecrement() { adjust(-1); }

QSize StudioTrackSlider::sizeHint() const { return QSize(120, sliderHeight); }
QSize StudioTrackSlider::minimumSizeHint() const { return QSize(int(std::ceil(std::max(thumbSize_, 0.0))), sliderHeight); }

void StudioTrackSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    dragging_ = true;
    dragTo(event->position().x());
}

void StudioTrackSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging_) dragTo(event->position().x());
}

void StudioTrackSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) dragging_ = false;
}

void StudioTrackSlider::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Right: adjust(+1); break;
    case Qt::Key_Down:
    case Qt::Key_Left: adjust(-1); break;
    default: QWidget::keyPressEvent(event);
    }
}

QColor StudioTrackSlider::fillColor() const
{
    if (!track_) return studioAccent(this);
    return track_->accentColor().value_or(StudioAppearance::amber());
}

void StudioTrackSlider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (discreteCells_) paintLadder(painter);
    else paintContinuous(painter);
}

void StudioTrackSlider::paintContinuous(QPainter& painter) const
{
    const double w = width();
    const double h = height();
    const double travelled = travel() * fraction();
    const QRectF trackRect(0, (h - trackHeight_) / 2, w, trackHeight_);
    paintStudioSliderTrack(painter, trackRect, track_.value_or(StudioSliderTrack::accent(studioAccent(this))));
    // Only a plain track shows how far it is filled; a gradient says it itself.
    if (!track_ || track_->accentColor()) {
        const QRectF fill(0, trackRect.top(), travelled + thumbSize_ / 2, trackHeight_);
        fillRounded(painter, fill, fillColor(), std::min(fill.width(), fill.height()) / 2);
    }

    const QRectF thumb(travelled, (h - thumbSize_) / 2, thumbSize_, thumbSize_);
    painter.setPen(Qt::NoPen);
    // A soft shadow 1 below: three rings that darken towards the middle.
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.17f));
    for (double spread : {1.5, 1.0, 0.5})
        painter.drawEllipse(thumb.translated(0, 1).adjusted(-spread, -spread, spread, spread));
    painter.setBrush(Qt::white);
    painter.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.35f), 0.5));
    painter.drawEllipse(thumb);
}

void StudioTrackSlider::paintLadder(QPainter& painter) const
{
    const int shown = drawnCells();
    if (shown == 0) return;
    const int cells = *discreteCells_;
    const int lit = litCells();
    const double cellWidth = (width() - cellSpacing * (shown - 1)) / shown;
    const QColor litColor = fillColor();
    for (int i = 0; i < shown; ++i) {
        // When cells are merged, each drawn one is lit by the cell in its middle.
        const double middle = std::floor((i + 0.5) * double(cells) / shown);
        const QRectF cell(i * (cellWidth + cellSpacing), (height() - cellHeight_) / 2, cellWidth, cellHeight_);
        fillRounded(painter, cell, middle < lit ? litColor : unlitCell, 2);
    }
}

} // namespace corvane
