#include "CorvaneApp/settings/AudioUnitEditorViewGeneric.hpp"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string_view>

#include "CorvaneApp/kit/HiddenScrollers.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"
#include "CorvaneApp/kit/style/StudioLocale.hpp"
#include "CorvaneApp/kit/StudioScrollColumn.hpp"
#include "CorvaneApp/kit/StudioSwitch.hpp"
#include "CorvaneApp/kit/StudioTrackSlider.hpp"
#include "CorvaneApp/settings/AudioUnitEditorView.hpp"
#include "CorvaneAudio/instruments/LV2Instrument.hpp"

namespace corvane {

namespace {

constexpr int labelWidth = 150;

struct Bounds {
    double lower;
    double upper;
};

// A port without bounds gets the unit range, as LV2 hosts commonly choose.
Bounds boundsOf(const LV2ParameterDescriptor& descriptor)
{
    const double lower = std::isfinite(descriptor.minimum) ? descriptor.minimum : 0.0;
    const double upper = std::isfinite(descriptor.maximum) ? descriptor.maximum : lower + 1.0;
    return {lower, std::max(upper, lower)};
}

bool isLogarithmic(const LV2ParameterDescriptor& descriptor, Bounds bounds)
{
    return descriptor.isLogarithmic && bounds.lower > 0 && bounds.upper > bounds.lower;
}

std::size_t nearestScalePoint(const std::vector<LV2ScalePoint>& points, float value)
{
    std::size_t best = 0;
    for (std::size_t i = 1; i < points.size(); ++i)
        if (std::abs(points[i].value - value) < std::abs(points[best].value - value)) best = i;
    return best;
}

// The literal text of a printf format piece: "%%" is one "%".
std::string literal(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '%') ++i;
    }
    return out;
}

// One number conversion of a printf format, as units:render uses them.
std::optional<ParameterUnitText> readRendering(std::string_view format)
{
    std::size_t at = 0;
    while ((at = format.find('%', at)) != std::string_view::npos && at + 1 < format.size() && format[at + 1] == '%')
        at += 2;
    if (at == std::string_view::npos || at + 1 >= format.size()) return std::nullopt;
    std::size_t i = at + 1;
    while (i < format.size() && std::string_view("-+ #0").find(format[i]) != std::string_view::npos) ++i;
    while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i]))) ++i;
    std::optional<int> precision;
    if (i < format.size() && format[i] == '.') {
        int digits = 0;
        for (++i; i < format.size() && std::isdigit(static_cast<unsigned char>(format[i])); ++i)
            digits = std::min(digits * 10 + (format[i] - '0'), 9);
        precision = digits;
    }
    while (i < format.size() && (format[i] == 'l' || format[i] == 'h')) ++i;
    if (i >= format.size()) return std::nullopt;
    const char conversion = format[i];
    ParameterUnitText text{literal(format.substr(0, at)), literal(format.substr(i + 1)), std::nullopt};
    if (std::string_view("diu").find(conversion) != std::string_view::npos) text.decimals = 0;
    else if (std::string_view("fFeEgG").find(conversion) != std::string_view::npos) text.decimals = precision;
    else return std::nullopt;
    // A second conversion would print something this field cannot.
    const auto rest = format.substr(i + 1);
    for (std::size_t j = 0; j < rest.size(); ++j) {
        if (rest[j] != '%') continue;
        if (j + 1 < rest.size() && rest[j + 1] == '%') ++j;
        else return std::nullopt;
    }
    return text;
}

} // namespace

ParameterUnitText parameterUnitText(const LV2ParameterDescriptor& descriptor)
{
    if (!descriptor.unitFormat.empty())
        if (auto text = readRendering(descriptor.unitFormat)) return *text;
    if (!descriptor.unitSymbol.empty()) return {{}, " " + descriptor.unitSymbol, std::nullopt};
    return {};
}

double parameterFraction(const LV2ParameterDescriptor& descriptor, double value)
{
    const auto bounds = boundsOf(descriptor);
    if (!std::isfinite(value) || bounds.upper <= bounds.lower) return 0;
    const double fraction = isLogarithmic(descriptor, bounds)
                                ? std::log(std::max(value, bounds.lower) / bounds.lower) /
                                      std::log(bounds.upper / bounds.lower)
                                : (value - bounds.lower) / (bounds.upper - bounds.lower);
    return std::clamp(fraction, 0.0, 1.0);
}

double parameterValueAtFraction(const LV2ParameterDescriptor& descriptor, double fraction)
{
    const auto bounds = boundsOf(descriptor);
    fraction = std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0;
    if (isLogarithmic(descriptor, bounds)) return bounds.lower * std::pow(bounds.upper / bounds.lower, fraction);
    return bounds.lower + fraction * (bounds.upper - bounds.lower);
}

