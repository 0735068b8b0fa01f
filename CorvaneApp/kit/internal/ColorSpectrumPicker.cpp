#include "CorvaneApp/kit/internal/ColorSpectrumPicker.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"
#include "CorvaneApp/kit/StudioSliderTrack.hpp"
#include "CorvaneApp/kit/StudioTrackSlider.hpp"

namespace corvane {

namespace {

constexpr int fieldHeight = 132;
constexpr double markerSize = 14;
constexpr double hueNudge = 0.02;

// A fraction as drawn: held to 0...1, 0 when it is not a number.
double drawnFraction(double value) { return std::isnan(value) ? 0 : std::clamp(value, 0.0, 1.0); }

// A number as a spoken integer, cut toward zero; what is not finite counts as 0.
qint64 truncated(double value)
{
    if (!std::isfinite(value)) return 0;
    return qint64(std::trunc(std::clamp(value, -1e15, 1e15)));
}

// `value` rounded half away from zero, in the user's own locale.
QString wholeNumberText(double value)
{
    if (!std::isfinite(value)) return QStringLiteral("—");
    double rounded = std::round(value);
    if (rounded == 0) rounded = 0; // no "-0"
    return QLocale().toString(rounded, 'f', 0);
}

QLinearGradient hueCircle(const QRectF& rect)
{
    QLinearGradient gradient(rect.topLeft(), rect.topRight());
    for (int i = 0; i <= 12; ++i) gradient.setColorAt(i / 12.0, studioHsbColor(i / 12.0, 1, 1));
    return gradient;
}

} // namespace

// The picker's 30 × 30 sample of the opaque colour.
class ColorSpectrumLargeSwatch : public QWidget {
public:
    explicit ColorSpectrumLargeSwatch(QWidget* parent = nullptr) : QWidget(parent) { setFixedSize(30, 30); }

    QColor color;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
        painter.fillPath(shape, color);
        painter.strokePath(shape, QPen(StudioAppearance::controlStroke(), 1));
    }
};

ColorSpectrumField::ColorSpectrumField(QWidget* parent) : QWidget(parent)
{
    installStudioAccessibility();
    setFixedHeight(fieldHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("Espectro de cor"));
}

void ColorSpectrumField::setHue(double hue)
{
    if (hue == hue_) return;
    hue_ = hue;
    update();
}

void ColorSpectrumField::setSaturation(double saturation)
{
    if (saturation == saturation_) return;
    saturation_ = saturation;
    update();
}

QPointF ColorSpectrumField::markerCentre() const
{
    const double w = width();
    const double h = height();
    const double edge = markerSize / 2;
    return {std::min(std::max(w * drawnFraction(hue_), edge), std::max(w - edge, edge)),
            std::min(std::max(h * drawnFraction(saturation_), edge), std::max(h - edge, edge))};
}

QString ColorSpectrumField::accessibleValueText() const
{
    return QStringLiteral("Matiz %1 graus, saturação %2 por cento")
        .arg(truncated(hue_ * 360))
        .arg(truncated(saturation_ * 100));
}

void ColorSpectrumField::accessibleIncrement() { turnHue(+hueNudge); }
void ColorSpectrumField::accessibleDecrement() { turnHue(-hueNudge); }

void ColorSpectrumField::turnHue(double by)
{
    const double from = std::isfinite(hue_) ? hue_ : 0;
    double turned = std::fmod(from + by, 1.0);
    if (turned < 0) turned += 1;
    // A tiny negative remainder plus 1 can round to 1, which is 0 again.
    if (turned >= 1) turned = 0;
    writeHue(turned);
}

void ColorSpectrumField::writeHue(double hue)
{
    if (!std::isfinite(hue) || hue == hue_) return;
    hue_ = hue;
    update();
    emit hueEdited(hue);
}

void ColorSpectrumField::writeSaturation(double saturation)
{
    if (!std::isfinite(saturation) || saturation == saturation_) return;
    saturation_ = saturation;
    update();
    emit saturationEdited(saturation);
}

