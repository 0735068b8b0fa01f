#include "CorvaneApp/kit/StageWoodRail.hpp"

#include <QPainter>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>

#include "CorvaneApp/kit/style/RetroPalette.hpp"
#include "CorvaneApp/kit/style/StudioImageCache.hpp"

namespace corvane {

namespace {

// A strip of grained wood along its length, repeatable from run to run.
QPixmap drawnWood()
{
    constexpr int length = 512;
    constexpr int thickness = 8;
    QImage image(length, thickness, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    QLinearGradient body(0, 0, 0, thickness);
    const QColor wood = RetroPalette::woodFallback();
    body.setColorAt(0, wood.lighter(135));
    body.setColorAt(0.5, wood);
    body.setColorAt(1, wood.darker(150));
    painter.fillRect(image.rect(), body);
    QRandomGenerator random(0x776f6f64);
    for (int i = 0; i < 60; ++i) {
        const double y = random.bounded(double(thickness));
        const double x = random.bounded(double(length));
        const double run = 20 + random.bounded(120.0);
        painter.setPen(QPen(QColor::fromRgbF(0.12f, 0.06f, 0.02f, float(0.15 + random.bounded(0.25))), 0.6));
        painter.drawLine(QPointF(x, y), QPointF(x + run, y + random.bounded(1.0) - 0.5));
    }
    return QPixmap::fromImage(image);
}

} // namespace

StageWoodRail::StageWoodRail(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    if (auto image = StudioImageCache::image("wood-horizontal-piano")) wood_ = QPixmap::fromImage(*image);
    else wood_ = drawnWood();
}

double StageWoodRail::keyboardTop(double stageHeight) { return stageHeight - std::min(stageHeight / 2, 87.0); }

void StageWoodRail::place(int stageWidth, int stageHeight)
{
    const double centre = keyboardTop(stageHeight);
    const int top = int(std::floor(centre - railHeight / 2));
    const int bottom = int(std::ceil(centre + railHeight / 2));
    setGeometry(0, top, stageWidth, bottom - top);
}

void StageWoodRail::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(rect(), wood_);
    painter.fillRect(QRect(0, height() - 1, width(), 1), QColor::fromRgbF(0, 0, 0, 0.35f));
}

} // namespace corvane