AudioUnitGenericEditor::AudioUnitGenericEditor(LV2Instrument& plugin, QWidget* parent)
    : QWidget(parent), plugin_(plugin)
{
    for (const auto& descriptor : plugin.parameterDescriptors())
        if (!descriptor.isNotOnGUI) rows_.push_back(Row{descriptor});
    // Room for a unit after the number; every field alike, so the sliders line up.
    for (const auto& row : rows_) {
        const auto unit = parameterUnitText(row.descriptor);
        if (!unit.prefix.empty() || !unit.suffix.empty()) fieldWidth_ = 128;
    }

    // A plugin's own interface may have shrunk the window to a strip; the
    // rows need at least the room of the empty state.
    setMinimumSize(AudioUnitEmptyState::leastWidth, AudioUnitEmptyState::leastHeight);
    auto outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    QVBoxLayout* column = nullptr;
    auto area = makeStudioScrollColumn(this, column);
    hidingScrollers(area);
    column->setContentsMargins(24, 8, 24, 20);
    column->setSpacing(10);
    outer->addWidget(area);

    for (auto& row : rows_) {
        auto line = new QWidget;
        auto layout = new QHBoxLayout(line);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(10);
        auto label = new StudioFieldLabel(QString::fromStdString(row.descriptor.name));
        label->setFixedWidth(labelWidth);
        layout->addWidget(label, 0, Qt::AlignVCenter);
        layout->addWidget(makeControl(row), 1, Qt::AlignVCenter);
        column->addWidget(line);
        show(row, plugin_.parameterValueAt(row.descriptor.port).value_or(row.descriptor.defaultValue));
    }
    column->addStretch(1);
}

QWidget* AudioUnitGenericEditor::makeControl(Row& row)
{
    const auto index = static_cast<std::size_t>(&row - rows_.data());
    const auto& descriptor = row.descriptor;
    const QString symbol = QString::fromStdString(descriptor.symbol);
    const QString name = QString::fromStdString(descriptor.name);
    const auto bounds = boundsOf(descriptor);

    if (descriptor.isToggled) {
        row.toggle = new StudioSwitch;
        row.toggle->setObjectName(QStringLiteral("switch:") + symbol);
        row.toggle->setAccessibleName(name);
        connect(row.toggle, &StudioSwitch::toggled, this,
                [this, index, bounds](bool on) { write(index, on ? bounds.upper : bounds.lower); });
        auto holder = new QWidget;
        auto layout = new QHBoxLayout(holder);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(row.toggle);
        layout->addStretch(1);
        return holder;
    }

    if (descriptor.isEnumeration && !descriptor.scalePoints.empty()) {
        row.menu = new QComboBox;
        row.menu->setObjectName(QStringLiteral("menu:") + symbol);
        row.menu->setAccessibleName(name);
        for (const auto& point : descriptor.scalePoints) row.menu->addItem(QString::fromStdString(point.label));
        connect(row.menu, &QComboBox::activated, this, [this, index](int choice) {
            const auto& points = rows_[index].descriptor.scalePoints;
            if (choice >= 0 && static_cast<std::size_t>(choice) < points.size()) write(index, points[choice].value);
        });
        return row.menu;
    }

    auto holder = new QWidget;
    auto layout = new QHBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    // The slider runs over the fraction, so a logarithmic port spreads evenly.
    row.slider = new StudioTrackSlider(0, 1);
    row.slider->setObjectName(QStringLiteral("slider:") + symbol);
    row.slider->setAccessibleName(name);
    connect(row.slider, &StudioTrackSlider::valueEdited, this, [this, index](double fraction) {
        const auto& described = rows_[index].descriptor;
        double value = parameterValueAtFraction(described, fraction);
        if (described.isInteger) value = std::round(value);
        write(index, value);
    });
    row.field = new QDoubleSpinBox;
    row.field->setObjectName(QStringLiteral("field:") + symbol);
    row.field->setAccessibleName(name);
    row.field->setLocale(studioLocale());
    row.field->setFont(studioReadoutBody());
    row.field->setKeyboardTracking(false);
    row.field->setRange(bounds.lower, bounds.upper);
    const double span = bounds.upper - bounds.lower;
    const auto unit = parameterUnitText(descriptor);
    row.field->setDecimals(descriptor.isInteger ? 0 : unit.decimals.value_or(span >= 10 ? 2 : 3));
    row.field->setSingleStep(descriptor.isInteger ? 1.0 : span > 0 ? span / 100 : 0.01);
    row.field->setPrefix(QString::fromStdString(unit.prefix));
    row.field->setSuffix(QString::fromStdString(unit.suffix));
    row.field->setFixedWidth(fieldWidth_);
    connect(row.field, &QDoubleSpinBox::valueChanged, this, [this, index](double value) { write(index, value); });
    layout->addWidget(row.slider, 1);
    layout->addWidget(row.field);
    return holder;
}

void AudioUnitGenericEditor::write(std::size_t index, double value)
{
    auto& row = rows_[index];
    if (!std::isfinite(value)) return;
    plugin_.setParameterValueAt(row.descriptor.port, static_cast<float>(value));
    // The plugin may have held the value to its bounds: show what it kept.
    show(row, plugin_.parameterValueAt(row.descriptor.port).value_or(row.shown));
}

void AudioUnitGenericEditor::show(Row& row, float value)
{
    row.shown = value;
    if (row.toggle) {
        const QSignalBlocker blocker(row.toggle);
        row.toggle->setChecked(value > 0);
    }
    if (row.menu) {
        const QSignalBlocker blocker(row.menu);
        row.menu->setCurrentIndex(static_cast<int>(nearestScalePoint(row.descriptor.scalePoints, value)));
    }
    if (row.slider) row.slider->setValue(parameterFraction(row.descriptor, value));
    // A number being typed is not overwritten under the user's hands.
    if (row.field && !row.field->hasFocus()) {
        const QSignalBlocker blocker(row.field);
        row.field->setValue(value);
    }
}

void AudioUnitGenericEditor::refresh()
{
    for (auto& row : rows_) {
        const auto value = plugin_.parameterValueAt(row.descriptor.port);
        if (value && *value != row.shown) show(row, *value);
    }
}

} // namespace corvane