void ColorSpectrumField::dragTo(QPointF point)
{
    // A field not laid out yet has no size to divide by.
    const double w = width();
    const double h = height();
    writeHue(w > 0 ? drawnFraction(point.x() / w) : 0);
    writeSaturation(h > 0 ? drawnFraction(point.y() / h) : 0);
}

void ColorSpectrumField::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    dragging_ = true;
    dragTo(event->position());
}

void ColorSpectrumField::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging_) dragTo(event->position());
}

void ColorSpectrumField::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) dragging_ = false;
}

void ColorSpectrumField::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = rect();
    QPainterPath shape;
    shape.addRoundedRect(area, 8, 8);
    painter.save();
    painter.setClipPath(shape);
    painter.fillRect(area, hueCircle(area));
    QLinearGradient pale(area.topLeft(), area.bottomLeft());
    pale.setColorAt(0, Qt::white);
    pale.setColorAt(1, QColor::fromRgbF(1, 1, 1, 0));
    painter.fillRect(area, pale);

    const QPointF centre = markerCentre();
    const QRectF marker(centre.x() - markerSize / 2, centre.y() - markerSize / 2, markerSize, markerSize);
    painter.setPen(Qt::NoPen);
    // A dark halo all round: rings that deepen towards the marker.
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.27f));
    for (double spread : {2.0, 1.3, 0.6}) painter.drawEllipse(marker.adjusted(-spread, -spread, spread, spread));
    painter.setBrush(studioHsbColor(hue_, saturation_, 1));
    painter.setPen(QPen(Qt::white, 2));
    painter.drawEllipse(marker);
    painter.restore();

    QPainterPath outline;
    outline.addRoundedRect(area.adjusted(0.5, 0.5, -0.5, -0.5), 7.5, 7.5);
    painter.strokePath(outline, QPen(StudioAppearance::controlStroke(), 1));
}

ColorSpectrumPicker::ColorSpectrumPicker(double hue, double saturation, double brightness,
                                         std::optional<double> opacity, StudioValueFormat opacityFormat,
                                         std::optional<QString> title, bool showsSpectrumField, QWidget* parent)
    : QWidget(parent), hue_(hue), saturation_(saturation), brightness_(brightness), opacity_(opacity),
      opacityFormat_(opacityFormat)
{
    auto column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(9);
    if (title) column->addWidget(new StudioFieldLabel(*title), 0, Qt::AlignLeft);
    if (showsSpectrumField) {
        field_ = new ColorSpectrumField;
        column->addWidget(field_);
        connect(field_, &ColorSpectrumField::hueEdited, this, [this](double value) {
            hue_ = value;
            refresh();
            emit hueEdited(value);
        });
        connect(field_, &ColorSpectrumField::saturationEdited, this, [this](double value) {
            saturation_ = value;
            refresh();
            emit saturationEdited(value);
        });
    }

    auto sample = new QHBoxLayout;
    sample->setSpacing(10);
    swatch_ = new ColorSpectrumLargeSwatch;
    sample->addWidget(swatch_, 0, Qt::AlignVCenter);
    auto rows = new QVBoxLayout;
    rows->setSpacing(7);
    sample->addLayout(rows, 1);
    column->addLayout(sample);

    // Hue and saturation read as whole degrees and per cent, in 30; the
    // formatted read-outs get 44.
    rows_[0] = makeRow(QStringLiteral("H"), 0.01, 30, rows);
    rows_[1] = makeRow(QStringLiteral("S"), 0.01, 30, rows);
    rows_[2] = makeRow(QStringLiteral("B"), 0.002, 44, rows);
    if (opacity_) rows_[3] = makeRow(QStringLiteral("A"), std::nullopt, 44, rows);

    const auto edits = [this](double* target, void (ColorSpectrumPicker::*signal)(double)) {
        return [this, target, signal](double value) {
            *target = value;
            refresh();
            emit(this->*signal)(value);
        };
    };
    connect(rows_[0].slider, &StudioTrackSlider::valueEdited, this, edits(&hue_, &ColorSpectrumPicker::hueEdited));
    connect(rows_[1].slider, &StudioTrackSlider::valueEdited, this,
            edits(&saturation_, &ColorSpectrumPicker::saturationEdited));
    connect(rows_[2].slider, &StudioTrackSlider::valueEdited, this,
            edits(&brightness_, &ColorSpectrumPicker::brightnessEdited));
    if (opacity_)
        connect(rows_[3].slider, &StudioTrackSlider::valueEdited, this, [this](double value) {
            opacity_ = value;
            refresh();
            emit opacityEdited(value);
        });
    refresh();
}

