#pragma once

#include <QColor>
#include <QRectF>
#include <QWidget>

class QPainter;

namespace corvane {

// `color` at `opacity` in a rectangle rounded by 5, over a checkerboard when
// the opacity is below 1, outlined faintly in white.
void paintStudioColorSwatch(QPainter& painter, const QRectF& rect, const QColor& color, double opacity);

// Whether a swatch at `opacity` shows the checkerboard behind it.
bool studioSwatchShowsCheckerboard(double opacity);

// A colour sample of a fixed size.
class StudioColorSwatch : public QWidget {
    Q_OBJECT
public:
    StudioColorSwatch(const QColor& color, double opacity, const QSizeF& size, QWidget* parent = nullptr);

    const QColor& color() const { return color_; }
    void setColor(const QColor& color);
    double opacity() const { return opacity_; }
    void setOpacity(double opacity);
    bool showsCheckerboard() const { return studioSwatchShowsCheckerboard(opacity_); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_;
    double opacity_;
};

} // namespace corvane
