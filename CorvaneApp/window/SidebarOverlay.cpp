#include "CorvaneApp/window/SidebarOverlay.hpp"

#include <QGraphicsDropShadowEffect>
#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>

#include <algorithm>
#include <cmath>

#include "CorvaneApp/kit/style/SpringAnimation.hpp"

namespace corvane {

namespace {
// The shadow reaches this far past the sidebar's edge; the sidebar starts out of sight by as much.
constexpr int shadowReach = 8 + 20;
}

SidebarOverlay::SidebarOverlay(QWidget* parent) : QWidget(parent)
{
    sidebar_ = new QWidget(this);
    sidebar_->setObjectName(QStringLiteral("SidebarView"));
    auto shadow = new QGraphicsDropShadowEffect(sidebar_);
    shadow->setColor(QColor::fromRgbF(0, 0, 0, 0.6f));
    shadow->setBlurRadius(20);
    shadow->setOffset(8, 0);
    sidebar_->setGraphicsEffect(shadow);

    animation_ = new QPropertyAnimation(this, "progress", this);
    animation_->setDuration(sidebarSpring.durationMilliseconds());
    animation_->setEasingCurve(sidebarSpringCurve());
    connect(animation_, &QPropertyAnimation::finished, this, [this] {
        if (!presented_) hide();
    });
    hide();
}

void SidebarOverlay::setPresented(bool presented)
{
    if (presented == presented_) return;
    presented_ = presented;
    animation_->stop();
    animation_->setStartValue(progress_);
    animation_->setEndValue(presented ? 1.0 : 0.0);
    if (presented) {
        show();
        raise();
    }
    animation_->start();
}

void SidebarOverlay::setProgress(double progress)
{
    progress_ = progress;
    layoutSidebar();
    update();
}

void SidebarOverlay::layoutSidebar()
{
    const int hiddenOffset = sidebarWidth + shadowReach;
    const int x = static_cast<int>(std::lround(-hiddenOffset * (1 - progress_)));
    sidebar_->setGeometry(std::min(x, 0), 0, sidebarWidth, height());
}

void SidebarOverlay::resizeEvent(QResizeEvent*) { layoutSidebar(); }

void SidebarOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const double opacity = backdropOpacity * std::clamp(progress_, 0.0, 1.0);
    painter.fillRect(rect(), QColor::fromRgbF(0, 0, 0, static_cast<float>(opacity)));
}

void SidebarOverlay::mousePressEvent(QMouseEvent* event)
{
    // Clicks on the sidebar are the sidebar's; only the backdrop's get here.
    pressedOnBackdrop_ = event->button() == Qt::LeftButton;
    event->accept();
}

void SidebarOverlay::mouseReleaseEvent(QMouseEvent* event)
{
    const bool tapped = pressedOnBackdrop_ && event->button() == Qt::LeftButton && rect().contains(event->pos());
    pressedOnBackdrop_ = false;
    event->accept();
    if (tapped && presented_) emit backdropTapped();
}

} // namespace corvane
