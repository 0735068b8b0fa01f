#pragma once

#include <QObject>

#include <optional>

#include "CorvaneApp/commands/PracticeCommandActions.hpp"

class QAction;
class QMenu;
class QMenuBar;

namespace corvane {

class PracticeSessionStore;

// The application's menu entries: "Abrir MIDI…" in the file menu, and the
// menus "Prática" and "Navegação". Every entry but play/pause runs an action
// of the value the focused main window publishes, and is disabled while none
// is published; play/pause talks to the controller and follows its state.
class PracticeCommands : public QObject {
    Q_OBJECT
public:
    // Also named in the help text of the window's sidebar button.
    static constexpr const char* toggleInspectorShortcut = "Ctrl+Alt+I";

    PracticeCommands(PracticeSessionStore& playbackStore, QObject* parent = nullptr);

    // Adds the file menu's entry to `fileMenu` (at the front) and appends the
    // two menus to `menuBar`.
    void install(QMenu* fileMenu, QMenuBar* menuBar);

    // What the focused main window publishes; absent when none has focus.
    void setActions(std::optional<PracticeCommandActions> actions);
    const std::optional<PracticeCommandActions>& actions() const { return actions_; }

    // An entry's title without its shortcut.
    static QString title(const QAction* item);

    QAction* openMIDIAction() const { return openMIDI_; }
    QAction* togglePlaybackAction() const { return togglePlayback_; }
    QAction* seekBackwardAction() const { return seekBackward_; }
    QAction* seekForwardAction() const { return seekForward_; }
    QAction* returnToStartAction() const { return returnToStart_; }
    QAction* decreaseSpeedAction() const { return decreaseSpeed_; }
    QAction* increaseSpeedAction() const { return increaseSpeed_; }
    QAction* markLoopStartAction() const { return markLoopStart_; }
    QAction* markLoopEndAction() const { return markLoopEnd_; }
    QAction* applyLoopAction() const { return applyLoop_; }
    QAction* clearLoopAction() const { return clearLoop_; }
    QAction* showPracticeAction() const { return showPractice_; }
    QAction* showRecentAction() const { return showRecent_; }
    QAction* toggleInspectorAction() const { return toggleInspector_; }

private:
    QAction* entry(const char* title, const char* shortcut, PracticeCommandActions::Action PracticeCommandActions::*action);
    static void setTitle(QAction* item, const QString& title);
    void refresh();
    void refreshPlaybackTitle();

    PracticeSessionStore& playbackStore_;
    std::optional<PracticeCommandActions> actions_;
    QAction* openMIDI_ = nullptr;
    QAction* togglePlayback_ = nullptr;
    QAction* seekBackward_ = nullptr;
    QAction* seekForward_ = nullptr;
    QAction* returnToStart_ = nullptr;
    QAction* decreaseSpeed_ = nullptr;
    QAction* increaseSpeed_ = nullptr;
    QAction* markLoopStart_ = nullptr;
    QAction* markLoopEnd_ = nullptr;
    QAction* applyLoop_ = nullptr;
    QAction* clearLoop_ = nullptr;
    QAction* showPractice_ = nullptr;
    QAction* showRecent_ = nullptr;
    QAction* toggleInspector_ = nullptr;
};

} // namespace corvane
