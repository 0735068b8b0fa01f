#include "CorvaneApp/kit/StudioSwitch.hpp"

#include <QPainter>

#include <cmath>

#include "CorvaneApp/kit/style/RetroPalette.hpp"
#include "CorvaneApp/kit/style/StudioAccent.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"

namespace corvane {

namespace {
constexpr QSizeF trackSize{26, 15};
constexpr double labelGap = 8;
} // namespace

StudioSwitch::StudioSwitch(const QString& label, QWidget* parent) : QAbstractButton(parent)
{
    setCheckable(true);
    setFont(studioCallout());
    setText(label);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize StudioSwitch::sizeHint() const
{
    const QFontMetricsF metrics(font());
    const double labelWidth = text().isEmpty() ? 0 : metrics.horizontalAdvance(text()) + labelGap;
    return QSize(int(std::ceil(labelWidth + trackSize.width())),
                 int(std::ceil(std::max(trackSize.height(), metrics.height()))));
}

QRectF StudioSwitch::trackRect() const
{
    return QRectF(width() - trackSize.width(), (height() - trackSize.height()) / 2, trackSize.width(),
                  trackSize.height());
}

// The label belongs to the switch: clicking it toggles too.
bool StudioSwitch::hitButton(const QPoint& pos) const { return rect().contains(pos); }

void StudioSwitch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) painter.setOpacity(0.4);
    const QRectF track = trackRect();
    if (!text().isEmpty()) {
        painter.setFont(font());
        painter.setPen(StudioAppearance::primaryText());
        const QRectF labelBox(0, 0, std::max(0.0, track.left() - labelGap), height());
        const QString shown = QFontMetrics(font()).elidedText(text(), Qt::ElideRight, int(labelBox.width()));
        painter.drawText(labelBox, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    }

    const double radius = track.height() / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(isChecked() ? studioAccent(this) : withOpacity(Qt::white, 0.12));
    painter.drawRoundedRect(track, radius, radius);
    if (isDown()) {
        painter.setBrush(withOpacity(Qt::black, 0.12));
        painter.drawRoundedRect(track, radius, radius);
    }

    const double inset = 1.5;
    const double knob = track.height() - 2 * inset;
    const double x = isChecked() ? track.right() - inset - knob : track.left() + inset;
    painter.setBrush(withOpacity(Qt::black, 0.25));
    painter.drawEllipse(QRectF(x, track.top() + inset + 0.5, knob, knob));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(x, track.top() + inset, knob, knob));

    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(withOpacity(studioAccent(this), 0.6), 1));
        painter.drawRoundedRect(track.adjusted(-2, -2, 2, 2), radius + 2, radius + 2);
    }
}

} // namespace corvane
