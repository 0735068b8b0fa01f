#include "CorvaneApp/kit/internal/StudioColorSwatch.hpp"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "CorvaneApp/kit/style/RetroPalette.hpp"
#include "CorvaneApp/kit/internal/StudioCheckerboard.hpp"

namespace corvane {

namespace {
constexpr double cornerRadius = 5;
}

bool studioSwatchShowsCheckerboard(double opacity) { return opacity < 1; }

void paintStudioColorSwatch(QPainter& painter, const QRectF& rect, const QColor& color, double opacity)
{
    if (!rect.isValid()) return;
    QPainterPath shape;
    shape.addRoundedRect(rect, cornerRadius, cornerRadius);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipPath(shape, Qt::IntersectClip);
    if (studioSwatchShowsCheckerboard(opacity)) paintStudioCheckerboard(painter, rect, 3, greyLevel(0.44), greyLevel(0.3));
    // An opacity that is not a number shows the colour as it is.
    painter.fillPath(shape, withOpacity(color, std::isnan(opacity) ? 1.0 : std::clamp(opacity, 0.0, 1.0)));
    painter.setClipping(false);
    // Inset by half the line so the whole outline stays within the swatch.
    QPainterPath outline;
    outline.addRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius - 0.5, cornerRadius - 0.5);
    painter.strokePath(outline, QPen(QColor::fromRgbF(1, 1, 1, 0.18f), 1));
    painter.restore();
}

StudioColorSwatch::StudioColorSwatch(const QColor& color, double opacity, const QSizeF& size, QWidget* parent)
    : QWidget(parent), color_(color), opacity_(opacity)
{
    setFixedSize(size.toSize());
}

void StudioColorSwatch::setColor(const QColor& color)
{
    if (color == color_) return;
    color_ = color;
    update();
}

void StudioColorSwatch::setOpacity(double opacity)
{
    if (opacity == opacity_) return;
    opacity_ = opacity;
    update();
}

void StudioColorSwatch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintStudioColorSwatch(painter, rect(), color_, opacity_);
}

} // namespace corvane
