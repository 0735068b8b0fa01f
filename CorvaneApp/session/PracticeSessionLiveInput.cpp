#include "CorvaneApp/session/PracticeSessionStore.hpp"

#include <algorithm>

#include "CorvaneApp/session/MIDIPerformanceLog.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneAudio/HostClock.hpp"
#include "CorvaneAudio/midi/MIDIDeviceMonitor.hpp"

namespace corvane {

namespace {

double feedbackHue(PracticeFeedbackKind kind)
{
    switch (kind) {
    case PracticeFeedbackKind::correct: return 0.34;
    case PracticeFeedbackKind::early: return 0.11;
    case PracticeFeedbackKind::late: return 0.58;
    case PracticeFeedbackKind::incorrect: return 0.0;
    }
    return 0.0;
}

} // namespace

void PracticeSessionStore::handleMIDIInput(const MIDIInputEvent& event)
{
    midiLatencyAccumulator_.record(event.deliveryLatencyMilliseconds(hostTimeNow()));
    if (const auto statistics = midiLatencyAccumulator_.statistics()) {
        assign(midiLatencyStatistics_, statistics, &PracticeSessionStore::midiLatencyStatisticsChanged);
        if (statistics->sampleCount % 32 == 0)
            qCInfo(midiPerformanceLog, "MIDI delivery latency n=%ld median=%.3fms p95=%.3fms max=%.3fms",
                   static_cast<long>(statistics->sampleCount), statistics->medianMilliseconds,
                   statistics->p95Milliseconds, statistics->maximumMilliseconds);
    }

    // The key sounds before any grading work.
    routeLiveInput(event);

    const auto* noteOn = event.message.as<MIDIInputMessage::NoteOn>();
    if (!noteOn || noteOn->velocity == 0) return;
    if (countInProgress_ || !timeline_) {
        emitImpact(noteOn->note, noteOn->velocity, visualPreset_.accentHue, std::nullopt);
        return;
    }

    double position = playbackPositionSeconds_;
    if (waitingTarget_) {
        position = waitingTarget_->startSeconds;
    } else if (transport_) {
        position = transportPosition(event.timestampSeconds, playbackPositionSeconds_);
    }

    // A restored session's latency holds until the student plays: from then on
    // the stored setting, as every screen shows it, is what grades.
    adoptStoredInputLatency();
    const double compensation = isWaitingForInput_ ? 0.0 : inputLatencyMilliseconds_ / 1000.0;
    const double rate = std::max(0.0, playbackRate_);
    const double gradedTime = std::max(0.0, position - compensation * rate);

    const PracticeFeedback feedback = practiceEngine_.evaluate(noteOn->note, noteOn->velocity, gradedTime);
    progressCoordinator_.accumulator.record(feedback.kind);
    if (loopAccumulator_) loopAccumulator_->record(feedback.kind);
    bumpProgressRevision();

    assign(latestPracticeFeedback_, std::optional(PresentedPracticeFeedback{nextImpactSequence_, feedback}),
           &PracticeSessionStore::latestPracticeFeedbackChanged);
    const double hue =
        practiceMode_ == PracticeMode::accompaniment ? visualPreset_.accentHue : feedbackHue(feedback.kind);
    emitImpact(noteOn->note, noteOn->velocity, hue, std::nullopt);

    if (isWaitingForInput_ && waitingTarget_) {
        if (const auto target = practiceEngine_.waitTarget(waitingTarget_->startSeconds)) {
            waitingTarget_ = target;
            assign(waitingNotes_, target->requiredNotes, &PracticeSessionStore::waitingNotesChanged);
        } else {
            resumeAfterWait();
        }
    }
}

void PracticeSessionStore::routeLiveInput(const MIDIInputEvent& event)
{
    // With an external output the student's keyboard sounds on its own.
    if (midiDeviceMonitor_ && !midiDeviceMonitor_->usesInternalOutput()) return;
    if (audioEngine_) {
        try {
            audioEngine_->start();
        } catch (const std::exception&) {
            setLastImportError("O instrumento virtual não pôde ser iniciado.");
            return;
        }
    }
    sendToEngine(instrumentRouter_.route(event.message, event.channel, MIDIEventOrigin::live(event.sourceID)));
}

} // namespace corvane
