#include "CorvaneApp/kit/RetroPanel.hpp"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>

#include "CorvaneApp/kit/style/RetroPalette.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/style/StudioImageCache.hpp"

namespace corvane {

namespace {

QPainterPath roundedRect(const QRectF& rect, double radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

// Fine vertical brushing with a little speckle, repeatable from run to run.
QImage drawnGrain()
{
    constexpr int side = 128;
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QRandomGenerator random(0x6272656c);
    QPainter painter(&image);
    for (int x = 0; x < side; ++x) {
        const double light = random.bounded(1.0);
        painter.setPen(QColor::fromRgbF(1, 1, 1, float(0.012 + 0.02 * light)));
        painter.drawLine(x, 0, x, side);
    }
    for (int i = 0; i < 900; ++i) {
        const int x = int(random.bounded(side));
        const int y = int(random.bounded(side));
        painter.setPen(random.bounded(2) ? QColor::fromRgbF(1, 1, 1, 0.035f) : QColor::fromRgbF(0, 0, 0, 0.08f));
        painter.drawPoint(x, y);
    }
    return image;
}

} // namespace

const QImage& retroPanelTextureImage()
{
    static const QImage texture = [] {
        if (auto image = StudioImageCache::image("panel-texture")) return *image;
        return drawnGrain();
    }();
    return texture;
}

const QPixmap& retroPanelTexture()
{
    static const QPixmap texture = QPixmap::fromImage(retroPanelTextureImage());
    return texture;
}

void paintRetroScrew(QPainter& painter, QPointF centre, double size, double slotAngle)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const double r = size / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.35f));
    painter.drawEllipse(centre + QPointF(0, 0.5), r + 0.5, r + 0.5);
    const QRectF head(centre.x() - r, centre.y() - r, size, size);
    QRadialGradient shine(head.left() + 0.35 * size, head.top() + 0.3 * size, 0.7 * size);
    shine.setColorAt(0, withOpacity(RetroPalette::brass(), 0.55));
    shine.setColorAt(1, withOpacity(RetroPalette::brass(), 0.18));
    painter.setBrush(shine);
    painter.drawEllipse(head);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.65f), 0.8));
    painter.drawEllipse(head.adjusted(0.4, 0.4, -0.4, -0.4));
    painter.translate(centre);
    painter.rotate(slotAngle);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.55f));
    painter.drawRoundedRect(QRectF(-0.26 * size, -0.7, 0.52 * size, 1.4), 0.7, 0.7);
    painter.rotate(90);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.35f));
    painter.drawRoundedRect(QRectF(-0.15 * size, -0.6, 0.3 * size, 1.2), 0.6, 0.6);
    painter.restore();
}

void paintRetroPlate(QPainter& painter, const QRectF& rect, double cornerRadius)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const auto shape = roundedRect(rect, cornerRadius);
    QLinearGradient base(rect.topLeft(), rect.bottomLeft());
    base.setColorAt(0, RetroPalette::panel());
    base.setColorAt(1, withOpacity(RetroPalette::panel(), 0.82));
    painter.fillPath(shape, base);
    painter.setClipPath(shape);
    painter.fillRect(rect, QBrush(retroPanelTexture()));
    painter.setClipping(false);
    QLinearGradient shade(rect.topLeft(), rect.bottomLeft());
    shade.setColorAt(0, QColor::fromRgbF(1, 1, 1, 0.05f));
    shade.setColorAt(0.5, Qt::transparent);
    shade.setColorAt(1, QColor::fromRgbF(0, 0, 0, 0.22f));
    painter.fillPath(shape, shade);
    QLinearGradient edge(rect.topLeft(), rect.bottomLeft());
    edge.setColorAt(0, RetroPalette::edgeLight());
    edge.setColorAt(0.5, Qt::transparent);
    edge.setColorAt(1, RetroPalette::edgeShadow());
    painter.setPen(QPen(QBrush(edge), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(roundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), std::max(0.0, cornerRadius - 0.5)));
    painter.restore();
}

RetroPanel::RetroPanel(RetroPanelStyle style, QWidget* parent) : QWidget(parent), style_(style)
{
    setContentsMargins(style_.contentPadding);
    if (style_.width) setFixedWidth(*style_.width);
    if (style_.height) setFixedHeight(*style_.height);
}

std::vector<QPointF> RetroPanel::screwCentres() const
{
    if (!style_.showsScrews) return {};
    const double near = style_.screwInset + style_.screwSize / 2;
    const double right = width() - near;
    const double bottom = height() - near;
    return {{near, near}, {right, near}, {near, bottom}, {right, bottom}};
}

void RetroPanel::paintEvent(QPaintEvent*)
{
    const qreal ratio = devicePixelRatioF();
    if (plate_.size() != size() * ratio) {
        plate_ = QPixmap(size() * ratio);
        plate_.setDevicePixelRatio(ratio);
        plate_.fill(Qt::transparent);
        QPainter painter(&plate_);
        paintRetroPlate(painter, QRectF(rect()), style_.cornerRadius);
        const auto centres = screwCentres();
        for (std::size_t i = 0; i < centres.size(); ++i)
            paintRetroScrew(painter, centres[i], style_.screwSize, slotAngles[i % slotAngles.size()]);
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, plate_);
}

RetroEngravedLabel::RetroEngravedLabel(const QString& title, QWidget* parent)
    : QWidget(parent), font_(studioLegend()), text_(title.toUpper())
{
    font_.setLetterSpacing(QFont::AbsoluteSpacing, 1.6);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize RetroEngravedLabel::sizeHint() const
{
    const QFontMetrics metrics(font_);
    return {metrics.horizontalAdvance(text_) + 2, metrics.height() + 1};
}

void RetroEngravedLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font_);
    const QRect area = rect().adjusted(0, 0, 0, -1);
    painter.setPen(QColor::fromRgbF(0, 0, 0, 0.8f));
    painter.drawText(area.translated(0, 1), Qt::AlignCenter, text_);
    painter.setPen(withOpacity(RetroPalette::engraved(), 0.72));
    painter.drawText(area, Qt::AlignCenter, text_);
}

} // namespace corvane