ColorSpectrumPicker::Row ColorSpectrumPicker::makeRow(const QString& letter, std::optional<double> step,
                                                      int readoutWidth, QVBoxLayout* rows)
{
    Row row;
    auto label = new StudioFieldLabel(letter);
    label->setFixedWidth(12);
    row.slider = new StudioTrackSlider(0, 1, step);
    row.slider->setAccessibleName(letter);
    row.readout = new QLabel;
    row.readout->setFont(studioReadoutLarge());
    row.readout->setTextFormat(Qt::PlainText);
    row.readout->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row.readout->setFixedWidth(readoutWidth);
    QPalette palette = row.readout->palette();
    palette.setColor(QPalette::WindowText, StudioAppearance::primaryText());
    row.readout->setPalette(palette);

    auto line = new QHBoxLayout;
    line->setSpacing(10);
    line->addWidget(label, 0, Qt::AlignVCenter);
    line->addWidget(row.slider, 1, Qt::AlignVCenter);
    line->addWidget(row.readout, 0, Qt::AlignVCenter);
    rows->addLayout(line);
    return row;
}

void ColorSpectrumPicker::setHue(double hue)
{
    hue_ = hue;
    refresh();
}

void ColorSpectrumPicker::setSaturation(double saturation)
{
    saturation_ = saturation;
    refresh();
}

void ColorSpectrumPicker::setBrightness(double brightness)
{
    brightness_ = brightness;
    refresh();
}

void ColorSpectrumPicker::setOpacity(double opacity)
{
    if (!opacity_) return;
    opacity_ = opacity;
    refresh();
}

QColor ColorSpectrumPicker::color() const { return studioHsbColor(hue_, saturation_, brightness_); }

StudioTrackSlider* ColorSpectrumPicker::slider(Channel channel) const { return rows_[size_t(channel)].slider; }

QString ColorSpectrumPicker::readoutText(Channel channel) const
{
    const QLabel* readout = rows_[size_t(channel)].readout;
    return readout ? readout->text() : QString();
}

int ColorSpectrumPicker::rowCount() const { return opacity_ ? 4 : 3; }

QColor ColorSpectrumPicker::largeSwatchColor() const { return swatch_->color; }

void ColorSpectrumPicker::refresh()
{
    if (field_) {
        field_->setHue(hue_);
        field_->setSaturation(saturation_);
    }
    const QColor picked = color();
    if (swatch_->color != picked) {
        swatch_->color = picked;
        swatch_->update();
    }

    rows_[0].slider->setTrack(StudioSliderTrack::hue());
    rows_[0].slider->setValue(hue_);
    rows_[0].readout->setText(wholeNumberText(hue_ * 360));
    rows_[1].slider->setTrack(StudioSliderTrack::saturation(hue_, brightness_));
    rows_[1].slider->setValue(saturation_);
    rows_[1].readout->setText(wholeNumberText(saturation_ * 100));
    rows_[2].slider->setTrack(StudioSliderTrack::brightness(hue_, saturation_));
    rows_[2].slider->setValue(brightness_);
    rows_[2].readout->setText(StudioValueFormat::percentFine().text(brightness_));
    if (opacity_) {
        rows_[3].slider->setTrack(StudioSliderTrack::alpha(picked));
        rows_[3].slider->setValue(*opacity_);
        rows_[3].readout->setText(opacityFormat_.text(*opacity_));
    }
}

} // namespace corvane
