#pragma once

#include <functional>
#include <string>

namespace corvane {

class PracticeSessionStore;

// What the main window offers the menu commands: three flags and a label
// taken when the value is built, and actions that read what they need when
// they run. Rebuilt by the main window whenever what it shows changes.
struct PracticeCommandActions {
    using Action = std::function<void()>;

    bool isPlaying = false; // playing, or a count-in runs
    bool hasSong = false;
    bool hasLoop = false;
    std::string seekStepLabel;
    Action openMIDI;
    Action togglePlayback;
    Action seekBackward;
    Action seekForward;
    Action returnToStart;
    Action decreaseSpeed;
    Action increaseSpeed;
    Action markLoopStart;
    Action markLoopEnd;
    Action applyLoop;
    Action clearLoop;
    Action showPractice;
    Action showRecent;
    Action toggleInspector;
};

// The actions that act on the window rather than on the controller.
struct PracticeCommandWindowActions {
    PracticeCommandActions::Action openMIDI;
    PracticeCommandActions::Action showPractice;
    PracticeCommandActions::Action showRecent;
    PracticeCommandActions::Action toggleInspector;
};

// The step with no fraction digits, in the interface's locale ("5", "10").
std::string seekStepLabel(double seconds);
// `rate` + `change`, at least 0.25 (also for NaN), at most 2.0, on the 0.05 grid.
double steppedPlaybackRate(double rate, double change);

// The value as the main window fills it for `store`. The actions hold the
// store by reference: it outlives every window.
PracticeCommandActions makePracticeCommandActions(PracticeSessionStore& store, PracticeCommandWindowActions window);

} // namespace corvane
