#include "CorvaneApp/session/PracticeSessionStore.hpp"

#include "CorvaneApp/session/CountInRun.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"

namespace corvane {

void PracticeSessionStore::setCountInProgress(std::optional<CountInProgress> progress)
{
    assign(countInProgress_, progress, &PracticeSessionStore::countInProgressChanged);
}

void PracticeSessionStore::startCountIn()
{
    if (!startAudioEngine()) return;
    cancelCountIn();
    withdrawPlaybackSentAhead();
    assign(isPlaying_, false, &PracticeSessionStore::isPlayingChanged);
    pendingPlaybackStart_ = false;
    const MIDICountInPlan plan(*timeline_, playbackPositionSeconds_, countInMeasureCount_, playbackRate_);
    if (plan.beats.empty()) {
        resumeTimelinePlaybackImmediately();
        return;
    }
    const auto& first = plan.beats.front();
    setCountInProgress(CountInProgress{first.measureNumber, plan.measureCount, first.beatNumber});
    countInRun_ = std::make_unique<CountInRun>(*this, plan, countInSleep_);
    countInRun_->start();
}

void PracticeSessionStore::clickCountInBeat(bool accented)
{
    if (countInClick_) {
        countInClick_(accented);
        return;
    }
    if (!audioEngine_) return;
    try {
        audioEngine_->playCountInClick(accented);
    } catch (const std::exception&) {
        // A missing click does not stop the count-in.
    }
}

bool PracticeSessionStore::startTimelineDuringCountIn()
{
    if (!transport_ || !audioEngine_) return false;
    const auto clock = clockReading();
    if (!clock) return false;
    if (!transportStep(clock, [&] { transport_->play(*clock); })) return false;
    assign(isPlaying_, true, &PracticeSessionStore::isPlayingChanged);
    startPlaybackLoop();
    return true;
}

void PracticeSessionStore::countInDidFinish()
{
    // Destroyed when this returns; the run touches nothing after calling here.
    const auto finished = std::move(countInRun_);
    setCountInProgress(std::nullopt);
    if (isPlaying_) resumeAccumulators(now());
    else resumeTimelinePlaybackImmediately();
}

} // namespace corvane
