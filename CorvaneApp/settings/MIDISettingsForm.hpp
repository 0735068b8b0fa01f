#pragma once

#include "CorvaneApp/settings/SettingsFormParts.hpp"

class QComboBox;

namespace corvane {

class MIDIDeviceMonitor;

// The "MIDI" tab: which source is listened to and which destination, if
// any, plays the song instead of the internal instrument, the state of
// each, and a button that lists the devices again.
//
// The lists follow the monitor: every refill keeps the chosen device
// selected and never chooses anything itself. A chosen device that is gone
// stays chosen and is listed as unavailable under its remembered name. Only
// the user's pick in a list calls the monitor.
class MIDISettingsForm : public SettingsForm {
    Q_OBJECT
public:
    explicit MIDISettingsForm(MIDIDeviceMonitor& monitor, QWidget* parent = nullptr);

    QComboBox* inputPicker() const { return inputPicker_->comboBox(); }
    SettingsValueRow* inputStatus() const { return inputStatus_; }
    QComboBox* outputPicker() const { return outputPicker_->comboBox(); }
    SettingsValueRow* outputStatus() const { return outputStatus_; }
    SettingsButton* refreshButton() const { return refresh_; }

private:
    void showInput();
    void showOutput();
    void inputPicked(int index);
    void outputPicked(int index);

    MIDIDeviceMonitor& monitor_;
    SettingsPickerRow* inputPicker_;
    SettingsValueRow* inputStatus_;
    SettingsPickerRow* outputPicker_;
    SettingsValueRow* outputStatus_;
    SettingsButton* refresh_;
};

} // namespace corvane
