#pragma once

#include <QPointer>
#include <QSize>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "CorvaneAudio/engine/PianoAudioEngine.hpp"

class QLabel;
class QVBoxLayout;

namespace corvane {

class AudioUnitGenericEditor;
class LV2Instrument;
class LV2UserInterface;
struct LV2UserInterfaceChoice;

// The place of one plugin's editor. The first time it is shown it asks the
// plugin for its own interface, once, and the window is sized to fit it: a
// Qt 6 interface's widget is placed here on any platform; an X11 one is
// embedded in a native child window, on the X11 platform only (elsewhere
// its code would end the process). A plugin offering both gets the Qt 6
// one. When there is none that fits (or it cannot be started) a notice and
// a generic editor made from the plugin's controls take its place.
//
// The plugin must outlive the container; the interface is closed before the
// window it lives in.
class AudioUnitContainerView : public QWidget {
    Q_OBJECT
public:
    static constexpr int idleInterval = 33; // ms: the editor's 30 Hz update rate

    explicit AudioUnitContainerView(LV2Instrument& plugin, QWidget* parent = nullptr);
    ~AudioUnitContainerView() override;

    LV2Instrument& plugin() const { return plugin_; }
    bool requestedView() const { return requestedView_; }
    // How many times the interface was asked for: at most once.
    int viewRequests() const { return viewRequests_; }
    // The hosted interface, or null (notice and generic editor, or not asked yet).
    LV2UserInterface* userInterface() const { return userInterface_.get(); }
    // The widget the interface lives in (a native window for an X11 one);
    // null when none is hosted.
    QWidget* pluginHost() const { return pluginHost_; }
    // A Qt interface's own widget (a Qt 6 one, or an X11 one made with this
    // process's Qt); null otherwise.
    QWidget* interfaceWidget() const { return interfaceWidget_; }
    QLabel* noticeLabel() const { return notice_; }
    AudioUnitGenericEditor* genericEditor() const { return generic_; }
    // The last size the interface asked for, even one that resized nothing.
    std::optional<QSize> preferredSize() const { return preferredSize_; }

    // The interface's size wish: with a width and a height above 0 the
    // window's content takes that size, held to the screen; otherwise
    // nothing changes.
    void preferSize(QSize size);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void requestView();
    bool openInterface(const LV2UserInterfaceChoice& choice);
    void hostWidget(QWidget* widget);
    // The interface's widget or window changed under it (a rebuilt plugin
    // instance) or went away; false when the interface is gone.
    bool followInterface();
    void dropInterface();
    // An X11 interface made with this process's own Qt (synthv1's) is a
    // top-level widget of ours whose window lives inside another one: Qt
    // cannot close such a window, and it would keep the application from
    // quitting. It is made a plain child of the host instead.
    void adoptOwnToolkitWindow();
    // The interface's window may reach the X server only at a later tick.
    void readInterfaceGeometry();
    void installNotice();
    void tick();

    LV2Instrument& plugin_;
    bool requestedView_ = false;
    int viewRequests_ = 0;
    QVBoxLayout* layout_;
    QWidget* pluginHost_ = nullptr;
    QPointer<QWidget> interfaceWidget_;
    int hostedOpening_ = 0; // the interface's opening whose widget or window is hosted
    std::uintptr_t hostedWindow_ = 0;
    QLabel* notice_ = nullptr;
    AudioUnitGenericEditor* generic_ = nullptr;
    std::optional<QSize> preferredSize_;
    int geometryAttemptsLeft_ = 0;
    QTimer idleTimer_;
    // Declared last: closed first, while the host window still exists.
    std::unique_ptr<LV2UserInterface> userInterface_;
};

// What the window shows when no plugin instrument plays: the piano keys,
// "Nenhum plug-in LV2 selecionado" and where to choose one.
class AudioUnitEmptyState : public QWidget {
    Q_OBJECT
public:
    static constexpr int leastWidth = 520;
    static constexpr int leastHeight = 360;

    explicit AudioUnitEmptyState(QWidget* parent = nullptr);

    QString systemImage() const { return QStringLiteral("pianokeys"); }
    QLabel* titleLabel() const { return title_; }
    QLabel* descriptionLabel() const { return description_; }

private:
    QLabel* title_;
    QLabel* description_;
};

// The content of the "Instrumento virtual" window. It follows the engine's
// instrument: a plugin instrument gets a container of its own (a new
// plugin, a new container, which asks afresh for its interface), anything
// else the empty state. Every time the content is hidden or closed it has
// the engine store the plugin's state.
class AudioUnitEditorView : public QWidget {
    Q_OBJECT
public:
    explicit AudioUnitEditorView(PianoAudioEngine* audioEngine, QWidget* parent = nullptr);
    ~AudioUnitEditorView() override;

    PianoAudioEngine* audioEngine() const { return audioEngine_; }
    // Exactly one of the two is present.
    AudioUnitContainerView* container() const { return container_; }
    AudioUnitEmptyState* emptyState() const { return emptyState_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void follow();
    void persist();

    QPointer<PianoAudioEngine> audioEngine_;
    QVBoxLayout* layout_;
    AudioUnitContainerView* container_ = nullptr;
    AudioUnitEmptyState* emptyState_ = nullptr;
    std::string containerID_;
    // Shown since the state was last stored.
    bool needsPersist_ = false;
};

} // namespace corvane
