#include "CorvaneApp/settings/MIDISettingsForm.hpp"

#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>

#include <algorithm>
#include <optional>

#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneAudio/midi/MIDIDeviceMonitor.hpp"

namespace corvane {

namespace {

const QString unavailableSuffix = QStringLiteral(" \u2014 indispon\u00EDvel");

std::optional<std::int32_t> pickedID(const QComboBox& combo, int index)
{
    const QVariant data = combo.itemData(index);
    if (!data.isValid()) return std::nullopt;
    return std::int32_t(data.toInt());
}

// Refills `combo` with the "none" option, the online endpoints, and the
// chosen one when it is not online; then shows the chosen one. No signal.
template <class Endpoint>
void fill(QComboBox& combo, const QString& noneTitle, const std::vector<Endpoint>& endpoints,
          std::optional<std::int32_t> selected, const std::optional<std::string>& rememberedName,
          const QString& unnamed)
{
    const QSignalBlocker quiet(&combo);
    combo.clear();
    combo.addItem(noneTitle, QVariant());
    bool selectedIsOnline = false;
    for (const Endpoint& endpoint : endpoints) {
        if (endpoint.isOffline) continue;
        combo.addItem(QString::fromStdString(endpoint.displayName), QVariant(endpoint.id));
        if (selected && endpoint.id == *selected) selectedIsOnline = true;
    }
    if (selected && !selectedIsOnline) {
        const QString name = rememberedName ? QString::fromStdString(*rememberedName) : unnamed;
        combo.addItem(name + unavailableSuffix, QVariant(*selected));
    }
    combo.setCurrentIndex(selected ? combo.findData(QVariant(*selected)) : 0);
}

} // namespace

MIDISettingsForm::MIDISettingsForm(MIDIDeviceMonitor& monitor, QWidget* parent)
    : SettingsForm(parent), monitor_(monitor)
{
    auto input = new SettingsGroup;
    inputPicker_ = new SettingsPickerRow(QStringLiteral("Dispositivo"));
    inputPicker_->comboBox()->setObjectName(QStringLiteral("inputPicker"));
    input->addRow(inputPicker_);
    inputStatus_ = new SettingsValueRow(QStringLiteral("Estado"), QString(), StudioAppearance::secondaryText());
    input->addRow(inputStatus_);
    addSection(makeSettingsSectionHeader(QStringLiteral("Entrada")), input);

    auto output = new SettingsGroup;
    outputPicker_ = new SettingsPickerRow(QStringLiteral("Dispositivo"));
    outputPicker_->comboBox()->setObjectName(QStringLiteral("outputPicker"));
    output->addRow(outputPicker_);
    outputStatus_ = new SettingsValueRow(QStringLiteral("Estado"), QString(), StudioAppearance::secondaryText());
    output->addRow(outputStatus_);
    output->addRow(makeSettingsCaption(
        QStringLiteral("Uma saída externa recebe a reprodução MIDI no lugar do instrumento interno. Se ela for "
                       "desconectada, o instrumento interno assume até o dispositivo voltar."),
        StudioAppearance::secondaryText()));
    addSection(makeSettingsSectionHeader(QStringLiteral("Saída")), output);

    refresh_ = new SettingsButton(QStringLiteral("arrow.clockwise"), QStringLiteral("Atualizar dispositivos"));
    addWidget(refresh_, 12);
    finish();

    connect(inputPicker_->comboBox(), &QComboBox::activated, this, &MIDISettingsForm::inputPicked);
    connect(outputPicker_->comboBox(), &QComboBox::activated, this, &MIDISettingsForm::outputPicked);
    connect(refresh_, &QAbstractButton::clicked, this, [this] { monitor_.refresh(); });

    connect(&monitor_, &MIDIDeviceMonitor::sourcesChanged, this, &MIDISettingsForm::showInput);
    connect(&monitor_, &MIDIDeviceMonitor::connectionErrorsChanged, this, &MIDISettingsForm::showInput);
    connect(&monitor_, &MIDIDeviceMonitor::selectedInputIDChanged, this, &MIDISettingsForm::showInput);
    connect(&monitor_, &MIDIDeviceMonitor::destinationsChanged, this, &MIDISettingsForm::showOutput);
    connect(&monitor_, &MIDIDeviceMonitor::outputErrorChanged, this, &MIDISettingsForm::showOutput);
    connect(&monitor_, &MIDIDeviceMonitor::selectedOutputIDChanged, this, &MIDISettingsForm::showOutput);
    showInput();
    showOutput();
}

void MIDISettingsForm::showInput()
{
    const auto selected = monitor_.selectedInputID();
    fill(*inputPicker_->comboBox(), QStringLiteral("Todas as entradas"), monitor_.sources(), selected,
         monitor_.selectedInputDisplayName(), QStringLiteral("Entrada MIDI"));

    const auto& sources = monitor_.sources();
    const bool online = selected && std::any_of(sources.begin(), sources.end(), [&](const MIDIInputSource& source) {
                            return source.id == *selected && !source.isOffline;
                        });
    if (!selected)
        inputStatus_->setValue(QStringLiteral("Ouvindo todas"), StudioAppearance::secondaryText());
    else if (monitor_.connectionErrors().count(*selected))
        inputStatus_->setValue(QStringLiteral("Erro de conexão"), settingsRed());
    else if (online)
        inputStatus_->setValue(QStringLiteral("Conectada"), StudioAppearance::secondaryText());
    else
        inputStatus_->setValue(QStringLiteral("Aguardando dispositivo"), settingsOrange());
}

void MIDISettingsForm::showOutput()
{
    const auto selected = monitor_.selectedOutputID();
    fill(*outputPicker_->comboBox(), QStringLiteral("Instrumento interno"), monitor_.destinations(), selected,
         monitor_.selectedOutputDisplayName(), QStringLiteral("Saída MIDI"));

    if (const auto error = monitor_.outputError())
        outputStatus_->setValue(QStringLiteral("Erro MIDI %1").arg(*error), settingsRed());
    else if (!selected)
        outputStatus_->setValue(QStringLiteral("Instrumento interno"), StudioAppearance::secondaryText());
    else if (monitor_.usesInternalOutput())
        outputStatus_->setValue(QStringLiteral("Instrumento interno temporariamente"), settingsOrange());
    else
        outputStatus_->setValue(QStringLiteral("Conectada"), StudioAppearance::secondaryText());
}

void MIDISettingsForm::inputPicked(int index)
{
    const auto id = pickedID(*inputPicker_->comboBox(), index);
    // Picking what is already chosen is no change: no reconnection.
    if (id == monitor_.selectedInputID()) return;
    monitor_.selectInput(id);
    showInput();
}

void MIDISettingsForm::outputPicked(int index)
{
    const auto id = pickedID(*outputPicker_->comboBox(), index);
    if (id == monitor_.selectedOutputID()) return;
    monitor_.selectOutput(id);
    showOutput();
}

} // namespace corvane
