#include "CorvaneApp/kit/StudioStepperRow.hpp"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <cmath>

#include "CorvaneApp/kit/style/RetroPalette.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"

namespace corvane {

StudioStepButton::StudioStepButton(bool up, QWidget* parent) : QAbstractButton(parent), up_(up)
{
    setFixedSize(sizeHint());
    // The row takes the keyboard; the arrows are for the pointer.
    setFocusPolicy(Qt::NoFocus);
    // Held down, the arrow keeps nudging, as a stepper does.
    setAutoRepeat(true);
    setAutoRepeatDelay(400);
    setAutoRepeatInterval(80);
}

void StudioStepButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) painter.setOpacity(0.4);
    // The two halves share one rounded body: each rounds only its outer corners.
    const QRectF body = QRectF(rect()).adjusted(0.5, up_ ? 0.5 : 0, -0.5, up_ ? 0 : -0.5);
    QPainterPath shape;
    shape.addRoundedRect(body.adjusted(0, up_ ? 0 : -4, 0, up_ ? 4 : 0), 3.5, 3.5);
    QPainterPath clip;
    clip.addRect(body);
    painter.setPen(QPen(StudioAppearance::controlStroke(), 1));
    painter.setBrush(isDown() ? withOpacity(Qt::white, 0.16) : StudioAppearance::controlFill());
    painter.setClipPath(clip);
    painter.drawPath(shape);
    painter.setClipping(false);

    const QPointF c = QRectF(rect()).center() + QPointF(0, up_ ? 0.5 : -0.5);
    QPainterPath arrow;
    const double dy = up_ ? -1.6 : 1.6;
    arrow.moveTo(c.x() - 2.8, c.y() - dy);
    arrow.lineTo(c.x(), c.y() + dy);
    arrow.lineTo(c.x() + 2.8, c.y() - dy);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(StudioAppearance::primaryText(), 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(arrow);
}

StudioStepperRow::StudioStepperRow(const QString& title, const QString& readout, double step, double labelWidth,
                                   std::function<void(double)> onNudge, QWidget* parent)
    : QWidget(parent), titleText_(title), step_(step), onNudge_(std::move(onNudge)),
      title_(new StudioFieldLabel(title)), readout_(new QLabel(readout)), up_(new StudioStepButton(true)),
      down_(new StudioStepButton(false))
{
    installStudioAccessibility();
    setAccessibleName(title);
    setFocusPolicy(Qt::TabFocus);

    auto row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    title_->setFixedWidth(int(std::lround(std::max(0.0, labelWidth))));
    row->addWidget(title_, 0, Qt::AlignVCenter);
    row->addSpacerItem(new QSpacerItem(4, 0, QSizePolicy::MinimumExpanding, QSizePolicy::Minimum));

    readout_->setFont(studioReadoutLarge());
    readout_->setTextFormat(Qt::PlainText);
    QPalette palette = readout_->palette();
    palette.setColor(QPalette::WindowText, StudioAppearance::primaryText());
    readout_->setPalette(palette);
    row->addWidget(readout_, 0, Qt::AlignVCenter);

    auto stepper = new QWidget;
    auto arrows = new QVBoxLayout(stepper);
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    arrows->addWidget(up_);
    arrows->addWidget(down_);
    row->addWidget(stepper, 0, Qt::AlignVCenter);
    connect(up_, &QAbstractButton::clicked, this, [this] { nudge(step_); });
    connect(down_, &QAbstractButton::clicked, this, [this] { nudge(-step_); });
}

QString StudioStepperRow::readout() const { return readout_->text(); }

void StudioStepperRow::setReadout(const QString& readout)
{
    if (readout == readout_->text()) return;
    readout_->setText(readout);
    QAccessibleValueChangeEvent event(this, readout);
    QAccessible::updateAccessibility(&event);
}

void StudioStepperRow::nudge(double amount)
{
    // A step that is not a number would reach the caller's value unchecked.
    if (!isEnabled() || !onNudge_ || !std::isfinite(amount)) return;
    onNudge_(amount);
}

void StudioStepperRow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up: nudge(step_); break;
    case Qt::Key_Down: nudge(-step_); break;
    default: QWidget::keyPressEvent(event);
    }
}

} // namespace corvane
