#include "CorvaneApp/inspector/InspectorDisclosureGroup.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "CorvaneApp/kit/style/SpringAnimation.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"

namespace corvane {

namespace {
constexpr SpringAnimation disclosureSpring{InspectorDisclosureGroup::springResponse,
                                           InspectorDisclosureGroup::springDamping};
constexpr int chevronColumn = 14;
constexpr int contentTopPadding = 12;
} // namespace

DisclosureLabelRow::DisclosureLabelRow(const QString& title, QWidget* parent)
    : QAbstractButton(parent), title_(new StudioFieldLabel(title, this)), detail_(new QLabel(this))
{
    setFont(studioCallout());
    setAccessibleName(title);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    detail_->setFont(studioCallout());
    detail_->setTextFormat(Qt::PlainText);
    QPalette palette = detail_->palette();
    palette.setColor(QPalette::WindowText, StudioAppearance::secondaryText());
    detail_->setPalette(palette);
    // The labels pass clicks on to the row, so every point of it toggles.
    title_->setAttribute(Qt::WA_TransparentForMouseEvents);
    detail_->setAttribute(Qt::WA_TransparentForMouseEvents);

    auto row = new QHBoxLayout(this);
    row->setContentsMargins(chevronColumn, 2, 0, 2);
    row->setSpacing(8);
    row->addWidget(title_, 0, Qt::AlignVCenter);
    row->addStretch(1);
    row->addWidget(detail_, 0, Qt::AlignVCenter);
}

void DisclosureLabelRow::setDetail(const QString& text)
{
    if (detail_->text() != text) detail_->setText(text);
}

void DisclosureLabelRow::setOpenness(double openness)
{
    openness = std::clamp(openness, 0.0, 1.2);
    if (openness == openness_) return;
    openness_ = openness;
    update();
}

void DisclosureLabelRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A chevron that points right when closed and down when open.
    painter.translate(5, height() / 2.0);
    painter.rotate(90 * openness_);
    QPainterPath chevron;
    chevron.moveTo(-1.75, -3.5);
    chevron.lineTo(1.75, 0);
    chevron.lineTo(-1.75, 3.5);
    painter.setPen(QPen(StudioAppearance::tertiaryText(), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(chevron);
    painter.resetTransform();
    if (hasFocus()) {
        painter.setPen(QPen(StudioAppearance::secondaryText(), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    }
}

InspectorDisclosureGroup::InspectorDisclosureGroup(const QString& title, QWidget* content, QWidget* parent)
    : QWidget(parent), label_(new DisclosureLabelRow(title, this)), clip_(new QWidget(this)), content_(content)
{
    auto stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    stack->addWidget(label_);
    auto padding = new QVBoxLayout(clip_);
    padding->setContentsMargins(0, contentTopPadding, 0, 0);
    padding->setSpacing(0);
    padding->addWidget(content_);
    stack->addWidget(clip_);

    animation_.setStartValue(0.0);
    animation_.setEndValue(1.0);
    animation_.setDuration(disclosureSpring.durationMilliseconds());
    connect(&animation_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& progress) { step(progress.toDouble()); });
    connect(&animation_, &QVariantAnimation::finished, this, [this] {
        clip_->setMaximumHeight(QWIDGETSIZE_MAX);
        clip_->setVisible(expanded_);
        label_->setOpenness(expanded_ ? 1 : 0);
    });
    connect(label_, &QAbstractButton::clicked, this, [this] { setExpanded(!expanded_); });
}

void InspectorDisclosureGroup::setExpanded(bool expanded, bool animated)
{
    if (expanded == expanded_) return;
    expanded_ = expanded;
    // A reversal starts from wherever the running motion has got to.
    fromHeight_ = clip_->isVisible() ? clip_->height() : 0;
    animation_.stop();
    if (!animated) {
        clip_->setMaximumHeight(QWIDGETSIZE_MAX);
        clip_->setVisible(expanded_);
        label_->setOpenness(expanded_ ? 1 : 0);
    } else {
        clip_->setMaximumHeight(int(fromHeight_));
        clip_->show();
        animation_.start();
    }
    emit expandedChanged(expanded_);
}

void InspectorDisclosureGroup::step(double progress)
{
    const double seconds = progress * animation_.duration() / 1000.0;
    const double position = disclosureSpring.position(seconds);
    const double target = expanded_ ? clip_->sizeHint().height() : 0.0;
    // The spring may overshoot a little; the height never goes below 0.
    const double height = std::max(0.0, fromHeight_ + (target - fromHeight_) * position);
    clip_->setMaximumHeight(int(std::lround(height)));
    label_->setOpenness(expanded_ ? position : 1 - position);
}

} // namespace corvane
