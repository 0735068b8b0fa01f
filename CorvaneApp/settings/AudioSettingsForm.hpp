#pragma once

#include <functional>

#include "CorvaneApp/settings/SettingsFormParts.hpp"

class QComboBox;
class QLabel;

namespace corvane {

class PianoAudioEngine;

// The "Áudio" tab: the instrument that plays the song and the keyboard (the
// built-in piano or an LV2 plugin) with its maker, warnings and editor, the
// output device, and a new search for installed plugins.
//
// Everything shown follows the engine. Loading an instrument runs in the
// engine; meanwhile the instrument list is disabled and says what loads.
// Every refill keeps the engine's current choice selected and never chooses
// anything itself; only the user's pick in a list calls the engine.
class AudioSettingsForm : public SettingsForm {
    Q_OBJECT
public:
    // `openEditor` opens the instrument's own editor window.
    AudioSettingsForm(PianoAudioEngine& engine, std::function<void()> openEditor, QWidget* parent = nullptr);

    QComboBox* instrumentPicker() const { return instrumentPicker_->comboBox(); }
    SettingsValueRow* manufacturerRow() const { return manufacturer_; }
    SettingsProgressRow* loadingRow() const { return loading_; }
    SettingsSymbolLabel* validationWarning() const { return validationWarning_; }
    SettingsSymbolLabel* sandboxWarning() const { return sandboxWarning_; }
    SettingsButton* editorButton() const { return editor_; }
    QLabel* instrumentErrorLabel() const { return instrumentError_; }
    QComboBox* outputPicker() const { return outputPicker_->comboBox(); }
    QLabel* outputErrorLabel() const { return outputError_; }
    SettingsButton* refreshButton() const { return refresh_; }
    SettingsProgressRow* refreshingRow() const { return refreshing_; }

protected:
    // Outputs have no plug-in notification: showing the tab lists them
    // again, so that an unplugged one shows as unavailable.
    void showEvent(QShowEvent* event) override;

private:
    void showInstrument();
    void showInstrumentError();
    void showOutput();
    void showRefreshing();
    void instrumentPicked(int index);
    void outputPicked(int index);

    PianoAudioEngine& engine_;
    std::function<void()> openEditor_;
    SettingsPickerRow* instrumentPicker_;
    SettingsValueRow* manufacturer_;
    SettingsProgressRow* loading_;
    SettingsSymbolLabel* validationWarning_;
    SettingsSymbolLabel* sandboxWarning_;
    SettingsButton* editor_;
    QLabel* instrumentError_;
    SettingsPickerRow* outputPicker_;
    QLabel* outputError_;
    SettingsButton* refresh_;
    SettingsProgressRow* refreshing_;
};

} // namespace corvane
