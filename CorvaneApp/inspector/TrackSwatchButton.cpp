#include "CorvaneApp/inspector/TrackSwatchButton.hpp"

#include <QPainter>

#include "CorvaneApp/kit/style/StudioAppearance.hpp"

namespace corvane {

TrackSwatchButton::TrackSwatchButton(std::int64_t trackIndex, QWidget* parent)
    : QAbstractButton(parent), trackIndex_(trackIndex)
{
    setFixedSize(side, side);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
}

void TrackSwatchButton::setColor(const QColor& color)
{
    if (color == color_) return;
    color_ = color;
    update();
}

void TrackSwatchButton::setCurrent(bool current)
{
    if (current == current_) return;
    current_ = current;
    update();
}

void TrackSwatchButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF disc = QRectF(rect()).adjusted(1, 1, -1, -1);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color_);
    painter.drawEllipse(disc);
    QColor ring = current_ ? StudioAppearance::primaryText() : StudioAppearance::secondaryText();
    if (!current_) ring.setAlphaF(ring.alphaF() * 0.4f);
    // The ring is drawn inside the disc's edge so the widget never cuts it.
    const double width = ringWidth();
    painter.setPen(QPen(ring, width));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(disc.adjusted(width / 2, width / 2, -width / 2, -width / 2));
}

} // namespace corvane
