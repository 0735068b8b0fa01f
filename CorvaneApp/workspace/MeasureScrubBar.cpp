#include "CorvaneApp/workspace/MeasureScrubBar.hpp"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "CorvaneApp/kit/style/RetroPalette.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/style/StudioLocale.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"

namespace corvane {

namespace {

using L = MeasureScrubLayout;

QPainterPath loopHandle(const QRectF& frame, bool pointsRight)
{
    QPainterPath path;
    if (pointsRight) {
        path.moveTo(frame.topLeft());
        path.lineTo(frame.right(), frame.center().y());
        path.lineTo(frame.bottomLeft());
    } else {
        path.moveTo(frame.topRight());
        path.lineTo(frame.left(), frame.center().y());
        path.lineTo(frame.bottomRight());
    }
    path.closeSubpath();
    return path;
}

// A thin glow around a line or capsule.
void glowRect(QPainter& painter, const QRectF& rect, const QColor& glow, double radius)
{
    painter.setBrush(withOpacity(glow, 0.5));
    painter.drawRoundedRect(rect.adjusted(-radius / 2, -radius / 2, radius / 2, radius / 2), radius, radius);
}

} // namespace

MeasureScrubBar::MeasureScrubBar(PracticeSessionStore& store, QWidget* parent)
    : QWidget(parent), store_(store), gestures_(store), accent_(RetroPalette::amber())
{
    setFixedHeight(int(L::rowHeight));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(&store_, &PracticeSessionStore::measureMarkersChanged, this, &MeasureScrubBar::rulerChanged);
    connect(&store_, &PracticeSessionStore::timelineDurationSecondsChanged, this, &MeasureScrubBar::rulerChanged);
    connect(&store_, &PracticeSessionStore::loopRangeChanged, this, qOverload<>(&QWidget::update));
    connect(&store_, &PracticeSessionStore::playbackPositionSecondsChanged, this, &MeasureScrubBar::playheadMoved);
}

void MeasureScrubBar::setAccent(const QColor& accent)
{
    if (accent == accent_) return;
    accent_ = accent;
    update();
}

double MeasureScrubBar::playheadX() const
{
    return width() * playheadProgress(store_.playbackPositionSeconds(), store_.timelineDurationSeconds());
}

void MeasureScrubBar::rulerChanged()
{
    rulerValid_ = false;
    update();
}

QRect MeasureScrubBar::playheadStrip(int x) const { return {x - 6, 0, 13, height()}; }

void MeasureScrubBar::playheadMoved()
{
    const int x = int(std::lround(playheadX()));
    if (x == shownPlayheadX_) return;
    update(playheadStrip(shownPlayheadX_));
    update(playheadStrip(x));
    shownPlayheadX_ = x;
}

void MeasureScrubBar::resizeEvent(QResizeEvent*)
{
    rulerValid_ = false;
    shownPlayheadX_ = int(std::lround(playheadX()));
}

QRectF MeasureScrubBar::measureLabelBox(double tickX, double textWidth, double textHeight, double rulerWidth)
{
    QRectF box(tickX - textWidth / 2 - 1, L::labelCenterY - textHeight / 2, textWidth + 2, textHeight);
    box.moveLeft(std::max(0.0, std::min(box.left(), rulerWidth - box.width())));
    return box;
}

void MeasureScrubBar::paintRuler(QPainter& painter) const
{
    const double w = width();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QRectF line(0, L::rulerLineY, w, 1);
    glowRect(painter, line, withOpacity(RetroPalette::amber(), 0.28), 2);
    painter.setBrush(withOpacity(RetroPalette::engraved(), 0.2));
    painter.drawRect(line);

    const auto ticks = drawnTicks(store_.measureMarkers(), store_.timelineDurationSeconds(), w);
    for (const auto& tick : ticks) {
        const double h = tick.isMajor ? L::majorTickHeight : L::minorTickHeight;
        const QRectF capsule(w * tick.fraction - 0.5, L::rulerLineY, 1, h);
        glowRect(painter, capsule, withOpacity(RetroPalette::amber(), tick.isMajor ? 0.35 : 0.16), 2);
        painter.setBrush(withOpacity(RetroPalette::engraved(), tick.isMajor ? 0.52 : 0.26));
        painter.drawRoundedRect(capsule, 0.5, 0.5);
    }
    QFont font = studioReadout();
    font.setStyleHint(QFont::Monospace);
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    for (const auto& tick : ticks) {
        if (!tick.isMajor) continue;
        const QString label = QString::number(tick.marker.measureNumber);
        const QRectF box =
            measureLabelBox(w * tick.fraction, metrics.horizontalAdvance(label), metrics.height(), w);
        painter.setPen(withOpacity(RetroPalette::amber(), 0.18));
        painter.drawText(box.translated(0, 0.5), Qt::AlignCenter, label);
        painter.setPen(withOpacity(RetroPalette::engraved(), 0.62));
        painter.drawText(box, Qt::AlignCenter, label);
    }
}

void MeasureScrubBar::paintEvent(QPaintEvent*)
{
    const qreal ratio = devicePixelRatioF();
    if (!rulerValid_ || ruler_.size() != size() * ratio) {
        ruler_ = QPixmap(size() * ratio);
        ruler_.setDevicePixelRatio(ratio);
        ruler_.fill(Qt::transparent);
        QPainter rulerPainter(&ruler_);
        paintRuler(rulerPainter);
        rulerValid_ = true;
    }
    QPainter painter(this);
    painter.setClipRect(rect(), Qt::IntersectClip);
    painter.drawPixmap(0, 0, ruler_);
    painter.setRenderHint(QPainter::Antialiasing);

    const double w = width();
    if (const auto bracket = loopBracket(store_.loopRange(), store_.timelineDurationSeconds(), w)) {
        const QRectF box(bracket->x, L::loopLaneCenterY - L::loopLaneHeight / 2, bracket->width, L::loopLaneHeight);
        painter.setPen(Qt::NoPen);
        painter.setBrush(withOpacity(accent_, 0.18));
        painter.drawRoundedRect(box, 3, 3);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(accent_, 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        painter.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 2.5, 2.5);
        painter.setPen(Qt::NoPen);
        painter.setBrush(accent_);
        const double handleTop = L::loopLaneCenterY - (L::loopLaneHeight - 2) / 2;
        painter.drawPath(loopHandle(QRectF(box.left(), handleTop, 6, L::loopLaneHeight - 2), true));
        painter.drawPath(loopHandle(QRectF(box.left() + box.width() - 6, handleTop, 6, L::loopLaneHeight - 2), false));
    }

    const double x = playheadX();
    const QColor white = QColor::fromRgbF(0.92f, 0.92f, 0.92f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(white);
    QPainterPath pin;
    const double pinTop = L::rulerLineY - 2 - 3.5;
    pin.moveTo(x - 4.5, pinTop);
    pin.lineTo(x + 4.5, pinTop);
    pin.lineTo(x, pinTop + 7);
    pin.closeSubpath();
    painter.drawPath(pin);
    const double lineHeight = L::loopLaneCenterY - L::rulerLineY + L::loopLaneHeight / 2;
    painter.drawRect(QRectF(x - 0.5, L::rulerLineY, 1, lineHeight));
}

void MeasureScrubBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const QPointF at = event->position();
    const double loopTop = L::loopLaneCenterY - L::loopGrabHeight / 2;
    if (at.y() >= loopTop && at.y() <= loopTop + L::loopGrabHeight) band_ = Band::loop;
    else if (at.y() >= 0 && at.y() < L::seekBandHeight) band_ = Band::seek;
    else band_ = Band::none;
    dragStartX_ = at.x();
    mouseMoveEvent(event);
}

void MeasureScrubBar::mouseMoveEvent(QMouseEvent* event)
{
    const double x = event->position().x();
    switch (band_) {
    case Band::seek: gestures_.seekChanged(x, width()); break;
    case Band::loop: gestures_.loopChanged(dragStartX_, x, width()); break;
    case Band::none: break;
    }
}

void MeasureScrubBar::mouseReleaseEvent(QMouseEvent*)
{
    if (band_ == Band::seek) gestures_.seekEnded();
    if (band_ == Band::loop) gestures_.loopEnded();
    band_ = Band::none;
}

} // namespace corvane
