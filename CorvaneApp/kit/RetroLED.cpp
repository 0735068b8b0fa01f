#include "CorvaneApp/kit/RetroLED.hpp"

#include <QPainter>

#include "CorvaneApp/kit/style/RetroChrome.hpp"
#include "CorvaneApp/kit/style/RetroPalette.hpp"

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
    paintLampBody(painter, body, 1.5, greyLevel(0.16), level, 0.6, 0.8);
}

} // namespace corvane
