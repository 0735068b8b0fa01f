#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

typedef struct LilvPluginImpl LilvPlugin;

namespace corvane {

class LV2Instrument;

// The plugin's own editor as it can be embedded in an X11 window: the first
// of its editors that suil shows as an X11 UI, whose library is installed
// and whose required features this host gives. Editors asking for the plugin instance or its data are
// passed over: the instance is rebuilt under them when the sample rate
// changes.
struct LV2UserInterfaceChoice {
    std::string uri;
    std::string typeURI;
    std::string bundlePath;
    std::string binaryPath;

    bool operator==(const LV2UserInterfaceChoice&) const = default;
};

// With LV2World's lock held. Absent for a plugin whose editors are all of
// another toolkit (GTK, Qt), need what this host does not give, or that has none.
std::optional<LV2UserInterfaceChoice> chooseLV2UserInterface(const LilvPlugin* plugin);

// One open plugin editor, living in an X window the caller owns and gives
// by its id. Nothing here knows a widget toolkit: the caller keeps the
// parent window alive while the editor exists, reads the editor's window
// (`window()`), and calls `idle()` about `updateRate` times a second.
//
// The editor's writes (plain float values) reach the plugin through
// `LV2Instrument::setParameterValueAt`, which refuses what is no input
// control or not a number; the plugin's values go to the editor when it
// opens and, at each idle tick, those that changed.
//
// Main thread only.
class LV2UserInterface {
public:
    // The size the editor asks its host for, as it gives it; possibly called
    // while `open` still runs.
    using ResizeRequest = std::function<void(int width, int height)>;

    static constexpr float updateRate = 30;

    // Null when the plugin has no editor to embed or the editor fails to
    // load or start. `plugin` must outlive the editor.
    static std::unique_ptr<LV2UserInterface> open(LV2Instrument& plugin, std::uintptr_t parentWindow,
                                                  ResizeRequest onResize = {});
    // Closes the editor; its window goes with it (the parent must still exist).
    ~LV2UserInterface();
    LV2UserInterface(const LV2UserInterface&) = delete;
    LV2UserInterface& operator=(const LV2UserInterface&) = delete;

    // The editor's own X window, a child of the parent.
    std::uintptr_t window() const;
    // Lets the editor handle its events, then sends it the values that
    // changed since it last saw them. False once the editor asked to be closed.
    bool idle();

    // How many values the editor has been sent so far.
    std::uint64_t sentValueCount() const;

    struct State;

private:
    explicit LV2UserInterface(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

} // namespace corvane
