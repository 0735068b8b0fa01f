#include "CorvaneApp/kit/RetroOdometer.hpp"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "CorvaneApp/kit/style/RetroChrome.hpp"
#include "CorvaneApp/kit/style/RetroPalette.hpp"
#include "CorvaneApp/kit/style/SpringAnimation.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/style/StudioLocale.hpp"

namespace corvane {

namespace {
constexpr SpringAnimation drumSpring{0.34, 1.0};
constexpr int spacing = 2;
constexpr int padX = 4;
constexpr int padY = 3;
} // namespace

std::int64_t odometerDrumPosition(std::int64_t value, int place)
{
    std::int64_t position = std::max<std::int64_t>(value, 0);
    for (int i = 0; i < place && position > 0; ++i) position /= 10;
    return position;
}

int odometerDigit(std::int64_t n)
{
    const auto digit = int(n % 10);
    return digit < 0 ? digit + 10 : digit;
}

int odometerCentreDigit(double position) { return odometerDigit(std::int64_t(std::llround(position))); }

struct RetroOdometer::Drum {
    double position = 0;
    double from = 0;
    double to = 0;
    QVariantAnimation animation;
};

RetroOdometer::RetroOdometer(int digits, int drumWidth, int drumHeight, QWidget* parent)
    : QWidget(parent), drumWidth_(drumWidth), drumHeight_(drumHeight)
{
    digits = std::clamp(digits, 0, 19);
    for (int i = 0; i < digits; ++i) {
        auto drum = std::make_unique<Drum>();
        auto* d = drum.get();
        d->animation.setStartValue(0.0);
        d->animation.setEndValue(1.0);
        d->animation.setDuration(drumSpring.durationMilliseconds());
        connect(&d->animation, &QVariantAnimation::valueChanged, this, [this, d, i](const QVariant& progress) {
            const double seconds = progress.toDouble() * d->animation.duration() / 1000.0;
            d->position = d->from + (d->to - d->from) * drumSpring.position(seconds);
            update(drumRect(i));
        });
        connect(&d->animation, &QVariantAnimation::finished, this, [this, d, i] {
            d->position = d->to;
            update(drumRect(i));
        });
        drums_.push_back(std::move(drum));
    }
    const int width = digits == 0 ? 2 * padX : 2 * padX + digits * drumWidth + (digits - 1) * spacing;
    setFixedSize(width, 2 * padY + drumHeight);
    setAccessibleName(QStringLiteral("Compasso"));
    setAccessibleDescription(QStringLiteral("0"));
}

RetroOdometer::~RetroOdometer() = default;

void RetroOdometer::setValue(std::int64_t value)
{
    value_ = value;
    setAccessibleDescription(studioLocale().toString(qlonglong(std::max<std::int64_t>(value, 0))));
    const int count = digits();
    for (int i = 0; i < count; ++i) {
        auto& d = *drums_[std::size_t(i)];
        const auto target = double(odometerDrumPosition(value, count - 1 - i));
        if (target == d.to) continue;
        d.from = d.position;
        d.to = target;
        d.animation.stop();
        d.animation.start();
    }
}

double RetroOdometer::drumPosition(int index) const { return drums_.at(std::size_t(index))->position; }

QVariantAnimation& RetroOdometer::drumAnimation(int index) { return drums_.at(std::size_t(index))->animation; }

QRect RetroOdometer::drumRect(int index) const
{
    return {padX + index * (drumWidth_ + spacing), padY, drumWidth_, drumHeight_};
}

void RetroOdometer::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintRecessedBezel(painter, QRectF(rect()), 0.55, 0.07);

    QFont font = studioReadout();
    font.setStyleHint(QFont::Monospace);
    painter.setFont(font);
    for (int i = 0; i < digits(); ++i) {
        const QRectF box = drumRect(i);
        QPainterPath shape;
        shape.addRoundedRect(box, 3, 3);
        painter.save();
        painter.setClipPath(shape);
        QLinearGradient cylinder(box.topLeft(), box.bottomLeft());
        cylinder.setColorAt(0, greyLevel(0.03));
        cylinder.setColorAt(0.5, greyLevel(0.16));
        cylinder.setColorAt(1, greyLevel(0.03));
        painter.fillRect(box, cylinder);
        const double position = drums_[std::size_t(i)]->position;
        const auto base = std::int64_t(std::floor(position));
        painter.setPen(RetroPalette::engraved());
        for (std::int64_t n = base - 1; n <= base + 1; ++n) {
            const double offset = box.height() * (double(n) - position);
            painter.drawText(box.translated(0, offset), Qt::AlignCenter, QString::number(odometerDigit(n)));
        }
        QLinearGradient curve(box.topLeft(), box.bottomLeft());
        curve.setColorAt(0, QColor::fromRgbF(0, 0, 0, 0.85f));
        curve.setColorAt(0.3, Qt::transparent);
        curve.setColorAt(0.7, Qt::transparent);
        curve.setColorAt(1, QColor::fromRgbF(0, 0, 0, 0.85f));
        painter.fillRect(box, curve);
        painter.restore();
        painter.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.7f), 0.8));
        painter.drawRoundedRect(box.adjusted(0.4, 0.4, -0.4, -0.4), 2.6, 2.6);
    }
}

} // namespace corvane
