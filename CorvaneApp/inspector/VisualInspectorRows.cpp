#include "CorvaneApp/inspector/VisualInspectorRows.hpp"

#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/StudioColorRow.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"
#include "CorvaneApp/kit/StudioMenuRow.hpp"
#include "CorvaneApp/kit/StudioParameterRow.hpp"
#include "CorvaneApp/kit/StudioSection.hpp"
#include "CorvaneApp/kit/StudioSwitch.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"

namespace corvane {

namespace {

constexpr int sectionSpacing = 16;
constexpr int rowSpacing = 10;

class Divider : public QWidget {
public:
    explicit Divider(QWidget* parent) : QWidget(parent) { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), StudioAppearance::controlStroke());
    }
};

} // namespace

double visualShownValue(double value, double lower, double upper)
{
    if (std::isnan(value)) return value;
    return std::clamp(value, lower, upper);
}

QWidget* visualDivider(QWidget* parent) { return new Divider(parent); }

VisualPresetRows::VisualPresetRows(PracticeSessionStore& store, QObject* parent) : QObject(parent), store_(store)
{
    connect(&store_, &PracticeSessionStore::visualPresetChanged, this, &VisualPresetRows::showAll);
}

void VisualPresetRows::onShow(std::function<void(const VisualPreset&)> show)
{
    show(store_.visualPreset());
    shows_.push_back(std::move(show));
}

void VisualPresetRows::showAll()
{
    const VisualPreset& preset = store_.visualPreset();
    for (const auto& show : shows_) show(preset);
}

void VisualPresetRows::edit(const std::function<void(VisualPreset&)>& change)
{
    VisualPreset preset = store_.visualPreset();
    change(preset);
    store_.setVisualPreset(std::move(preset));
}

StudioParameterRow* VisualPresetRows::stepper(const QString& title, double VisualPreset::*field, double lower,
                                              double upper, double step)
{
    return parameter(title, field, lower, upper, step, StudioValueFormat::decimal(2));
}

StudioParameterRow* VisualPresetRows::parameter(const QString& title, double VisualPreset::*field, double lower,
                                                double upper, double step, StudioValueFormat format)
{
    auto row = new StudioParameterRow(title, visualShownValue(store_.visualPreset().*field, lower, upper), lower,
                                      upper, step, format, std::nullopt, std::nullopt, visualLabelWidth);
    onShow([row, field, lower, upper](const VisualPreset& preset) {
        row->setValue(visualShownValue(preset.*field, lower, upper));
    });
    connect(row, &StudioParameterRow::valueEdited, this, [this, field](double value) {
        if (!std::isfinite(value)) return;
        edit([&](VisualPreset& preset) { preset.*field = value; });
    });
    parameterRows_.push_back(row);
    return row;
}

StudioParameterRow* VisualPresetRows::integer(const QString& title, std::int64_t VisualPreset::*field,
                                              std::int64_t lower, std::int64_t upper)
{
    const auto shown = [lower, upper](std::int64_t value) { return std::clamp(value, lower, upper); };
    auto row = StudioParameterRow::forInteger(title, shown(store_.visualPreset().*field), lower, upper, std::nullopt,
                                              visualLabelWidth);
    onShow([row, field, shown](const VisualPreset& preset) { row->setIntValue(shown(preset.*field)); });
    connect(row, &StudioParameterRow::intValueEdited, this, [this, field](qint64 value) {
        edit([&](VisualPreset& preset) { preset.*field = value; });
    });
    parameterRows_.push_back(row);
    return row;
}

QWidget* VisualPresetRows::toggle(const QString& title, bool VisualPreset::*field, StudioSwitch** made)
{
    auto row = new QWidget;
    auto line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(8);
    auto label = new StudioFieldLabel(title, row);
    auto toggle = new StudioSwitch(QString(), row);
    toggle->setAccessibleName(title);
    line->addWidget(label, 1, Qt::AlignVCenter);
    line->addWidget(toggle, 0, Qt::AlignVCenter);
    onShow([toggle, field](const VisualPreset& preset) {
        // The switch's own signal fires on setChecked too: only the user's flips may write.
        const QSignalBlocker quiet(toggle);
        toggle->setChecked(preset.*field);
    });
    connect(toggle, &QAbstractButton::toggled, this, [this, field](bool on) {
        edit([&](VisualPreset& preset) { preset.*field = on; });
    });
    if (made) *made = toggle;
    return row;
}

StudioColorRow* VisualPresetRows::color(const QString& title, double VisualPreset::*hue,
                                        double VisualPreset::*saturation, double VisualPreset::*brightness)
{
    const VisualPreset& now = store_.visualPreset();
    auto row = new StudioColorRow(title, now.*hue, now.*saturation, now.*brightness);
    onShow([row, hue, saturation, brightness](const VisualPreset& preset) {
        row->setHue(preset.*hue);
        row->setSaturation(preset.*saturation);
        row->setBrightness(preset.*brightness);
    });
    const auto writer = [this](double VisualPreset::*field) {
        return [this, field](double value) {
            if (!std::isfinite(value)) return;
            edit([&](VisualPreset& preset) { preset.*field = value; });
        };
    };
    connect(row, &StudioColorRow::hueEdited, this, writer(hue));
    connect(row, &StudioColorRow::saturationEdited, this, writer(saturation));
    connect(row, &StudioColorRow::brightnessEdited, this, writer(brightness));
    return row;
}

StudioMenuRow* VisualPresetRows::menu(const QString& title, QStringList choices,
                                      std::function<int(const VisualPreset&)> current,
                                      std::function<void(VisualPreset&, int)> choose)
{
    // Menus keep the kit's amber, not the note colour.
    auto row = new StudioMenuRow(title, QString(), StudioAppearance::amber(), false, visualMenuValueWidth);
    for (int i = 0; i < choices.size(); ++i) {
        QAction* item = row->menu()->addAction(choices[i]);
        item->setData(i);
        connect(item, &QAction::triggered, this, [this, choose, i] {
            edit([&](VisualPreset& preset) { choose(preset, i); });
        });
    }
    onShow([row, choices, current = std::move(current)](const VisualPreset& preset) {
        const int index = current(preset);
        row->setValue(index >= 0 && index < choices.size() ? choices[index] : QString());
    });
    menuRows_.push_back(row);
    return row;
}

VisualCategoryColumn::VisualCategoryColumn(QWidget* owner) : column_(new QVBoxLayout(owner))
{
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(sectionSpacing);
}

void VisualCategoryColumn::addSection(const QString& title, QWidget* rows)
{
    QWidget* owner = column_->parentWidget();
    if (sections_++ > 0) column_->addWidget(visualDivider(owner));
    column_->addWidget(new StudioSection(title, std::nullopt, rows, nullptr, owner));
}

QWidget* VisualCategoryColumn::rowStack(QVBoxLayout*& stack)
{
    auto rows = new QWidget;
    stack = new QVBoxLayout(rows);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(rowSpacing);
    return rows;
}

} // namespace corvane
