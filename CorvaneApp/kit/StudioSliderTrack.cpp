#include "CorvaneApp/kit/StudioSliderTrack.hpp"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "CorvaneApp/kit/style/RetroPalette.hpp"
#include "CorvaneApp/kit/internal/StudioCheckerboard.hpp"

namespace corvane {

namespace {

float unit(double value) { return std::isnan(value) ? 0.0f : float(std::clamp(value, 0.0, 1.0)); }

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};

QLinearGradient leftToRight(const QRectF& rect)
{
    return QLinearGradient(rect.topLeft(), rect.topRight());
}

} // namespace

QColor studioHsbColor(double hue, double saturation, double brightness, double opacity)
{
    float h = unit(hue);
    if (h >= 1.0f) h = 0; // the circle closes: 1 is red like 0
    return QColor::fromHsvF(h, unit(saturation), unit(brightness), unit(opacity));
}

std::optional<QColor> StudioSliderTrack::accentColor() const
{
    if (auto accent = std::get_if<Accent>(&look)) return accent->color;
    return std::nullopt;
}

void paintStudioSliderTrack(QPainter& painter, const QRectF& rect, const StudioSliderTrack& track)
{
    if (!rect.isValid()) return;
    const double radius = std::min(rect.width(), rect.height()) / 2;
    QPainterPath capsule;
    capsule.addRoundedRect(rect, radius, radius);
    painter.save();
    painter.setPen(Qt::NoPen);
    std::visit(Overloaded{
                   [&](const StudioSliderTrack::Accent&) { painter.fillPath(capsule, QColor::fromRgbF(1, 1, 1, 0.12f)); },
                   [&](const StudioSliderTrack::Saturation& s) {
                       const double brightness = std::isnan(s.brightness) ? 0.35 : std::max(s.brightness, 0.35);
                       QLinearGradient gradient = leftToRight(rect);
                       gradient.setColorAt(0, studioHsbColor(s.hue, 0, brightness));
                       gradient.setColorAt(1, studioHsbColor(s.hue, 1, brightness));
                       painter.fillPath(capsule, gradient);
                   },
                   [&](const StudioSliderTrack::Brightness& b) {
                       QLinearGradient gradient = leftToRight(rect);
                       gradient.setColorAt(0, Qt::black);
                       gradient.setColorAt(1, studioHsbColor(b.hue, b.saturation, 1));
                       painter.fillPath(capsule, gradient);
                   },
                   [&](const StudioSliderTrack::Alpha& a) {
                       painter.setClipPath(capsule, Qt::IntersectClip);
                       paintStudioCheckerboard(painter, rect, 4, greyLevel(0.44), greyLevel(0.3));
                       QLinearGradient gradient = leftToRight(rect);
                       gradient.setColorAt(0, withOpacity(a.color, 0));
                       gradient.setColorAt(1, a.color);
                       painter.fillRect(rect, gradient);
                   },
                   [&](const StudioSliderTrack::Hue&) {
                       QLinearGradient gradient = leftToRight(rect);
                       for (int i = 0; i <= 12; ++i)
                           gradient.setColorAt(i / 12.0, QColor::fromHsvF(i < 12 ? i / 12.0f : 0.0f, 1, 1));
                       painter.fillPath(capsule, gradient);
                   },
               },
               track.look);
    painter.restore();
}

} // namespace corvane
