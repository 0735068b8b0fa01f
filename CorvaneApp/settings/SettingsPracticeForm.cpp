#include "CorvaneApp/settings/SettingsPracticeForm.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>

#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"
#include "CorvaneApp/kit/StudioParameterRow.hpp"
#include "CorvaneApp/kit/StudioSwitch.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"
#include "CorvaneApp/settings/SettingsView.hpp"

namespace corvane {

namespace {

StudioParameterRow* settingRow(const QString& title, const PracticeNumberSetting& setting, StudioValueFormat format)
{
    return new StudioParameterRow(title, setting.fallback, setting.lower, setting.upper, setting.step, format,
                                  std::nullopt, std::nullopt, SettingsPracticeForm::labelWidth);
}

} // namespace

QString SettingsPracticeForm::splitCaptionText(std::uint8_t note)
{
    return QStringLiteral("Nota que separa as mãos nas faixas sem mão atribuída: ") + SettingsView::noteName(note) +
           QStringLiteral(" e acima são da direita.");
}

SettingsPracticeForm::SettingsPracticeForm(PracticeSessionStore& store, QWidget* parent)
    : SettingsForm(parent), store_(store)
{
    namespace settings = practiceSettings;
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

    latency_ = settingRow(QStringLiteral("Compensação de latência"), settings::inputLatencyMilliseconds,
                          StudioValueFormat::milliseconds());
    group->addRow(latency_);
    seekStep_ = settingRow(QStringLiteral("Salto do transporte"), settings::seekStepSeconds,
                           StudioValueFormat::seconds());
    group->addRow(seekStep_);
    const auto& split = settings::handSplitNote;
    split_ = new StudioParameterRow(QStringLiteral("Divisão das mãos"), double(split.fallback), double(split.lower),
                                    double(split.upper), 1.0, StudioValueFormat::decimal(0), std::nullopt,
                                    std::nullopt, labelWidth);
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

    // Each change is the user's own move; a row's value already held changes nothing.
    connect(metronome_, &QAbstractButton::toggled, &store_, &PracticeSessionStore::setMetronomeEnabled);
    connect(latency_, &StudioParameterRow::valueEdited, this, [this](double milliseconds) {
        // Each change saves the whole progress: only a new whole millisecond goes through.
        const auto whole = practiceSettings::inputLatencyMilliseconds.edited(milliseconds);
        if (whole && *whole != store_.inputLatencyMilliseconds()) store_.setInputLatencyMilliseconds(*whole);
    });
    connect(seekStep_, &StudioParameterRow::valueEdited, this, [this](double seconds) {
        if (const auto step = practiceSettings::seekStepSeconds.edited(seconds)) store_.setSeekStepSeconds(*step);
    });
    connect(split_, &StudioParameterRow::valueEdited, this, [this](double note) {
        if (const auto split = practiceSettings::handSplitNote.edited(note)) store_.setHandSplitNote(*split);
    });
    connect(resetData_, &QAbstractButton::clicked, this, &SettingsPracticeForm::resetPracticeDataRequested);

    connect(&store_, &PracticeSessionStore::metronomeEnabledChanged, this, &SettingsPracticeForm::showMetronome);
    connect(&store_, &PracticeSessionStore::inputLatencyMillisecondsChanged, this, &SettingsPracticeForm::showLatency);
    connect(&store_, &PracticeSessionStore::seekStepSecondsChanged, this, &SettingsPracticeForm::showSeekStep);
    connect(&store_, &PracticeSessionStore::handSplitNoteChanged, this, &SettingsPracticeForm::showSplit);
    showMetronome();
    showLatency();
    showSeekStep();
    showSplit();
}

void SettingsPracticeForm::showMetronome()
{
    const QSignalBlocker quiet(metronome_);
    metronome_->setChecked(store_.metronomeEnabled());
}

void SettingsPracticeForm::showLatency() { latency_->setValue(store_.inputLatencyMilliseconds()); }

void SettingsPracticeForm::showSeekStep() { seekStep_->setValue(store_.seekStepSeconds()); }

void SettingsPracticeForm::showSplit()
{
    const std::uint8_t split = store_.handSplitNote();
    split_->setValue(split);
    splitCaption_->setText(splitCaptionText(split));
}

} // namespace corvane
