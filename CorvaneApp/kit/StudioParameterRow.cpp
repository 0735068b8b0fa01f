#include "CorvaneApp/kit/StudioParameterRow.hpp"

#include <QHBoxLayout>
#include <QLabel>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"
#include "CorvaneApp/kit/StudioTrackSlider.hpp"

namespace corvane {

std::optional<qint64> studioRoundedInteger(double value, qint64 lower, qint64 upper)
{
    if (std::isnan(value)) return std::nullopt;
    // 2^63 is the first double past the largest qint64; converting it or
    // anything beyond would be undefined.
    constexpr double limit = 9223372036854775808.0;
    const double rounded = std::round(value);
    qint64 n = 0;
    if (rounded >= limit) n = std::numeric_limits<qint64>::max();
    else if (rounded < -limit) n = std::numeric_limits<qint64>::min();
    else n = qint64(rounded);
    if (n > upper) n = upper;
    if (n < lower) n = lower;
    return n;
}

int studioIntegerCellCount(qint64 lower, qint64 upper)
{
    if (upper <= lower) return 0;
    // The difference of two qint64 always fits an unsigned 64-bit number.
    const quint64 span = quint64(upper) - quint64(lower);
    return span >= quint64(INT_MAX) ? INT_MAX : int(span);
}

StudioParameterRow::StudioParameterRow(const QString& title, double value, double lower, double upper,
                                       std::optional<double> step, StudioValueFormat format,
                                       std::optional<StudioSliderTrack> track, std::optional<int> discreteCells,
                                       double labelWidth, QWidget* parent)
    : QWidget(parent), title_(title), format_(format), label_(new StudioFieldLabel(title)),
      slider_(new StudioTrackSlider(lower, upper, step, std::move(track), discreteCells)), readout_(new QLabel)
{
    setAccessibleName(title);
    slider_->setAccessibleName(title);
    slider_->setThumbSize(14);
    slider_->setTrackHeight(6);
    slider_->setCellHeight(10);
    slider_->setValue(value);

    label_->setFixedWidth(std::max(qRound(labelWidth), 0));
    readout_->setFont(studioReadoutLarge());
    readout_->setTextFormat(Qt::PlainText);
    readout_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // The format's width lines the read-outs up; a longer text ("1.500 ms")
    // widens its own row rather than losing its first digits.
    readout_->setMinimumWidth(format_.readoutWidth());
    readout_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    QPalette palette = readout_->palette();
    palette.setColor(QPalette::WindowText, StudioAppearance::primaryText());
    readout_->setPalette(palette);

    auto row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    row->addWidget(label_, 0, Qt::AlignVCenter);
    row->addWidget(slider_, 1, Qt::AlignVCenter);
    row->addWidget(readout_, 0, Qt::AlignVCenter);

    connect(slider_, &StudioTrackSlider::valueEdited, this, &StudioParameterRow::slid);
    showReadout();
}

StudioParameterRow* StudioParameterRow::forInteger(const QString& title, qint64 value, qint64 lower, qint64 upper,
                                                   std::optional<StudioSliderTrack> track, double labelWidth,
                                                   QWidget* parent)
{
    auto row = new StudioParameterRow(title, double(value), double(lower), double(upper), 1.0,
                                      StudioValueFormat::decimal(0), std::move(track),
                                      studioIntegerCellCount(lower, upper), labelWidth, parent);
    row->integerRange_ = IntegerRange{lower, upper, value};
    return row;
}

double StudioParameterRow::value() const { return slider_->value(); }

void StudioParameterRow::setValue(double value)
{
    if (integerRange_) {
        if (auto n = studioRoundedInteger(value, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max()))
            integerRange_->value = *n;
    }
    slider_->setValue(value);
    showReadout();
}

void StudioParameterRow::setIntValue(qint64 value)
{
    if (integerRange_) integerRange_->value = value;
    slider_->setValue(double(value));
    showReadout();
}

QString StudioParameterRow::readoutText() const { return readout_->text(); }
int StudioParameterRow::readoutWidth() const
{
    return std::max(readout_->minimumWidth(), readout_->sizeHint().width());
}

void StudioParameterRow::showReadout() { readout_->setText(format_.text(slider_->value())); }

void StudioParameterRow::slid(double value)
{
    if (!integerRange_) {
        showReadout();
        emit valueEdited(value);
        return;
    }
    const std::optional<qint64> n = studioRoundedInteger(value, integerRange_->lower, integerRange_->upper);
    if (!n) return;
    // The slider shows the whole number that was kept, as a caller's read would.
    slider_->setValue(double(*n));
    showReadout();
    if (*n == integerRange_->value) return;
    integerRange_->value = *n;
    emit intValueEdited(*n);
}

} // namespace corvane
