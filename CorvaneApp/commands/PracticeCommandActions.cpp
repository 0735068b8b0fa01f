#include "CorvaneApp/commands/PracticeCommandActions.hpp"

#include <algorithm>
#include <cmath>

#include "CorvaneApp/kit/style/StudioLocale.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"

namespace corvane {

namespace {
constexpr double speedStep = 0.05;
}

std::string seekStepLabel(double seconds) { return studioLocale().toString(seconds, 'f', 0).toStdString(); }

double steppedPlaybackRate(double rate, double change)
{
    const double r = rate + change;
    if (!(r >= 0.25)) return 0.25;
    // std::round rounds halves away from zero.
    return std::round(std::min(r, 2.0) * 20.0) / 20.0;
}

PracticeCommandActions makePracticeCommandActions(PracticeSessionStore& store, PracticeCommandWindowActions window)
{
    PracticeCommandActions actions;
    actions.isPlaying = store.isPlaying() || store.countInProgress().has_value();
    actions.hasSong = store.currentSong().has_value();
    actions.hasLoop = store.loopRange().has_value();
    actions.seekStepLabel = seekStepLabel(store.seekStepSeconds());
    actions.openMIDI = std::move(window.openMIDI);
    actions.togglePlayback = [&store] { store.togglePlayback(); };
    actions.seekBackward = [&store] {
        store.seek(store.playbackPositionSeconds() - store.seekStepSeconds());
    };
    actions.seekForward = [&store] {
        store.seek(store.playbackPositionSeconds() + store.seekStepSeconds());
    };
    actions.returnToStart = [&store] { store.seek(0); };
    actions.decreaseSpeed = [&store] { store.setPlaybackRate(steppedPlaybackRate(store.playbackRate(), -speedStep)); };
    actions.increaseSpeed = [&store] { store.setPlaybackRate(steppedPlaybackRate(store.playbackRate(), speedStep)); };
    actions.markLoopStart = [&store] { store.setLoopSelectionStart(store.playbackPositionSeconds()); };
    actions.markLoopEnd = [&store] { store.setLoopSelectionEnd(store.playbackPositionSeconds()); };
    actions.applyLoop = [&store] { store.applyLoopSelection(); };
    actions.clearLoop = [&store] { store.updateLoop(std::nullopt); };
    actions.showPractice = std::move(window.showPractice);
    actions.showRecent = std::move(window.showRecent);
    actions.toggleInspector = std::move(window.toggleInspector);
    return actions;
}

} // namespace corvane
