#include "CorvaneApp/kit/internal/StudioCheckerboard.hpp"

#include <QPainter>
#include <QVector>

#include <algorithm>
#include <cmath>

namespace corvane {

namespace {
// More squares than a large screen shows at the usual sizes.
constexpr double mostSquares = 262144;
constexpr double smallestSquare = 0.5;
} // namespace

StudioCheckerboardGrid studioCheckerboardGrid(const QSizeF& size, double square)
{
    if (!std::isfinite(square) || !(square > 0)) return {};
    const double width = std::max(size.width(), 0.0);
    const double height = std::max(size.height(), 0.0);
    if (!std::isfinite(width) || !std::isfinite(height)) return {};
    // Each bound keeps one factor of columns × rows in check, including
    // long thin areas where one of them is a single row or column.
    const double side = std::max({square, smallestSquare, std::sqrt(width * height / mostSquares),
                                  width / mostSquares, height / mostSquares});
    const auto count = [side](double length) { return std::max<qint64>(qint64(std::ceil(length / side)), 1); };
    return {side, count(width), count(height)};
}

void paintStudioCheckerboard(QPainter& painter, const QRectF& rect, double square, const QColor& light,
                             const QColor& dark)
{
    if (!rect.isValid()) return;
    const StudioCheckerboardGrid grid = studioCheckerboardGrid(rect.size(), square);
    if (grid.columns == 0) return;
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.fillRect(rect, light);
    QVector<QRectF> darkSquares;
    darkSquares.reserve(int((grid.columns + 1) / 2));
    for (qint64 row = 0; row < grid.rows; ++row) {
        darkSquares.clear();
        for (qint64 column = row % 2; column < grid.columns; column += 2)
            darkSquares.append(QRectF(rect.left() + column * grid.square, rect.top() + row * grid.square, grid.square,
                                      grid.square));
        painter.setPen(Qt::NoPen);
        painter.setBrush(dark);
        painter.drawRects(darkSquares);
    }
    painter.restore();
}

StudioCheckerboard::StudioCheckerboard(double square, const QColor& light, const QColor& dark, QWidget* parent)
    : QWidget(parent), square_(square), light_(light), dark_(dark)
{
}

void StudioCheckerboard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintStudioCheckerboard(painter, rect(), square_, light_, dark_);
}

} // namespace corvane
