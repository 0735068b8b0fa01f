#include "CorvaneApp/kit/RetroKnob.hpp"

#include <QConicalGradient>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "CorvaneApp/kit/style/RetroPalette.hpp"
#include "CorvaneApp/kit/style/SpringAnimation.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"

namespace corvane {

namespace {
constexpr SpringAnimation knobSpring{0.24, 0.6};
}

double retroKnobSnapped(double candidate, const RetroKnobScale& scale)
{
    const auto clamp = [&](double v) { return std::clamp(v, scale.lower, std::max(scale.lower, scale.upper)); };
    const double inRange = clamp(std::isnan(candidate) ? scale.lower : candidate);
    return clamp(scale.lower + scale.step * std::round((inRange - scale.lower) / scale.step));
}

double retroKnobPointerAngle(double value, const RetroKnobScale& scale)
{
    if (!(scale.upper > scale.lower)) return -135;
    const double fraction = (value - scale.lower) / (scale.upper - scale.lower);
    if (!(fraction > 0)) return -135;
    return std::min(fraction, 1.0) * 270 - 135;
}

double retroKnobDragValue(double startValue, double dx, double dy, const RetroKnobScale& scale)
{
    return retroKnobSnapped(startValue + (scale.upper - scale.lower) * (dx - dy) / 180, scale);
}

RetroKnob::RetroKnob(RetroKnobScale scale, double bodySize, QWidget* parent)
    : QWidget(parent), scale_(scale), bodySize_(bodySize)
{
    const int side = int(std::ceil(1.62 * bodySize_));
    setFixedSize(side, side);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(QStringLiteral("Velocidade"));
    shownAngle_ = retroKnobPointerAngle(value_, scale_);
    spring_.setStartValue(0.0);
    spring_.setEndValue(1.0);
    spring_.setDuration(knobSpring.durationMilliseconds());
    connect(&spring_, &QVariantAnimation::valueChanged, this, [this](const QVariant& progress) {
        const double seconds = progress.toDouble() * spring_.duration() / 1000.0;
        shownAngle_ = springFrom_ + (springTo_ - springFrom_) * knobSpring.position(seconds);
        update();
    });
    connect(&spring_, &QVariantAnimation::finished, this, [this] {
        shownAngle_ = springTo_;
        update();
    });
}

void RetroKnob::setValue(double value)
{
    value_ = value;
    if (spring_.state() == QAbstractAnimation::Running) {
        springTo_ = retroKnobPointerAngle(value_, scale_);
        return;
    }
    const double angle = retroKnobPointerAngle(value_, scale_);
    if (angle == shownAngle_) return;
    shownAngle_ = angle;
    update();
}

void RetroKnob::setValueText(const QString& text)
{
    setAccessibleDescription(text);
    setToolTip(QStringLiteral("Velocidade: %1. Arraste para ajustar; clique duas vezes para voltar a 100%").arg(text));
}

void RetroKnob::increment() { write(value_ + scale_.step, false); }
void RetroKnob::decrement() { write(value_ - scale_.step, false); }

QSize RetroKnob::sizeHint() const { return size(); }

bool RetroKnob::hits(QPointF point) const
{
    const QPointF centre(width() / 2.0, height() / 2.0);
    const QPointF d = point - centre;
    return d.x() * d.x() + d.y() * d.y() <= (width() / 2.0) * (width() / 2.0);
}

void RetroKnob::write(double candidate, bool springs)
{
    const double snapped = retroKnobSnapped(candidate, scale_);
    if (springs) {
        springFrom_ = shownAngle_;
        springTo_ = retroKnobPointerAngle(snapped, scale_);
        spring_.stop();
        spring_.start();
    } else if (spring_.state() == QAbstractAnimation::Running) {
        spring_.stop();
        setValue(value_);
    }
    if (snapped == value_) return;
    value_ = snapped;
    if (!springs) setValue(snapped);
    emit valueEdited(snapped);
}

void RetroKnob::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !hits(event->position())) {
        event->ignore();
        return;
    }
    dragStartValue_ = value_;
    dragOrigin_ = event->position();
    write(*dragStartValue_, false);
}

void RetroKnob::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragStartValue_) return;
    const QPointF d = event->position() - dragOrigin_;
    write(retroKnobDragValue(*dragStartValue_, d.x(), d.y(), scale_), false);
}

void RetroKnob::mouseReleaseEvent(QMouseEvent*) { dragStartValue_.reset(); }

void RetroKnob::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!hits(event->position())) return;
    dragStartValue_.reset();
    write(1.0, true);
}

void RetroKnob::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Right: increment(); break;
    case Qt::Key_Down:
    case Qt::Key_Left: decrement(); break;
    default: QWidget::keyPressEvent(event);
    }
}

void RetroKnob::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(width() / 2.0, height() / 2.0);
    const double s = bodySize_;

    painter.setPen(Qt::NoPen);
    painter.setBrush(withOpacity(RetroPalette::amber(), 0.75));
    for (int i = 0; i <= 12; ++i) {
        painter.save();
        painter.translate(centre);
        painter.rotate(i / 12.0 * 270 - 135);
        painter.drawEllipse(QPointF(0, -0.65 * s), 1, 1);
        painter.restore();
    }

    const QRectF cap(centre.x() - s / 2, centre.y() - s / 2, s, s);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.35f));
    painter.drawEllipse(cap.translated(0, 2).adjusted(-1, -1, 1, 1));
    QLinearGradient body(cap.topLeft(), cap.bottomLeft());
    body.setColorAt(0, greyLevel(0.16));
    body.setColorAt(1, greyLevel(0.05));
    painter.setBrush(body);
    painter.drawEllipse(cap);
    // Qt's conical gradient turns anticlockwise from 3 o'clock; this puts
    // the rim light where a clockwise sweep from −40° would.
    QConicalGradient rim(centre, 90 + 40);
    rim.setColorAt(0, Qt::transparent);
    rim.setColorAt(0.25, Qt::transparent);
    rim.setColorAt(0.5, withOpacity(RetroPalette::amber(), 0.55));
    rim.setColorAt(0.75, withOpacity(RetroPalette::amber(), 0.12));
    rim.setColorAt(1, Qt::transparent);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QBrush(rim), 1.6));
    painter.drawEllipse(cap.adjusted(0.8, 0.8, -0.8, -0.8));

    painter.save();
    painter.translate(centre);
    painter.rotate(shownAngle_);
    painter.setPen(Qt::NoPen);
    painter.setBrush(RetroPalette::engraved());
    const double length = 0.4 * s;
    painter.drawRoundedRect(QRectF(-0.9, -0.26 * s - length / 2, 1.8, length), 0.9, 0.9);
    painter.restore();

    painter.setFont(studioLegend());
    painter.setPen(withOpacity(RetroPalette::engraved(), 0.5));
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("\u2212"));
    painter.drawText(rect(), Qt::AlignRight | Qt::AlignBottom, QStringLiteral("+"));

    if (hasFocus()) {
        painter.setPen(QPen(withOpacity(RetroPalette::amber(), 0.5), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(cap.adjusted(-2, -2, 2, 2));
    }
}

} // namespace corvane
