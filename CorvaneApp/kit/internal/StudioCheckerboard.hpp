#pragma once

#include <QColor>
#include <QRectF>
#include <QWidget>

class QPainter;

namespace corvane {

// How a checkerboard tiles an area: the side of the squares actually drawn
// and how many columns and rows it takes, the last ones cut by the edge.
struct StudioCheckerboardGrid {
    double square = 0;
    qint64 columns = 0;
    qint64 rows = 0;
    bool operator==(const StudioCheckerboardGrid&) const = default;
};

// The grid for squares of `square` over `size`: at least one column and one
// row. Squares are never drawn smaller than half a pixel, and grow when they
// would number more than a screenful, so a tiny square over a huge area stays
// quick. A square that is not a positive finite number gives no grid.
StudioCheckerboardGrid studioCheckerboardGrid(const QSizeF& size, double square);

// Fills `rect` with squares from its top-left corner: `dark` where row +
// column is even (the top-left one), `light` where odd. Squares overhanging
// the edge are cut.
void paintStudioCheckerboard(QPainter& painter, const QRectF& rect, double square, const QColor& light,
                             const QColor& dark);

// A widget that is just a checkerboard over its whole area.
class StudioCheckerboard : public QWidget {
    Q_OBJECT
public:
    StudioCheckerboard(double square, const QColor& light, const QColor& dark, QWidget* parent = nullptr);

    double square() const { return square_; }
    const QColor& light() const { return light_; }
    const QColor& dark() const { return dark_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double square_;
    QColor light_;
    QColor dark_;
};

} // namespace corvane
