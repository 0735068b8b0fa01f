#pragma once

#include <QImage>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <optional>

namespace corvane {

// One plank inside a wood image of the resource bundle: the image "<asset>.png",
// `artPixels` wide, of which the pixel columns from `plankStartPixel` on,
// `plankPixels` of them, are the wanted plank.
struct RetroWoodPlank {
    QString asset;
    double artPixels = 0;
    double plankStartPixel = 0;
    double plankPixels = 0;

    bool operator==(const RetroWoodPlank&) const = default;
};

// A vertical wooden side piece, `width` wide and as tall as its layout makes
// it: the plank's image scaled so that the plank exactly fills the column.
// The image's parts beside the plank fall outside the column and are clipped
// away with it (a widget paints only inside itself). Without the image, a flat
// `RetroPalette::woodFallback()` strip the column's width stands in.
// Decorative: no mouse input, no focus, nothing for accessibility to name.
class RetroWoodColumn : public QWidget {
    Q_OBJECT
public:
    RetroWoodColumn(RetroWoodPlank plank, double width, QWidget* parent = nullptr);

    const RetroWoodPlank& plank() const { return plank_; }
    double columnWidth() const { return width_; }
    // Whether the plank's image was found in the resource bundle.
    bool hasImage() const { return image_.has_value(); }

    // Where the whole image lies, in the coordinates of a column `width` ×
    // `height`: artPixels × width / plankPixels wide, moved left by
    // plankStartPixel × width / plankPixels, full height. A plank without a
    // positive width has no place in the image; the image then fills the column.
    static QRectF imageRect(const RetroWoodPlank& plank, double width, double height);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    RetroWoodPlank plank_;
    double width_;
    std::optional<QImage> image_;
    // The image resampled to the last device size drawn, so that each paint
    // only places it.
    QImage scaled_;
};

} // namespace corvane
