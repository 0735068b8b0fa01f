#include "CorvaneApp/kit/RetroWoodColumn.hpp"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

#include "CorvaneApp/kit/style/RetroPalette.hpp"
#include "CorvaneApp/kit/style/StudioImageCache.hpp"

namespace corvane {

RetroWoodColumn::RetroWoodColumn(RetroWoodPlank plank, double width, QWidget* parent)
    : QWidget(parent), plank_(std::move(plank)), width_(std::isfinite(width) && width > 0 ? width : 0),
      image_(StudioImageCache::image(plank_.asset.toStdString()))
{
    setFixedWidth(static_cast<int>(std::ceil(width_)));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

QRectF RetroWoodColumn::imageRect(const RetroWoodPlank& plank, double width, double height)
{
    if (!(plank.plankPixels > 0) || !std::isfinite(plank.plankPixels)) return {0, 0, width, height};
    const double scale = width / plank.plankPixels;
    return {-plank.plankStartPixel * scale, 0, plank.artPixels * scale, height};
}

void RetroWoodColumn::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!image_) {
        painter.fillRect(QRectF(0, 0, width_, height()), RetroPalette::woodFallback());
        return;
    }
    const QRectF target = imageRect(plank_, width_, height());
    const double ratio = devicePixelRatioF();
    const QSize device(std::max(1, static_cast<int>(std::ceil(target.width() * ratio))),
                       std::max(1, static_cast<int>(std::ceil(target.height() * ratio))));
    // Area-averaged resampling once per size keeps the grain crisp, where
    // scaling at every paint would sample it.
    if (scaled_.size() != device)
        scaled_ = image_->scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, scaled_);
}

} // namespace corvane
