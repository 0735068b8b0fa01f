#include "CorvaneApp/kit/StudioColorRow.hpp"

#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

#include "CorvaneApp/kit/internal/ColorSpectrumPicker.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/internal/StudioColorSwatch.hpp"
#include "CorvaneApp/kit/StudioSliderTrack.hpp"

namespace corvane {

namespace {

constexpr int pickerWidth = 280;
constexpr int popoverPadding = 14;
constexpr int popoverGap = 6;

// The pop-up that holds the picker. A pop-up closes itself on any press
// outside it; when that press is on its own row, the press must not also
// reach the row, or the row's click would open it again at once.
class ColorPopover : public QWidget {
public:
    explicit ColorPopover(QWidget* row) : QWidget(row, Qt::Popup), row_(row)
    {
        setPalette(StudioAppearance::darkPalette());
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        const QPoint onRow = row_->mapFromGlobal(event->globalPosition().toPoint());
        setAttribute(Qt::WA_NoMouseReplay, row_->rect().contains(onRow));
        QWidget::mousePressEvent(event);
    }

    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), StudioAppearance::panel());
        painter.setPen(StudioAppearance::controlStroke());
        painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }

private:
    QWidget* row_;
};

} // namespace

StudioColorRow::StudioColorRow(const QString& title, double hue, double saturation, double brightness,
                               std::optional<double> opacity, StudioValueFormat opacityFormat, QWidget* parent)
    : StudioActionRow(title, std::nullopt, StudioAppearance::amber(),
                      new StudioColorSwatch(studioHsbColor(hue, saturation, brightness), opacity.value_or(1),
                                            QSizeF(26, 20)),
                      parent),
      hue_(hue), saturation_(saturation), brightness_(brightness), opacity_(opacity),
      swatch_(static_cast<StudioColorSwatch*>(accessory())),
      picker_(new ColorSpectrumPicker(hue, saturation, brightness, opacity, opacityFormat)),
      popover_(new ColorPopover(this))
{
    picker_->setFixedWidth(pickerWidth);
    auto content = new QVBoxLayout(popover_);
    content->setContentsMargins(popoverPadding, popoverPadding, popoverPadding, popoverPadding);
    content->addWidget(picker_);

    connect(picker_, &ColorSpectrumPicker::hueEdited, this, [this](double value) {
        hue_ = value;
        showSwatch();
        emit hueEdited(value);
    });
    connect(picker_, &ColorSpectrumPicker::saturationEdited, this, [this](double value) {
        saturation_ = value;
        showSwatch();
        emit saturationEdited(value);
    });
    connect(picker_, &ColorSpectrumPicker::brightnessEdited, this, [this](double value) {
        brightness_ = value;
        showSwatch();
        emit brightnessEdited(value);
    });
    connect(picker_, &ColorSpectrumPicker::opacityEdited, this, [this](double value) {
        opacity_ = value;
        showSwatch();
        emit opacityEdited(value);
    });
    connect(this, &QAbstractButton::clicked, this, &StudioColorRow::togglePicker);
}

void StudioColorRow::setHue(double hue)
{
    hue_ = hue;
    picker_->setHue(hue);
    showSwatch();
}

void StudioColorRow::setSaturation(double saturation)
{
    saturation_ = saturation;
    picker_->setSaturation(saturation);
    showSwatch();
}

void StudioColorRow::setBrightness(double brightness)
{
    brightness_ = brightness;
    picker_->setBrightness(brightness);
    showSwatch();
}

void StudioColorRow::setOpacity(double opacity)
{
    if (!opacity_) return;
    opacity_ = opacity;
    picker_->setOpacity(opacity);
    showSwatch();
}

bool StudioColorRow::isPickerPresented() const { return popover_->isVisible(); }

void StudioColorRow::togglePicker()
{
    if (popover_->isVisible()) popover_->close();
    else presentPicker();
}

void StudioColorRow::showSwatch()
{
    swatch_->setColor(studioHsbColor(hue_, saturation_, brightness_));
    swatch_->setOpacity(opacity_.value_or(1));
}

void StudioColorRow::presentPicker()
{
    popover_->adjustSize();
    const QSize size = popover_->size();
    const QRect anchor(swatch_->mapToGlobal(QPoint(0, 0)), swatch_->size());
    QPoint at(anchor.right() + 1 + popoverGap, anchor.center().y() - size.height() / 2);
    // Beside the swatch on its trailing side; on the leading side when the
    // screen ends first, and always within the screen's height.
    if (const QScreen* screen = swatch_->screen()) {
        const QRect room = screen->availableGeometry();
        if (at.x() + size.width() > room.right() + 1) at.setX(anchor.left() - popoverGap - size.width());
        at.setX(std::max(at.x(), room.left()));
        at.setY(std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() + 1 - size.height())));
    }
    popover_->move(at);
    popover_->show();
}

} // namespace corvane
