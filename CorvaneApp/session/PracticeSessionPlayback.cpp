#include "CorvaneApp/session/PracticeSessionStore.hpp"

#include <cmath>

#include "CorvaneApp/session/CountInRun.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneAudio/HostClock.hpp"
#include "CorvaneAudio/midi/MIDIDeviceMonitor.hpp"
#include "CorvaneDomain/Overloaded.hpp"

namespace corvane {

std::optional<double> PracticeSessionStore::clockReading() const
{
    if (!audioEngine_) return std::nullopt;
    const auto instant = audioEngine_->currentRenderClockInstant();
    if (!instant) return std::nullopt;
    return instant->clockTimeSeconds();
}

// Sending.

void PracticeSessionStore::sendToEngine(const std::vector<MIDIInstrumentCommand>& commands)
{
    if (!audioEngine_) return;
    for (const auto& command : commands) audioEngine_->send(command);
}

void PracticeSessionStore::sendPlaybackEvent(const MIDIInputMessage& message, std::uint8_t channel)
{
    if (midiDeviceMonitor_ && !midiDeviceMonitor_->usesInternalOutput()) {
        auto& monitor = *midiDeviceMonitor_;
        std::visit(Overloaded{
                       [&](const MIDIInputMessage::NoteOn& m) { monitor.sendNoteOn(m.note, m.velocity, channel); },
                       [&](const MIDIInputMessage::NoteOff& m) { monitor.sendNoteOff(m.note, channel); },
                       [&](const MIDIInputMessage::ControlChange& m) {
                           monitor.sendControlChange(m.controller, m.value, channel);
                       },
                       [&](const MIDIInputMessage::ProgramChange& m) { monitor.sendProgramChange(m.program, channel); },
                       [&](const MIDIInputMessage::PitchBend& m) { monitor.sendPitchBend(m.value, channel); },
                   },
                   message.value);
        return;
    }
    sendToEngine(instrumentRouter_.route(message, channel, MIDIEventOrigin::playback()));
}

bool PracticeSessionStore::isTrackMuted(std::int64_t trackIndex) const
{
    const PracticeTrackSetting* setting = storedTrackSetting(trackIndex);
    return setting && setting->isMuted;
}

std::optional<PracticeHandMap> PracticeSessionStore::studentHandMap() const
{
    if (practiceMode_ == PracticeMode::accompaniment) return std::nullopt;
    return PracticeHandMap(handSplitNote(), trackSettings_);
}

bool PracticeSessionStore::isStudentNote(const std::optional<PracticeHandMap>& studentHands, std::uint8_t note,
                                         std::int64_t trackIndex) const
{
    return studentHands && studentHands->includes(practiceHand_, note, trackIndex);
}

// Silencing.

void PracticeSessionStore::stopAllPlaybackNotes()
{
    // What was sent ahead goes first, so that the router releases only what sounds.
    withdrawPlaybackSentAhead();
    sendToEngine(instrumentRouter_.stop(MIDIEventOrigin::playback()));
    if (midiDeviceMonitor_) midiDeviceMonitor_->sendAllNotesOff();
}

void PracticeSessionStore::stopAllInstrumentNotes()
{
    withdrawPlaybackSentAhead();
    sendToEngine(instrumentRouter_.stopAll());
    if (midiDeviceMonitor_) midiDeviceMonitor_->sendAllNotesOff();
}

void PracticeSessionStore::stopLiveInputNotes() { sendToEngine(instrumentRouter_.stopLiveInput()); }

void PracticeSessionStore::cancelCountIn()
{
    countInRun_.reset();
    setCountInProgress(std::nullopt);
}

void PracticeSessionStore::clearWaitState()
{
    assign(isWaitingForInput_, false, &PracticeSessionStore::isWaitingForInputChanged);
    assign(waitingNotes_, std::vector<std::uint8_t>(), &PracticeSessionStore::waitingNotesChanged);
    waitingTarget_.reset();
}

void PracticeSessionStore::pauseAccumulators(Date date)
{
    progressCoordinator_.accumulator.pause(date);
    if (loopAccumulator_) loopAccumulator_->pause(date);
}

void PracticeSessionStore::resumeAccumulators(Date date)
{
    progressCoordinator_.accumulator.resume(date);
    if (loopAccumulator_) loopAccumulator_->resume(date);
}

// Impacts.

void PracticeSessionStore::emitImpact(std::uint8_t midiNote, std::uint8_t velocity, double hue,
                                      std::optional<std::int64_t> trackIndex)
{
    visualImpactEvents_.push_back(VisualImpactEvent{nextImpactSequence_, midiNote, velocity, hue, trackIndex});
    ++nextImpactSequence_;
    if (visualImpactEvents_.size() > maximumImpactEvents)
        visualImpactEvents_.erase(visualImpactEvents_.begin(),
                                  visualImpactEvents_.end() - static_cast<std::ptrdiff_t>(maximumImpactEvents));
    emit visualImpactEventsChanged();
}

// Play and pause.

void PracticeSessionStore::togglePlayback()
{
    if (!transport_) {
        isPlaying_ = !isPlaying_;
        emit isPlayingChanged();
        if (isPlaying_) {
            const double hue = visualPreset_.accentHue;
            emitImpact(60, 104, hue, std::nullopt);
            emitImpact(64, 92, hue + 0.025, std::nullopt);
            emitImpact(67, 98, hue + 0.05, std::nullopt);
        }
        return;
    }
    if (!countInProgress_ && !isPlaying_) resumeTimelinePlayback();
    else pauseTimelinePlayback();
}

void PracticeSessionStore::resumeTimelinePlayback()
{
    if (countInEnabled_ && timeline_) startCountIn();
    else resumeTimelinePlaybackImmediately();
}

// Plays the transport at `clock`, from the start again when it stood at the
// end, and resumes the metrics and the notes sounding there. False when the
// clock was refused (playback is then stopped with the clock message).
bool PracticeSessionStore::startTransport(double clock)
{
    MIDITransportSnapshot before;
    if (!transportStep(clock, [&] {
            before = transport_->snapshot(clock);
            transport_->play(clock);
        }))
        return false;
    if (before.isAtEnd()) {
        timelineCursor_ = MIDITimelineCursor(*timeline_, 0);
        lastLoopIteration_ = 0;
        sendPlaybackFromCursor();
        assign(playbackPositionSeconds_, 0.0, &PracticeSessionStore::playbackPositionSecondsChanged);
        practiceEngine_.seek(0);
    }
    pendingPlaybackStart_ = false;
    assign(isPlaying_, true, &PracticeSessionStore::isPlayingChanged);
    resumeAccumulators(now());
    if (timeline_) reactivateSustainedNotes(*timeline_, playbackPositionSeconds_);
    return true;
}

// Without an engine there is nothing to start; a start that fails is told.
bool PracticeSessionStore::startAudioEngine()
{
    if (!audioEngine_) return true;
    try {
        audioEngine_->start();
    } catch (const std::exception&) {
        setLastImportError("O mecanismo de áudio não pôde ser iniciado.");
        return false;
    }
    return true;
}

void PracticeSessionStore::resumeTimelinePlaybackImmediately()
{
    if (!startAudioEngine()) return;
    const auto clock = clockReading();
    if (transport_ && clock) {
        if (!startTransport(*clock)) return;
        startPlaybackLoop();
        return;
    }
    // No clock yet: the first tick that gets one starts the transport.
    pendingPlaybackStart_ = true;
    assign(isPlaying_, true, &PracticeSessionStore::isPlayingChanged);
    startPlaybackLoop();
}

void PracticeSessionStore::pauseTimelinePlayback()
{
    cancelCountIn();
    pendingPlaybackStart_ = false;
    clearWaitState();
    const auto clock = clockReading();
    if (transport_ && clock) {
        MIDITransportSnapshot snapshot;
        if (!transportStep(clock, [&] {
                transport_->pause(*clock);
                snapshot = transport_->snapshot(*clock);
            }))
            return;
        assign(playbackPositionSeconds_, snapshot.positionSeconds, &PracticeSessionStore::playbackPositionSecondsChanged);
    }
    assign(isPlaying_, false, &PracticeSessionStore::isPlayingChanged);
    // What had played ahead of the pause position stays played: resuming
    // sends on from the first event that had not.
    stopAllPlaybackNotes();
    const Date date = now();
    pauseAccumulators(date);
    persistLoopProgress(date);
    persistProgress(false);
}

void PracticeSessionStore::stopAfterClockFailure(std::optional<double> clock)
{
    cancelCountIn();
    pendingPlaybackStart_ = false;
    assign(isPlaying_, false, &PracticeSessionStore::isPlayingChanged);
    // Left playing, the transport would fail again at every tick: it stops
    // where it was last shown, anchored on a clock value it accepts.
    if (transport_) {
        const double anchor = clock && std::isfinite(*clock) ? *clock : 0.0;
        try {
            transport_->seek(playbackPositionSeconds_, anchor);
            transport_->pause(anchor);
        } catch (const std::exception&) {
            MIDITransport fresh(*timeline_, transport_->playbackRate());
            try {
                fresh.setLoop(transport_->loopRange(), 0);
                fresh.seek(playbackPositionSeconds_, 0);
            } catch (const std::exception&) {
            }
            transport_ = std::move(fresh);
        }
    }
    stopAllPlaybackNotes();
    const Date date = now();
    pauseAccumulators(date);
    persistLoopProgress(date);
    persistProgress(false);
    setLastImportError("O relógio de áudio foi reiniciado; retome a reprodução.");
}

void PracticeSessionStore::stopAfterOutputLoss()
{
    if (!transport_ || !(isPlaying_ || countInProgress_ || pendingPlaybackStart_)) return;
    stopAfterClockFailure(std::nullopt);
}

// The loop.

void PracticeSessionStore::startPlaybackLoop()
{
    if (playbackTimer_) return;
    playbackTimer_ = std::make_unique<QTimer>();
    playbackTimer_->setSingleShot(true);
    playbackTimer_->setTimerType(Qt::PreciseTimer);
    connect(playbackTimer_.get(), &QTimer::timeout, this, [this] {
        advanceTimelinePlayback();
        scheduleNextTick();
    });
    scheduleNextTick();
}

// The next tick is due 8 ms after this one's work ended.
void PracticeSessionStore::scheduleNextTick()
{
    if (playbackTimer_) playbackTimer_->start(playbackTickMilliseconds);
}

void PracticeSessionStore::advanceTimelinePlayback()
{
    if (isWaitingForInput_ || !timeline_ || !timelineCursor_ || !transport_) return;
    const auto clock = clockReading();
    if (!clock) return;
    const double c = *clock;

    if (pendingPlaybackStart_ && !startTransport(c)) return;

    MIDITransportSnapshot s;
    if (!transportStep(c, [&] { s = transport_->update(c); })) return;

    if (s.loopRange && s.loopIteration != lastLoopIteration_) returnToLoopStart(s);

    // Sending ahead stops short of a chord that wait mode will stop at.
    std::optional<double> holdBefore;
    if (!countInProgress_ && practiceMode_ == PracticeMode::wait) {
        const auto target = practiceEngine_.waitTarget(s.positionSeconds);
        if (target) holdBefore = target->startSeconds;
        if (target && s.positionSeconds >= target->startSeconds) {
            waitForChord(c, *target);
            return;
        }
    }

    if (s.state == MIDITransportState::playing && sendsPlaybackAhead()) {
        sendPlaybackAhead(c, secondsForHostTime(hostTimeNow()), s, holdBefore);
        const auto due = timeline_->pendingEvents(timelineCursor_->eventIndex, s.positionSeconds);
        emitPlaybackImpacts(due);
        timelineCursor_->eventIndex = due.endIndex;
    } else if (s.state == MIDITransportState::playing) {
        sendDueEvents(c, s);
    }

    assign(playbackPositionSeconds_, s.positionSeconds, &PracticeSessionStore::playbackPositionSecondsChanged);
    saveAfterTick(s);
}

void PracticeSessionStore::returnToLoopStart(const MIDITransportSnapshot& s)
{
    const double start = s.loopRange->startSeconds;
    // Sent ahead with the notes after it, the return leaves only the flashes
    // of the pass's last events, which no tick reached.
    const bool sentAhead =
        sendsPlaybackAhead() && scheduledPass_ >= s.loopIteration && scheduledPass_ > lastLoopIteration_;
    if (sentAhead)
        emitPlaybackImpacts(
            timeline_->pendingEvents(timelineCursor_->eventIndex, std::nextafter(s.loopRange->endSeconds, -INFINITY)));
    else
        stopAllPlaybackNotes();
    timelineCursor_->seek(*timeline_, start);
    lastLoopIteration_ = s.loopIteration;
    if (!sentAhead) {
        sendPlaybackFromCursor();
        reactivateSustainedNotes(*timeline_, start);
    }
    practiceEngine_.seek(start);
    if (activeLoopBookmarkID_) ++loopRepetitions_;
}

void PracticeSessionStore::waitForChord(double clock, const PracticeWaitTarget& target)
{
    MIDITransportSnapshot held;
    if (!transportStep(clock, [&] {
            transport_->pause(clock);
            transport_->seek(target.startSeconds, clock);
            held = transport_->snapshot(clock);
        }))
        return;
    stopAllPlaybackNotes();
    timelineCursor_->seek(*timeline_, target.startSeconds);
    // The seek counts the loop's passes afresh; left behind, the count would
    // take the resumed play for a return to the loop's start.
    lastLoopIteration_ = held.loopIteration;
    sendPlaybackFromCursor();
    assign(playbackPositionSeconds_, target.startSeconds, &PracticeSessionStore::playbackPositionSecondsChanged);
    waitingTarget_ = target;
    assign(waitingNotes_, target.requiredNotes, &PracticeSessionStore::waitingNotesChanged);
    assign(isWaitingForInput_, true, &PracticeSessionStore::isWaitingForInputChanged);
}

void PracticeSessionStore::sendDueEvents(double clock, const MIDITransportSnapshot& s)
{
    const auto due = timeline_->pendingEvents(timelineCursor_->eventIndex, s.positionSeconds);
    // One hand map per tick: the student's notes do not change within it.
    const auto studentHands = studentHandMap();
    const auto isStudents = [&](std::uint8_t note, std::int64_t track) {
        return isStudentNote(studentHands, note, track);
    };
    for (const auto& event : due) {
        const auto* channelEvent = std::get_if<MIDIChannelEvent>(&event.kind);
        if (!channelEvent || isTrackMuted(event.trackIndex)) continue;
        if (environment_.playbackEventSent) reportSentEvent(event.seconds);
        const auto channel = channelEvent->channel;
        std::visit(Overloaded{
                       [&](const MIDIChannelMessage::NoteOn& m) {
                           if (m.velocity == 0) {
                               if (!isStudents(m.note, event.trackIndex))
                                   sendPlaybackEvent(MIDIInputMessage::NoteOff{m.note, 0}, channel);
                               return;
                           }
                           if (!isStudents(m.note, event.trackIndex)) {
                               if (environment_.playbackNoteOnSent)
                                   environment_.playbackNoteOnSent(
                                       m.note, channel & 0x0F,
                                       clock + (event.seconds - s.positionSeconds) / s.playbackRate);
                               sendPlaybackEvent(MIDIInputMessage::NoteOn{m.note, m.velocity}, channel);
                           }
                           emitImpact(m.note, m.velocity, visualPreset_.accentHue, event.trackIndex);
                       },
                       [&](const MIDIChannelMessage::NoteOff& m) {
                           if (!isStudents(m.note, event.trackIndex))
                               sendPlaybackEvent(MIDIInputMessage::NoteOff{m.note, 0}, channel);
                       },
                       [&](const MIDIChannelMessage::ControlChange& m) { sendPlaybackEvent(m, channel); },
                       [&](const MIDIChannelMessage::ProgramChange& m) { sendPlaybackEvent(m, channel); },
                       [&](const MIDIChannelMessage::PitchBend& m) { sendPlaybackEvent(m, channel); },
                       [](const MIDIChannelMessage::PolyphonicKeyPressure&) {},
                       [](const MIDIChannelMessage::ChannelPressure&) {},
                   },
                   channelEvent->message.value);
    }
    timelineCursor_->eventIndex = due.endIndex;
}

void PracticeSessionStore::saveAfterTick(const MIDITransportSnapshot& s)
{
    const Date date = now();
    if (s.state == MIDITransportState::paused && isPlaying_) {
        assign(isPlaying_, false, &PracticeSessionStore::isPlayingChanged);
        stopAllPlaybackNotes();
        pauseAccumulators(date);
        persistLoopProgress(date);
        persistProgress(false);
    } else if (isSaveDue(date, lastProgressPersistenceDate_)) {
        persistProgressIfChanged();
    }
    if (activeLoopBookmarkID_ && isSaveDue(date, lastLoopPersistenceDate_)) persistLoopProgressIfChanged(date);
}

void PracticeSessionStore::reportSentEvent(double eventSeconds)
{
    environment_.playbackEventSent(
        eventSeconds, transportPosition(secondsForHostTime(hostTimeNow()), playbackPositionSeconds_));
}

double PracticeSessionStore::transportPosition(double clock, double fallback) const
{
    try {
        return transport_->snapshot(clock).positionSeconds;
    } catch (const std::exception&) {
        return fallback;
    }
}

void PracticeSessionStore::reactivateSustainedNotes(const MIDITimeline& timeline, double seconds)
{
    const auto studentHands = studentHandMap();
    for (const auto& span : timeline.activeNoteSpans(seconds)) {
        if (isTrackMuted(span.trackIndex) || isStudentNote(studentHands, span.note, span.trackIndex)) continue;
        sendPlaybackEvent(MIDIInputMessage::NoteOn{span.note, span.velocity}, span.channel);
    }
}

// Seeking, rate and loop.

void PracticeSessionStore::seek(double seconds)
{
    cancelCountIn();
    if (!timeline_ || !transport_) return;
    const auto clock = clockReading();
    if (!clock) return;
    // A held wait belongs to the old position: leave it and go on playing
    // from the new one, where the tick finds the next chord to wait for.
    const bool wasWaiting = isWaitingForInput_;
    const bool wasPlaying = isPlaying_;
    stopAllPlaybackNotes();
    MIDITransportSnapshot s;
    if (!transportStep(clock, [&] {
            transport_->seek(seconds, *clock);
            if (wasWaiting) {
                clearWaitState();
                transport_->play(*clock);
            }
            s = transport_->snapshot(*clock);
        }))
        return;
    assign(playbackPositionSeconds_, s.positionSeconds, &PracticeSessionStore::playbackPositionSecondsChanged);
    if (timelineCursor_) timelineCursor_->seek(*timeline_, s.positionSeconds);
    lastLoopIteration_ = s.loopIteration;
    sendPlaybackFromCursor();
    practiceEngine_.seek(s.positionSeconds);
    const bool playing = s.state == MIDITransportState::playing;
    assign(isPlaying_, playing, &PracticeSessionStore::isPlayingChanged);
    if (playing) {
        reactivateSustainedNotes(*timeline_, s.positionSeconds);
        resendPlaybackAhead();
    }
    if (wasPlaying && !playing) {
        // A seek to the end stops playback, and the clock of the metrics with it.
        const Date date = now();
        pauseAccumulators(date);
        persistLoopProgress(date);
    }
    persistProgress(false);
}

void PracticeSessionStore::setPlaybackRate(double rate)
{
    if (!transport_) return;
    const auto clock = clockReading();
    if (!clock) return;
    if (rate == playbackRate_ && rate == transport_->playbackRate()) return;
    try {
        transport_->setPlaybackRate(rate, *clock);
    } catch (const std::exception&) {
        setLastImportError("A velocidade de reprodução não pôde ser alterada.");
        return;
    }
    assign(playbackRate_, transport_->playbackRate(), &PracticeSessionStore::playbackRateChanged);
    // What was sent ahead was timed for the old rate.
    withdrawPlaybackSentAhead();
    resendPlaybackAhead();
    persistProgress(false);
}

void PracticeSessionStore::updateLoop(std::optional<MIDILoopRange> range)
{
    if (!timeline_ || !transport_) return;
    const auto clock = clockReading();
    if (!clock) return;
    stopAllPlaybackNotes();
    MIDITransport changed = *transport_;
    MIDITransportSnapshot s;
    const bool wasWaiting = isWaitingForInput_;
    try {
        changed.setLoop(range, *clock);
        if (wasWaiting) changed.play(*clock);
        s = changed.snapshot(*clock);
    } catch (const std::exception&) {
        setLastImportError("O trecho de loop é inválido.");
        return;
    }
    if (wasWaiting) clearWaitState();
    transport_ = std::move(changed);
    assign(loopRange_, transport_->loopRange(), &PracticeSessionStore::loopRangeChanged);
    if (loopRange_) {
        assign(loopSelectionStartSeconds_, loopRange_->startSeconds, &PracticeSessionStore::loopSelectionStartSecondsChanged);
        assign(loopSelectionEndSeconds_, loopRange_->endSeconds, &PracticeSessionStore::loopSelectionEndSecondsChanged);
    }
    assign(playbackPositionSeconds_, s.positionSeconds, &PracticeSessionStore::playbackPositionSecondsChanged);
    if (timelineCursor_) timelineCursor_->seek(*timeline_, s.positionSeconds);
    lastLoopIteration_ = s.loopIteration;
    sendPlaybackFromCursor();
    practiceEngine_.seek(s.positionSeconds);
    if (s.state == MIDITransportState::playing) {
        reactivateSustainedNotes(*timeline_, s.positionSeconds);
        resendPlaybackAhead();
    }
    persistProgress(false);
    syncActiveLoopBookmark();
}

} // namespace corvane
