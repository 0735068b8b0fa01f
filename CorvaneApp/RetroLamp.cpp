#include "CorvaneApp/RetroLamp.hpp"

#include <QPainter>

#include "CorvaneApp/RetroPalette.hpp"

namespace corvane {

LampLevel::LampLevel(QObject* parent) : QObject(parent)
{
    animation_.setDuration(durationMilliseconds);
    animation_.setEasingCurve(QEasingCurve::OutCubic);
    connect(&animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        level_ = value.toDouble();
        emit changed();
    });
}

void LampLevel::setOn(bool on)
{
    if (on == isOn_) return;
    isOn_ = on;
    animation_.stop();
    animation_.setStartValue(level_);
    animation_.setEndValue(on ? 1.0 : 0.0);
    animation_.start();
}

void paintGlow(QPainter& painter, const QRectF& rect, double cornerRadius, const QColor& color, double radius,
               double strength)
{
    if (strength <= 0) return;
    painter.save();
    painter.setPen(Qt::NoPen);
    constexpr int rings = 5;
    for (int i = rings; i >= 1; --i) {
        const double grow = radius * i / rings;
        painter.setBrush(withOpacity(color, strength * 0.22 * (1.0 - double(i - 1) / rings)));
        painter.drawRoundedRect(rect.adjusted(-grow, -grow, grow, grow), cornerRadius + grow, cornerRadius + grow);
    }
    painter.restore();
}

RetroLED::RetroLED(QWidget* parent) : QWidget(parent)
{
    setFixedSize(21, 14);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(&lamp_, &LampLevel::changed, this, qOverload<>(&QWidget::update));
}

void RetroLED::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF body(5, 3, 11, 8);
    const double level = lamp_.level();
    paintGlow(painter, body, 1.5, RetroPalette::lampOn(), 5, 0.8 * level);
    painter.setPen(Qt::NoPen);
    painter.setBrush(greyLevel(0.16));
    painter.drawRoundedRect(body, 1.5, 1.5);
    if (level > 0) {
        painter.setOpacity(level);
        painter.setBrush(RetroPalette::lampGradient(body.top(), body.bottom()));
        painter.drawRoundedRect(body, 1.5, 1.5);
        painter.setOpacity(1);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.6f), 0.8));
    painter.drawRoundedRect(body.adjusted(0.4, 0.4, -0.4, -0.4), 1.1, 1.1);
}

} // namespace corvane
