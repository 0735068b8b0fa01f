#include "CorvaneApp/window/DropHighlight.hpp"

#include <QPainter>
#include <QPropertyAnimation>

#include "CorvaneApp/kit/style/StudioAccent.hpp"

namespace corvane {

DropHighlight::DropHighlight(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    fade_ = new QPropertyAnimation(this, "opacity", this);
    fade_->setDuration(fadeMilliseconds);
    fade_->setEasingCurve(QEasingCurve::OutQuad);
    connect(fade_, &QPropertyAnimation::finished, this, [this] {
        if (!targeted_) hide();
    });
    hide();
}

void DropHighlight::setTargeted(bool targeted)
{
    if (targeted == targeted_) return;
    targeted_ = targeted;
    fade_->stop();
    fade_->setStartValue(opacity_);
    fade_->setEndValue(targeted ? 1.0 : 0.0);
    if (targeted) {
        show();
        raise();
    }
    fade_->start();
}

void DropHighlight::setOpacity(double opacity)
{
    opacity_ = opacity;
    update();
}

void DropHighlight::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(opacity_);
    // Stroked inside the shape's border: the pen's middle runs half a line in.
    const double half = lineWidth / 2;
    const QRectF outline = QRectF(rect()).adjusted(inset + half, inset + half, -inset - half, -inset - half);
    QPen pen(studioAccent(this), lineWidth);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(outline, cornerRadius - half, cornerRadius - half);
}

} // namespace corvane
