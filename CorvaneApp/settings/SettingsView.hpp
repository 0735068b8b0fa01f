#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>

class QMessageBox;
class QTabWidget;

namespace corvane {

class AudioSettingsForm;
class MIDIDeviceMonitor;
class MIDISettingsForm;
class PianoAudioEngine;
class PracticeSessionStore;
class SettingsAccessibilityForm;
class SettingsEmptyState;
class SettingsPracticeForm;
class SettingsVisualForm;

// The content of the settings window: five tabs ("Prática", "MIDI",
// "Áudio", "Visual", "Acessibilidade") in a fixed 520 × 420 frame. The
// practice preferences live in the controller's defaults and are read from
// there by the parts that use them; the MIDI and audio tabs edit the monitor
// and the engine, each of which may be missing (its tab then says so). The
// two resets happen only from the destructive button of their confirmation.
class SettingsView : public QWidget {
    Q_OBJECT
public:
    static constexpr int tabWidth = 520;
    static constexpr int tabHeight = 420;
    static constexpr int padding = 20;

    // `openEditor` opens the instrument editor window; the window layer
    // hands it in.
    SettingsView(PracticeSessionStore& practiceStore, MIDIDeviceMonitor* midiDeviceMonitor,
                 PianoAudioEngine* audioEngine, std::function<void()> openEditor, QWidget* parent = nullptr);

    // The note's letter (sharps as U+266F) and octave, middle C being C4:
    // 60 → "C4", 61 → "C♯4", 21 → "A0", 0 → "C-1".
    static QString noteName(std::uint8_t note);

    QTabWidget* tabs() const { return tabs_; }
    // The pictogram of the tab at `index` ("music.note", "pianokeys", …).
    QString tabSystemImage(int index) const;

    SettingsPracticeForm* practiceForm() const { return practiceForm_; }
    // Null without a monitor; the empty state is null with one.
    MIDISettingsForm* midiForm() const { return midiForm_; }
    SettingsEmptyState* midiEmptyState() const { return midiEmptyState_; }
    // Null without an engine; the empty state is null with one.
    AudioSettingsForm* audioForm() const { return audioForm_; }
    SettingsEmptyState* audioEmptyState() const { return audioEmptyState_; }
    SettingsVisualForm* visualForm() const { return visualForm_; }
    SettingsAccessibilityForm* accessibilityForm() const { return accessibilityForm_; }

    // The confirmations, shown without blocking; null until first asked for.
    bool isResetVisualParametersPresented() const;
    bool isResetPracticeDataPresented() const;
    QMessageBox* resetVisualParametersConfirmation() const { return resetVisualConfirmation_; }
    QMessageBox* resetPracticeDataConfirmation() const { return resetDataConfirmation_; }
    void presentResetVisualParameters();
    void presentResetPracticeData();

private:
    QMessageBox* makeConfirmation(const QString& title, const QString& destructiveTitle, const QString& message,
                                  std::function<void()> confirmed);

    PracticeSessionStore& practiceStore_;
    QTabWidget* tabs_;
    SettingsPracticeForm* practiceForm_;
    MIDISettingsForm* midiForm_ = nullptr;
    SettingsEmptyState* midiEmptyState_ = nullptr;
    AudioSettingsForm* audioForm_ = nullptr;
    SettingsEmptyState* audioEmptyState_ = nullptr;
    SettingsVisualForm* visualForm_;
    SettingsAccessibilityForm* accessibilityForm_;
    QMessageBox* resetVisualConfirmation_ = nullptr;
    QMessageBox* resetDataConfirmation_ = nullptr;
};

} // namespace corvane
