#include "CorvaneApp/workspace/PracticeOverlayBadge.hpp"

#include <QPainter>

#include "CorvaneApp/kit/style/SpringAnimation.hpp"

namespace corvane {

namespace {
constexpr SpringAnimation badgeSpring{0.5, 0.85};
}

PracticeOverlayBadge::PracticeOverlayBadge(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    animation_.setStartValue(0.0);
    animation_.setEndValue(1.0);
    animation_.setDuration(badgeSpring.durationMilliseconds());
    connect(&animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& progress) {
        const double seconds = progress.toDouble() * animation_.duration() / 1000.0;
        const double target = presented_ ? 1.0 : 0.0;
        presence_ = from_ + (target - from_) * badgeSpring.position(seconds);
        update();
    });
    connect(&animation_, &QVariantAnimation::finished, this, [this] {
        presence_ = presented_ ? 1.0 : 0.0;
        if (!presented_) hide();
    });
    hide();
}

void PracticeOverlayBadge::setPresented(bool presented)
{
    if (presented == presented_) return;
    presented_ = presented;
    animation_.stop();
    if (!animates_) {
        presence_ = presented ? 1.0 : 0.0;
        setVisible(presented);
        update();
        return;
    }
    from_ = presence_;
    show();
    raise();
    animation_.start();
}

void PracticeOverlayBadge::paintEvent(QPaintEvent*)
{
    if (presence_ <= 0) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(std::min(1.0, presence_));
    applyPresence(painter, presence_);
    const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const auto shape = panelShape(area);
    // No blur behind a widget over the stage: a dark translucent panel instead.
    painter.fillPath(shape, QColor::fromRgbF(0.1f, 0.1f, 0.11f, 0.78f));
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.14f), 1));
    painter.drawPath(shape);
    paintContent(painter);
}

} // namespace corvane
