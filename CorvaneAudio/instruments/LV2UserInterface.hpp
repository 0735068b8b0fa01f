#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

typedef struct LilvPluginImpl LilvPlugin;

namespace corvane {

class LV2Instrument;

// One of the plugin's own editors that this host can show: a Qt 6 editor,
// whose widget we place in our window ourselves, or an X11 one, embedded
// through suil in an X window of ours. Its library is installed and every
// feature it requires is one given here; the plugin runs in this process,
// so its instance and its extension data are among them.
struct LV2UserInterfaceChoice {
    enum class Toolkit { qt6, x11 };

    Toolkit toolkit = Toolkit::x11;
    std::string uri;
    std::string typeURI;
    std::string bundlePath;
    std::string binaryPath;

    bool operator==(const LV2UserInterfaceChoice&) const = default;
};

// With LV2World's lock held. The plugin's usable editors, Qt 6 ones first,
// each toolkit in the order the plugin lists them; empty for a plugin whose
// editors are all of another toolkit (GTK, Qt 5), need what this host does
// not give, or that has none.
std::vector<LV2UserInterfaceChoice> chooseLV2UserInterfaces(const LilvPlugin* plugin);

// One open plugin editor. Nothing here knows a widget toolkit: an X11
// editor lives in an X window the caller owns and gives by its id (read the
// editor's own with `window()`); a Qt 6 editor hands out its widget
// (`widget()`, a QWidget*) for the caller to place, then `showEmbedded()`.
// The caller calls `idle()` about `updateRate` times a second.
//
// The editor's writes (plain float values) reach the plugin through
// `LV2Instrument::setParameterValueAt`, which refuses what is no input
// control or not a number; the plugin's values go to the editor when it
// opens and, at each idle tick, those that changed.
//
// When the plugin's instance is rebuilt (a new sample rate) the editor is
// closed before the old instance goes and opened again on the new one: its
// window or widget then changes.
//
// Main thread only.
class LV2UserInterface {
public:
    // The size the editor asks its host for, as it gives it; possibly called
    // while `open` still runs.
    using ResizeRequest = std::function<void(int width, int height)>;
    // Where the editor goes: the X window for an X11 editor; for a Qt 6 one
    // the QWidget it will be placed in, given as its parent (may be null).
    struct Host {
        std::uintptr_t x11Parent = 0;
        void* qtParent = nullptr;
    };

    static constexpr float updateRate = 30;

    // Null when the editor fails to load or start, or an X11 one gets no
    // parent window. `plugin` must outlive the editor.
    static std::unique_ptr<LV2UserInterface> open(LV2Instrument& plugin, const LV2UserInterfaceChoice& choice,
                                                  Host host, ResizeRequest onResize = {});
    // Closes the editor: an X11 editor's window goes with it (the parent must
    // still exist); a Qt 6 editor's cleanup deletes its widget if it so chooses.
    ~LV2UserInterface();
    LV2UserInterface(const LV2UserInterface&) = delete;
    LV2UserInterface& operator=(const LV2UserInterface&) = delete;

    const LV2UserInterfaceChoice& choice() const;
    // The X11 editor's own X window, a child of the parent; 0 otherwise.
    std::uintptr_t window() const;
    // The Qt 6 editor's widget; null otherwise, or while it could not be
    // opened again after a rebuild.
    void* widget() const;
    // A Qt 6 editor placed in its window: its show interface, when it has one.
    void showEmbedded();
    // Lets the editor handle its events, then sends it the values that
    // changed since it last saw them. False once the editor asked to be
    // closed or could not be opened again.
    bool idle();

    // Whether the main thread is inside a call into some editor's code. An
    // editor may run the event loop from within (Qt-made editors do, in
    // their idle call): nothing it can reach may be freed then, so an
    // instrument swap waits until this is false.
    static bool insideEditorCall();
    // How many editors exist in the process now.
    static int liveCount();

    // How many times the editor has been opened: 1, and one more after each
    // rebuild of the instance.
    int openings() const;

    // How many values the editor has been sent so far.
    std::uint64_t sentValueCount() const;

    struct State;

private:
    explicit LV2UserInterface(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

} // namespace corvane
