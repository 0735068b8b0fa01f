#pragma once

#include <cstdint>

#include "CorvaneApp/settings/SettingsFormParts.hpp"

class QLabel;

namespace corvane {

class PracticeSessionStore;
class StudioParameterRow;
class StudioSwitch;

// The "Prática" tab: the metronome choice, the input-latency compensation,
// the transport's skip step and the note that splits the hands, each the
// controller's setting, changed only when the user moves its control; and
// the button that asks to erase all practice data.
//
// What is shown follows the controller (changed by another window too);
// stored values out of range show as the controller holds them, clamped or
// the default, and are never written back until the user moves the control.
class SettingsPracticeForm : public SettingsForm {
    Q_OBJECT
public:
    static constexpr double labelWidth = 160;

    explicit SettingsPracticeForm(PracticeSessionStore& store, QWidget* parent = nullptr);

    StudioSwitch* metronomeSwitch() const { return metronome_; }
    StudioParameterRow* latencyRow() const { return latency_; }
    StudioParameterRow* seekStepRow() const { return seekStep_; }
    StudioParameterRow* splitRow() const { return split_; }
    QLabel* splitCaption() const { return splitCaption_; }
    SettingsButton* resetDataButton() const { return resetData_; }

    // "Nota que separa as mãos … : " + the note's name + " e acima são da direita."
    static QString splitCaptionText(std::uint8_t note);

signals:
    void resetPracticeDataRequested();

private:
    void showMetronome();
    void showLatency();
    void showSeekStep();
    void showSplit();

    PracticeSessionStore& store_;
    StudioSwitch* metronome_;
    StudioParameterRow* latency_;
    StudioParameterRow* seekStep_;
    StudioParameterRow* split_;
    QLabel* splitCaption_;
    SettingsButton* resetData_;
};

} // namespace corvane
