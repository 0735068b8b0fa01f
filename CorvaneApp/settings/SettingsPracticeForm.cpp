#include "CorvaneApp/settings/SettingsPracticeForm.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>

#include "CorvaneApp/commands/PracticeCommandActions.hpp"
#include "CorvaneApp/kit/StudioAppearance.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"
#include "CorvaneApp/kit/StudioParameterRow.hpp"
#include "CorvaneApp/kit/StudioSwitch.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"
#include "CorvaneApp/settings/SettingsView.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"

namespace corvane {

namespace {

constexpr double latencyLower = 0, latencyUpper = 200;
constexpr double seekLower = 1, seekUpper = 30;
constexpr double splitLower = 21, splitUpper = 108;

bool isPracticeKey(const QString& key)
{
    for (const char* ours : {PracticeSessionStore::metronomeKey, PracticeSessionStore::inputLatencyKey,
                             seekStepSecondsKey, PracticeSessionStore::handSplitNoteKey})
        if (key == QLatin1String(ours)) return true;
    return false;
}

} // namespace

double SettingsPracticeForm::shownInputLatency(const DefaultsStore& defaults)
{
    const double stored = defaults.doubleValue(PracticeSessionStore::inputLatencyKey).value_or(0);
    if (!std::isfinite(stored)) return 0;
    return std::clamp(stored, latencyLower, latencyUpper);
}

double SettingsPracticeForm::shownSeekStep(const DefaultsStore& defaults)
{
    // The commands' own reading (not above 0 → 5 s), held to the row's range.
    const double step = seekStepSeconds(defaults);
    if (std::isnan(step)) return 5;
    return std::clamp(step, seekLower, seekUpper);
}

QString SettingsPracticeForm::splitCaptionText(std::uint8_t note)
{
    return QStringLiteral("Nota que separa as mãos nas faixas sem mão atribuída: ") + SettingsView::noteName(note) +
           QStringLiteral(" e acima são da direita.");
}

SettingsPracticeForm::SettingsPracticeForm(PracticeSessionStore& store, QWidget* parent)
    : SettingsForm(parent), store_(store)
{
    DefaultsStore& defaults = store_.userDefaults();
    auto group = new SettingsGroup;

    auto metronomeRow = new QWidget;
    auto metronomeLayout = new QHBoxLayout(metronomeRow);
    metronomeLayout->setContentsMargins(0, 0, 0, 0);
    metronomeLayout->addWidget(new StudioFieldLabel(QStringLiteral("Metrônomo")), 0, Qt::AlignVCenter);
    metronomeLayout->addStretch(1);
    metronome_ = new StudioSwitch;
    metronome_->setAccessibleName(QStringLiteral("Metrônomo"));
    metronomeLayout->addWidget(metronome_, 0, Qt::AlignVCenter);
    metronomeRow->setMinimumHeight(26);
    group->addRow(metronomeRow);

    latency_ = new StudioParameterRow(QStringLiteral("Compensação de latência"), 0, latencyLower, latencyUpper, 1.0,
                                      StudioValueFormat::milliseconds(), std::nullopt, std::nullopt, labelWidth);
    group->addRow(latency_);
    seekStep_ = new StudioParameterRow(QStringLiteral("Salto do transporte"), 5, seekLower, seekUpper, 1.0,
                                       StudioValueFormat::seconds(), std::nullopt, std::nullopt, labelWidth);
    group->addRow(seekStep_);
    split_ = new StudioParameterRow(QStringLiteral("Divisão das mãos"), 60, splitLower, splitUpper, 1.0,
                                    StudioValueFormat::decimal(0), std::nullopt, std::nullopt, labelWidth);
    group->addRow(split_);
    splitCaption_ = makeSettingsCaption(QString(), StudioAppearance::secondaryText());
    group->addRow(splitCaption_);
    addSection(nullptr, group);

    auto data = new SettingsGroup;
    resetData_ = new SettingsButton(QStringLiteral("trash"), QStringLiteral("Apagar dados de prática"));
    data->addRow(resetData_);
    data->addRow(makeSettingsCaption(QStringLiteral("Apaga a sessão atual, todo o histórico e o desempenho de todos "
                                                    "os trechos. Os trechos salvos permanecem."),
                                     StudioAppearance::secondaryText()));
    addSection(new StudioSectionLabel(QStringLiteral("Dados")), data);
    finish();

    // Each write is the user's own move, in the key's own type.
    connect(metronome_, &QAbstractButton::toggled, this,
            [this](bool on) { store_.userDefaults().setBool(PracticeSessionStore::metronomeKey, on); });
    connect(latency_, &StudioParameterRow::valueEdited, this, [this](double milliseconds) {
        if (std::isfinite(milliseconds))
            store_.userDefaults().setDouble(PracticeSessionStore::inputLatencyKey,
                                            std::clamp(milliseconds, latencyLower, latencyUpper));
    });
    connect(seekStep_, &StudioParameterRow::valueEdited, this, [this](double seconds) {
        if (std::isfinite(seconds))
            store_.userDefaults().setDouble(seekStepSecondsKey, std::clamp(seconds, seekLower, seekUpper));
    });
    // The controller reads the split as an integer; a double would read as the default.
    connect(split_, &StudioParameterRow::valueEdited, this, [this](double note) {
        if (std::isfinite(note))
            store_.userDefaults().setInteger(PracticeSessionStore::handSplitNoteKey,
                                             std::int64_t(std::trunc(std::clamp(note, splitLower, splitUpper))));
    });
    connect(resetData_, &QAbstractButton::clicked, this, &SettingsPracticeForm::resetPracticeDataRequested);

    connect(&defaults, &DefaultsStore::valueChanged, this, [this](const QString& key) {
        if (isPracticeKey(key)) showStoredValues();
    });
    showStoredValues();
}

void SettingsPracticeForm::showStoredValues()
{
    const DefaultsStore& defaults = store_.userDefaults();
    {
        const QSignalBlocker quiet(metronome_);
        metronome_->setChecked(defaults.boolValue(PracticeSessionStore::metronomeKey).value_or(false));
    }
    latency_->setValue(shownInputLatency(defaults));
    seekStep_->setValue(shownSeekStep(defaults));
    // The split the controller plays with, whatever is stored.
    const std::uint8_t split = store_.handSplitNote();
    split_->setValue(split);
    splitCaption_->setText(splitCaptionText(split));
}

} // namespace corvane
