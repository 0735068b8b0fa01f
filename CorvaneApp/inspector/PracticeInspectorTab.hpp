#pragma once

#include <QColor>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

class QLabel;
class QScrollArea;

namespace corvane {

class InspectorLoopControls;
class InspectorTrackControls;
class MIDIPerformanceGroup;
class PracticeSessionStore;
class SessionReadoutGroup;
class StudioMenuRow;
class StudioParameterRow;
class StudioSection;
class StudioSwitch;

// The inspector's "Prática" page: how the controller runs the practice
// (mode, hand, instrument, input latency, count-in), the track list, the
// loop editor with the saved loops, and the session and MIDI read-outs, in
// one column that scrolls without bars. It keeps no practice data: every
// row shows the controller's or the engine's value and calls their
// operations. Changes update the rows in place; rows that come and go are
// shown and hidden, never rebuilt.
class PracticeInspectorTab : public QWidget {
    Q_OBJECT
public:
    static constexpr int padding = 14;
    static constexpr int spacing = 16;
    static constexpr double menuValueWidth = 150;
    static constexpr double latencyLabelWidth = 84;

    // openInstrumentEditor opens the plugin's editor window (the window layer's to do).
    PracticeInspectorTab(PracticeSessionStore& store, std::function<void()> openInstrumentEditor = {},
                         QWidget* parent = nullptr);

    // The preset's accent, read afresh: tints the switch and the waiting label.
    QColor accent() const;

    // "1 compasso", "3 compassos".
    static QString countInLabel(std::int64_t measures);

    QScrollArea& scrollArea() const { return *scroll_; }
    // The column's elements, top to bottom, hidden ones included.
    std::vector<QWidget*> columnElements() const;

    StudioSection& guidedPracticeSection() const { return *guided_; }
    StudioMenuRow& modeRow() const { return *mode_; }
    StudioMenuRow& handRow() const { return *hand_; }
    // The "Som" row with its stack; hidden without an audio engine.
    QWidget& soundRowStack() const { return *soundStack_; }
    StudioMenuRow& soundRow() const { return *sound_; }
    StudioParameterRow& latencyRow() const { return *latency_; }

    StudioSection& countInSection() const { return *countIn_; }
    StudioSwitch& countInSwitch() const { return *countInSwitch_; }
    StudioMenuRow& durationRow() const { return *duration_; }
    // Shown while the controller waits for notes.
    QWidget& waitingRow() const { return *waiting_; }
    QString waitingText() const;
    QColor waitingColor() const;

    StudioSection& tracksSection() const { return *tracks_; }
    InspectorTrackControls& trackControls() const { return *trackControls_; }
    StudioSection& loopsSection() const { return *loops_; }
    InspectorLoopControls& loopControls() const { return *loopControls_; }

    SessionReadoutGroup& sessionGroup() const { return *session_; }
    // The divider above "Desempenho MIDI"; both shown once there are statistics.
    QWidget& midiDivider() const { return *midiDivider_; }
    MIDIPerformanceGroup& midiGroup() const { return *midi_; }

private:
    void buildGuidedPractice();
    void buildCountIn();
    void showAccent();
    void showMode();
    void showHand();
    void showInstrument();
    void fillInstrumentMenu();
    void showLatency();
    void showCountIn();
    void showWaiting();
    void showMIDIGroup();

    PracticeSessionStore& store_;
    std::function<void()> openInstrumentEditor_;
    QScrollArea* scroll_ = nullptr;
    QWidget* column_ = nullptr;

    StudioSection* guided_ = nullptr;
    StudioMenuRow* mode_ = nullptr;
    StudioMenuRow* hand_ = nullptr;
    QWidget* soundStack_ = nullptr;
    StudioMenuRow* sound_ = nullptr;
    StudioParameterRow* latency_ = nullptr;

    StudioSection* countIn_ = nullptr;
    StudioSwitch* countInSwitch_ = nullptr;
    StudioMenuRow* duration_ = nullptr;
    QWidget* waiting_ = nullptr;
    QLabel* waitingLabel_ = nullptr;

    StudioSection* tracks_ = nullptr;
    InspectorTrackControls* trackControls_ = nullptr;
    StudioSection* loops_ = nullptr;
    InspectorLoopControls* loopControls_ = nullptr;

    SessionReadoutGroup* session_ = nullptr;
    QWidget* midiDivider_ = nullptr;
    MIDIPerformanceGroup* midi_ = nullptr;
};

} // namespace corvane
