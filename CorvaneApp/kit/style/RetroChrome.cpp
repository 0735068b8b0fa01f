#include "CorvaneApp/kit/style/RetroChrome.hpp"

#include <QPainter>

#include "CorvaneApp/kit/style/RetroPalette.hpp"

namespace corvane {

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

void paintLampBody(QPainter& painter, const QRectF& body, double cornerRadius, const QBrush& unlit, double level,
                   double rimOpacity, double rimWidth)
{
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(unlit);
    painter.drawRoundedRect(body, cornerRadius, cornerRadius);
    if (level > 0) {
        painter.setOpacity(painter.opacity() * level);
        painter.setBrush(RetroPalette::lampGradient(body.top(), body.bottom()));
        painter.drawRoundedRect(body, cornerRadius, cornerRadius);
    }
    painter.restore();
    painter.save();
    // The rim's stroke sits wholly inside the body.
    const double inset = rimWidth / 2;
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor::fromRgbF(0, 0, 0, float(rimOpacity)), rimWidth));
    painter.drawRoundedRect(body.adjusted(inset, inset, -inset, -inset), cornerRadius - inset, cornerRadius - inset);
    painter.restore();
}

void paintRecessedBezel(QPainter& painter, const QRectF& bezel, double depth, double rimLight)
{
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, float(depth)));
    painter.drawRoundedRect(bezel, 5, 5);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, float(rimLight)), 1));
    painter.drawRoundedRect(bezel.adjusted(0.5, 0.5, -0.5, -0.5), 4.5, 4.5);
    painter.restore();
}

} // namespace corvane
