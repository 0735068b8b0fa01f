#include "CorvaneApp/settings/AudioSettingsForm.hpp"

#include <QComboBox>
#include <QLabel>
#include <QShowEvent>
#include <QSignalBlocker>

#include <algorithm>
#include <optional>

#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"

namespace corvane {

namespace {

QString text(const std::string& value) { return QString::fromStdString(value); }

} // namespace

AudioSettingsForm::AudioSettingsForm(PianoAudioEngine& engine, std::function<void()> openEditor, QWidget* parent)
    : SettingsForm(parent), engine_(engine), openEditor_(std::move(openEditor))
{
    auto instrument = new SettingsGroup;
    instrumentPicker_ = new SettingsPickerRow(QStringLiteral("Instrumento"));
    instrumentPicker_->comboBox()->setObjectName(QStringLiteral("instrumentPicker"));
    instrument->addRow(instrumentPicker_);
    manufacturer_ = new SettingsValueRow(QStringLiteral("Fabricante"), QString(), StudioAppearance::secondaryText());
    instrument->addRow(manufacturer_);
    loading_ = new SettingsProgressRow;
    instrument->addRow(loading_);
    validationWarning_ = new SettingsSymbolLabel(QStringLiteral("exclamationmark.triangle"),
                                                 QStringLiteral("Este plug-in LV2 não informa validação concluída."),
                                                 settingsOrange());
    instrument->addRow(validationWarning_);
    sandboxWarning_ = new SettingsSymbolLabel(
        QStringLiteral("lock.open.trianglebadge.exclamationmark"),
        QStringLiteral("Este plugin requer autorização para executar fora das restrições normais do sandbox."),
        settingsOrange());
    instrument->addRow(sandboxWarning_);
    editor_ = new SettingsButton(QStringLiteral("slider.horizontal.3"), QStringLiteral("Abrir interface do instrumento"));
    instrument->addRow(editor_);
    instrumentError_ = makeSettingsCaption(QString(), settingsRed());
    instrument->addRow(instrumentError_);
    addSection(makeSettingsSectionHeader(QStringLiteral("Instrumento virtual")), instrument);

    auto output = new SettingsGroup;
    outputPicker_ = new SettingsPickerRow(QStringLiteral("Dispositivo"));
    outputPicker_->comboBox()->setObjectName(QStringLiteral("outputPicker"));
    output->addRow(outputPicker_);
    output->addRow(makeSettingsCaption(QStringLiteral("O arquivo MIDI e o teclado conectado alimentam o mesmo "
                                                      "instrumento e saem juntos por este dispositivo."),
                                       StudioAppearance::secondaryText()));
    outputError_ = makeSettingsCaption(QString(), settingsRed());
    output->addRow(outputError_);
    addSection(makeSettingsSectionHeader(QStringLiteral("Saída")), output);

    refresh_ = new SettingsButton(QStringLiteral("arrow.clockwise"), QStringLiteral("Atualizar plug-ins LV2"));
    addWidget(refresh_, 12);
    refreshing_ = new SettingsProgressRow;
    refreshing_->setText(QStringLiteral("Procurando instrumentos instalados…"));
    addWidget(refreshing_, 4);
    finish();

    connect(instrumentPicker_->comboBox(), &QComboBox::activated, this, &AudioSettingsForm::instrumentPicked);
    connect(outputPicker_->comboBox(), &QComboBox::activated, this, &AudioSettingsForm::outputPicked);
    connect(editor_, &QAbstractButton::clicked, this, [this] {
        if (openEditor_) openEditor_();
    });
    // The search runs in the engine; the button only starts it.
    connect(refresh_, &QAbstractButton::clicked, this, [this] { engine_.refreshAvailableInstruments(); });

    connect(&engine_, &PianoAudioEngine::availableInstrumentsChanged, this, &AudioSettingsForm::showInstrument);
    connect(&engine_, &PianoAudioEngine::selectedInstrumentChanged, this, &AudioSettingsForm::showInstrument);
    connect(&engine_, &PianoAudioEngine::loadingInstrumentIDChanged, this, &AudioSettingsForm::showInstrument);
    connect(&engine_, &PianoAudioEngine::instrumentErrorChanged, this, &AudioSettingsForm::showInstrumentError);
    connect(&engine_, &PianoAudioEngine::availableAudioOutputsChanged, this, &AudioSettingsForm::showOutput);
    connect(&engine_, &PianoAudioEngine::selectedOutputUIDChanged, this, &AudioSettingsForm::showOutput);
    connect(&engine_, &PianoAudioEngine::outputErrorChanged, this, &AudioSettingsForm::showOutput);
    connect(&engine_, &PianoAudioEngine::isRefreshingInstrumentsChanged, this, &AudioSettingsForm::showRefreshing);
    showInstrument();
    showInstrumentError();
    showOutput();
    showRefreshing();
}

void AudioSettingsForm::showEvent(QShowEvent* event)
{
    SettingsForm::showEvent(event);
    if (!event->spontaneous()) engine_.refreshAudioOutputs();
}

void AudioSettingsForm::showInstrument()
{
    const auto& instruments = engine_.availableInstruments();
    const auto& selected = engine_.selectedInstrument();
    QComboBox& combo = *instrumentPicker_->comboBox();
    {
        const QSignalBlocker quiet(&combo);
        combo.clear();
        for (const auto& descriptor : instruments) combo.addItem(text(descriptor.name), text(descriptor.id));
        // The playing instrument is always shown, even when a new search no
        // longer lists it.
        if (combo.findData(text(selected.id)) < 0) combo.addItem(text(selected.name), text(selected.id));
        combo.setCurrentIndex(combo.findData(text(selected.id)));
    }

    const auto& loadingID = engine_.loadingInstrumentID();
    combo.setEnabled(!loadingID);
    manufacturer_->setValue(text(selected.manufacturerName), StudioAppearance::secondaryText());

    const auto loadingEntry = loadingID ? std::find_if(instruments.begin(), instruments.end(),
                                                       [&](const auto& d) { return d.id == *loadingID; })
                                        : instruments.end();
    if (loadingEntry != instruments.end())
        loading_->setText(QStringLiteral("Carregando ") + text(loadingEntry->name) + QStringLiteral("…"));
    loading_->setVisible(loadingEntry != instruments.end());

    const bool plugin = selected.kind == AudioInstrumentDescriptor::Kind::audioUnit;
    validationWarning_->setVisible(plugin && !selected.passesValidation);
    sandboxWarning_->setVisible(plugin && !selected.isSandboxSafe);
    editor_->setVisible(plugin);
}

void AudioSettingsForm::showInstrumentError()
{
    const auto& error = engine_.instrumentError();
    instrumentError_->setText(error ? text(*error) : QString());
    instrumentError_->setVisible(error.has_value());
}

void AudioSettingsForm::showOutput()
{
    const auto& outputs = engine_.availableAudioOutputs();
    const auto& selected = engine_.selectedOutputUID();
    QComboBox& combo = *outputPicker_->comboBox();
    {
        const QSignalBlocker quiet(&combo);
        combo.clear();
        combo.addItem(QStringLiteral("Padrão do sistema"), QVariant());
        for (const auto& device : outputs) combo.addItem(text(device.name), text(device.uid));
        if (selected && combo.findData(text(*selected)) < 0)
            combo.addItem(QStringLiteral("Saída indisponível"), text(*selected));
        combo.setCurrentIndex(selected ? combo.findData(text(*selected)) : 0);
    }
    const auto& error = engine_.outputError();
    outputError_->setText(error ? text(*error) : QString());
    outputError_->setVisible(error.has_value());
}

void AudioSettingsForm::showRefreshing()
{
    const bool refreshing = engine_.isRefreshingInstruments();
    refresh_->setEnabled(!refreshing);
    refreshing_->setVisible(refreshing);
}

void AudioSettingsForm::instrumentPicked(int index)
{
    const QString id = instrumentPicker_->comboBox()->itemData(index).toString();
    // The list keeps showing the playing instrument until the engine has
    // loaded the new one.
    if (!id.isEmpty() && id.toStdString() != engine_.selectedInstrument().id)
        engine_.selectInstrument(id.toStdString());
    showInstrument();
}

void AudioSettingsForm::outputPicked(int index)
{
    const QVariant data = outputPicker_->comboBox()->itemData(index);
    const std::optional<std::string> uid =
        data.isValid() ? std::optional<std::string>(data.toString().toStdString()) : std::nullopt;
    if (uid == engine_.selectedOutputUID()) return;
    engine_.selectAudioOutput(uid);
    showOutput();
}

} // namespace corvane
