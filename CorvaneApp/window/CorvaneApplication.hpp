#pragma once

#include <QObject>
#include <QTranslator>

#include <memory>
#include <optional>

#include "CorvaneApp/window/AppDelegate.hpp"
#include "CorvaneAudio/engine/PreparedAudioOutput.hpp"
#include "CorvaneAudio/midi/PreparedMIDIPortSystem.hpp"

class QWidget;

namespace corvane {

class DefaultsStore;
class DesktopAccessibilitySource;
class MainWindow;
class MIDIDeviceMonitor;
class PianoAudioEngine;
class PracticeLoopStore;
class PracticeProgressStore;
class PracticeRecordsLoader;
class PracticeSessionStore;
class PracticeTrackStore;
class SettingsFileAlert;

// The application: its long-lived services, made once and kept for the life
// of the process, and its three windows: the main window, the settings
// window and the window of the instrument's own editor.
//
// The main window is shown first; the services, which open sound and MIDI
// devices and reopen the last session, are made right after its first
// frame, in their fixed order: the MIDI device monitor and the audio engine
// (each absent when it cannot be made), the progress store, the loop store,
// the track store, then the practice session controller with all of them.
// The stores start empty: their records are decoded on another thread and
// handed to them afterwards, a store at a time.
class CorvaneApplication : public QObject {
    Q_OBJECT
public:
    static constexpr int historyLimit = 200;
    static constexpr int savedLoopsPerSong = 50;

    explicit CorvaneApplication(DefaultsStore& defaults, QObject* parent = nullptr);
    ~CorvaneApplication() override;

    // Shows the main window; the services follow its first frame.
    void start();
    // Prepares the audio output off the main thread, then makes the services
    // (once); `servicesReady` says when they are made.
    void prepareServices();
    // Makes the services now if they are not made yet.
    void makeServices();

    AppDelegate& delegate() { return delegate_; }
    MainWindow& mainWindow() const { return *mainWindow_; }
    // Null until the services are made.
    PracticeSessionStore* practiceStore() const { return practiceStore_.get(); }
    MIDIDeviceMonitor* midiDeviceMonitor() const { return midiDeviceMonitor_.get(); }
    PianoAudioEngine* audioEngine() const { return audioEngine_.get(); }

    // Files handed over by the operating system: queued for the main window,
    // which is brought forward.
    void openFiles(const std::vector<std::filesystem::path>& files);

signals:
    void servicesReady();

private:
    // Puts the screens into the main window, on the turn after the services.
    void attachScreens();
    QWidget* makeSettingsWindow();
    QWidget* makeInstrumentEditorWindow();

    DefaultsStore& defaults_;
    QTranslator qtTranslator_;
    AppDelegate delegate_;
    std::unique_ptr<MIDIDeviceMonitor> midiDeviceMonitor_;
    std::optional<PreparedAudioOutput> preparedOutput_;
    std::optional<PreparedMIDIPortSystem> preparedMIDI_;
    bool isPreparingServices_ = false;
    std::unique_ptr<PianoAudioEngine> audioEngine_;
    std::unique_ptr<PracticeProgressStore> progressStore_;
    std::unique_ptr<PracticeLoopStore> loopStore_;
    std::unique_ptr<PracticeTrackStore> trackStore_;
    std::unique_ptr<PracticeRecordsLoader> recordsLoader_;
    std::unique_ptr<PracticeSessionStore> practiceStore_;
    std::unique_ptr<DesktopAccessibilitySource> desktopAccessibility_;
    std::unique_ptr<MainWindow> mainWindow_;
    SettingsFileAlert* settingsFileAlert_ = nullptr; // owned by the main window
    std::unique_ptr<QWidget> settingsWindow_;
    std::unique_ptr<QWidget> instrumentEditorWindow_;
};

} // namespace corvane
