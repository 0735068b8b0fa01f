#pragma once

#include <QBrush>
#include <QColor>
#include <QRectF>

class QPainter;

namespace corvane {

// Drawn details that several retro controls share, painted in one place.

// A soft glow of `color` around `rect`, `radius` wide, `strength` 0...1.
void paintGlow(QPainter& painter, const QRectF& rect, double cornerRadius, const QColor& color, double radius,
               double strength);

// A lamp's glass: `unlit` when dark, the amber lamp gradient faded in by
// `level` (0...1), and a dark rim of `rimOpacity` and `rimWidth` inside the edge.
void paintLampBody(QPainter& painter, const QRectF& body, double cornerRadius, const QBrush& unlit, double level,
                   double rimOpacity, double rimWidth);

// A recess in the panel that a control sits in: a black well of `depth`
// opacity with a faint light edge of `rimLight` opacity, corners of 5.
void paintRecessedBezel(QPainter& painter, const QRectF& bezel, double depth, double rimLight);

} // namespace corvane
