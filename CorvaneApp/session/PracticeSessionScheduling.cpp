// The song's sound sent ahead of its time. The 8 ms tick hands the engine
// the events of a short window ahead of the render clock, each with the
// render-clock time it is due at, and the audio thread applies each at its
// own sample. Whatever changes what should sound first takes back what was
// sent and has not played (the engine answers exactly which), so that
// nothing sounds twice or goes missing. Impacts and grading keep their own
// timing: the tick emits them when the transport reaches each event.
#include "CorvaneApp/session/PracticeSessionStore.hpp"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneAudio/HostClock.hpp"
#include "CorvaneAudio/midi/MIDIDeviceMonitor.hpp"
#include "CorvaneDomain/Overloaded.hpp"

namespace corvane {

namespace {

// Beyond one tick, two cycles (an event must be sent before the cycle it
// falls in begins, and the one under way may have just begun) and a margin
// for a tick that runs late: a busy machine holds the main thread back by
// 5 to 10 ms now and then. The reading's age is measured, and added.
constexpr double lookAheadMarginSeconds = 0.010;

} // namespace

bool PracticeSessionStore::sendsPlaybackAhead() const
{
    // The external output keeps its own path: every event when it falls due.
    return environment_.sendsPlaybackAhead && audioEngine_ &&
           !(midiDeviceMonitor_ && !midiDeviceMonitor_->usesInternalOutput());
}

double PracticeSessionStore::playbackLookAheadSeconds() const
{
    if (environment_.playbackLookAheadSeconds) return *environment_.playbackLookAheadSeconds;
    const double period = audioEngine_ ? audioEngine_->periodSeconds() : 0.0;
    return playbackTickMilliseconds / 1000.0 + 2 * period + lookAheadMarginSeconds;
}

std::optional<MIDIInputMessage>
PracticeSessionStore::playbackMessage(const MIDITimelineEvent& event,
                                      const std::optional<PracticeHandMap>& studentHands) const
{
    const auto* channelEvent = std::get_if<MIDIChannelEvent>(&event.kind);
    if (!channelEvent || isTrackMuted(event.trackIndex)) return std::nullopt;
    const auto isStudents = [&](std::uint8_t note) { return isStudentNote(studentHands, note, event.trackIndex); };
    return std::visit(
        Overloaded{
            [&](const MIDIChannelMessage::NoteOn& m) -> std::optional<MIDIInputMessage> {
                if (isStudents(m.note)) return std::nullopt;
                // The file's release velocity is not passed on.
                if (m.velocity == 0) return MIDIInputMessage::NoteOff{m.note, 0};
                return MIDIInputMessage::NoteOn{m.note, m.velocity};
            },
            [&](const MIDIChannelMessage::NoteOff& m) -> std::optional<MIDIInputMessage> {
                if (isStudents(m.note)) return std::nullopt;
                return MIDIInputMessage::NoteOff{m.note, 0};
            },
            [](const MIDIChannelMessage::ControlChange& m) -> std::optional<MIDIInputMessage> { return m; },
            [](const MIDIChannelMessage::ProgramChange& m) -> std::optional<MIDIInputMessage> { return m; },
            [](const MIDIChannelMessage::PitchBend& m) -> std::optional<MIDIInputMessage> { return m; },
            [](const MIDIChannelMessage::PolyphonicKeyPressure&) -> std::optional<MIDIInputMessage> {
                return std::nullopt;
            },
            [](const MIDIChannelMessage::ChannelPressure&) -> std::optional<MIDIInputMessage> { return std::nullopt; },
        },
        channelEvent->message.value);
}

void PracticeSessionStore::emitPlaybackImpacts(const MIDITimelineEventSlice& due)
{
    for (const auto& event : due) {
        const auto* channelEvent = std::get_if<MIDIChannelEvent>(&event.kind);
        if (!channelEvent || isTrackMuted(event.trackIndex)) continue;
        // The student's notes flash too: they are the ones to play.
        if (const auto* on = std::get_if<MIDIChannelMessage::NoteOn>(&channelEvent->message.value); on && on->velocity > 0)
            emitImpact(on->note, on->velocity, visualPreset_.accentHue, event.trackIndex);
    }
}

void PracticeSessionStore::scheduleAhead(SentAhead record, const std::vector<MIDIInstrumentCommand>& commands,
                                         double due)
{
    record.identity = audioEngine_->schedule(commands, due);
    record.playedAtOnce = !record.identity;
    // A withdrawal stops at the newest event that played, so what was sent
    // before it is never looked at again: a chord larger than the engine
    // holds keeps no more records than the engine does.
    if (record.playedAtOnce) sentAhead_.clear();
    if (environment_.playbackNoteOnSent)
        for (const auto& command : commands)
            if (const auto* on = command.as<MIDIInstrumentCommand::NoteOn>())
                environment_.playbackNoteOnSent(on->note, on->channel, due);
    sentAhead_.push_back(record);
}

void PracticeSessionStore::sendPlaybackAhead(double clock, double now, const MIDITransportSnapshot& s,
                                            std::optional<double> holdBefore)
{
    if (!timeline_ || s.state != MIDITransportState::playing || !(s.playbackRate > 0)) return;
    if (timelineCursor_ && std::pair(scheduledPass_, scheduledEventIndex_) <
                               std::pair(lastLoopIteration_, timelineCursor_->eventIndex)) {
        scheduledPass_ = lastLoopIteration_;
        scheduledEventIndex_ = timelineCursor_->eventIndex;
    }

    // The reading is of the last cycle's start, a cycle or more ago: the
    // window is measured from now, so that it reaches as far past the next
    // tick whatever the reading's age.
    const double age = std::clamp(now - clock, 0.0, 1.0);
    const double windowEnd = s.positionSeconds + (playbackLookAheadSeconds() + age) * s.playbackRate;
    if (!std::isfinite(windowEnd)) return;
    const auto& loop = s.loopRange;
    const double loopLength = loop ? loop->endSeconds - loop->startSeconds : 0.0;
    // The hand map is made only for a slice that has events, or a seam.
    std::optional<std::optional<PracticeHandMap>> studentHands;
    const auto hands = [&]() -> const std::optional<PracticeHandMap>& {
        if (!studentHands) studentHands = studentHandMap();
        return *studentHands;
    };
    const bool waits = !countInProgress_ && practiceMode_ == PracticeMode::wait;

    // Pass by pass: the transport's own, then what follows each seam the
    // window reaches. A pass before the transport's (a tick that came late)
    // is finished at once.
    for (int seams = 0;; ++seams) {
        const double offset = (static_cast<double>(scheduledPass_) - static_cast<double>(s.loopIteration)) * loopLength;
        const double passWindowEnd = windowEnd - offset;
        std::optional<double> hold;
        if (scheduledPass_ == s.loopIteration) hold = holdBefore;
        else if (scheduledPass_ > s.loopIteration && waits && loop) hold = waitHoldAfterLoopStart(*loop, hands());
        // What lies at or past a loop's end belongs to the next pass.
        const std::optional<double> stop =
            loop ? std::optional(std::min(hold.value_or(loop->endSeconds), loop->endSeconds)) : hold;
        double through = passWindowEnd;
        if (stop) through = std::min(through, std::nextafter(*stop, -INFINITY));

        const auto slice = timeline_->pendingEvents(scheduledEventIndex_, through);
        std::int64_t index = slice.startIndex;
        for (const auto& event : slice) {
            SentAhead record;
            record.eventIndex = index++;
            record.pass = scheduledPass_;
            const auto message = playbackMessage(event, hands());
            if (!message) {
                sentAhead_.push_back(record);
                continue;
            }
            const auto channel = std::get<MIDIChannelEvent>(event.kind).channel;
            const auto commands =
                instrumentRouter_.route(*message, channel, MIDIEventOrigin::playback(), record.change);
            if (environment_.playbackEventSent) reportSentEvent(event.seconds);
            scheduleAhead(record, commands, clock + (event.seconds + offset - s.positionSeconds) / s.playbackRate);
        }
        scheduledEventIndex_ = slice.endIndex;

        // The loop's return, when the window reaches it and nothing holds before it.
        if (!loop || passWindowEnd < loop->endSeconds || (hold && *hold < loop->endSeconds)) break;
        // A loop far shorter than a tick goes on at the next tick.
        if (seams >= 16 || !(loopLength > 0)) break;
        const auto endIndex = timeline_->firstEventIndex(loop->endSeconds);
        if (scheduledEventIndex_ < endIndex) break;
        sendLoopSeamAhead(*loop, clock + (loop->endSeconds + offset - s.positionSeconds) / s.playbackRate, endIndex,
                          hands());
        ++scheduledPass_;
        scheduledEventIndex_ = timeline_->firstEventIndex(loop->startSeconds);
    }

    // What has played is forgotten; what was passed over before it stays passed.
    const auto consumed = audioEngine_->scheduledConsumedThrough();
    std::size_t played = 0;
    for (std::size_t i = 0; i < sentAhead_.size(); ++i) {
        const auto& record = sentAhead_[i];
        if (record.playedAtOnce || (record.identity && *record.identity < consumed)) played = i + 1;
        else if (record.identity) break;
    }
    sentAhead_.erase(sentAhead_.begin(), sentAhead_.begin() + static_cast<std::ptrdiff_t>(played));
}

void PracticeSessionStore::sendLoopSeamAhead(const MIDILoopRange& loop, double due, std::int64_t endIndex,
                                             const std::optional<PracticeHandMap>& studentHands)
{
    // As returnToLoopStart does when nothing was sent ahead: everything the
    // song holds is released, then what the loop's start holds is struck.
    // Each step is sent apart, so that a withdrawal takes back whole steps.
    SentAhead seam;
    seam.eventIndex = endIndex;
    seam.pass = scheduledPass_;
    for (auto& step : instrumentRouter_.stopInSteps(MIDIEventOrigin::playback())) {
        auto record = seam;
        record.change = step.change;
        scheduleAhead(record, step.commands, due);
    }
    for (const auto& span : timeline_->activeNoteSpans(loop.startSeconds)) {
        if (isTrackMuted(span.trackIndex) || isStudentNote(studentHands, span.note, span.trackIndex)) continue;
        auto record = seam;
        const auto commands = instrumentRouter_.route(MIDIInputMessage::NoteOn{span.note, span.velocity}, span.channel,
                                                      MIDIEventOrigin::playback(), record.change);
        scheduleAhead(record, commands, due);
    }
}

std::optional<double>
PracticeSessionStore::waitHoldAfterLoopStart(const MIDILoopRange& loop,
                                             const std::optional<PracticeHandMap>& studentHands) const
{
    const auto& events = timeline_->events();
    const auto end = timeline_->firstEventIndex(loop.endSeconds);
    for (auto i = timeline_->firstEventIndex(loop.startSeconds); i < end; ++i) {
        const auto& event = events[static_cast<std::size_t>(i)];
        const auto* channelEvent = std::get_if<MIDIChannelEvent>(&event.kind);
        if (!channelEvent || isTrackMuted(event.trackIndex)) continue;
        const auto* on = std::get_if<MIDIChannelMessage::NoteOn>(&channelEvent->message.value);
        if (on && on->velocity > 0 && isStudentNote(studentHands, on->note, event.trackIndex)) return event.seconds;
    }
    return std::nullopt;
}

void PracticeSessionStore::resendPlaybackAhead()
{
    if (!sendsPlaybackAhead() || !transport_ || !timeline_ || isWaitingForInput_ || pendingPlaybackStart_) return;
    const auto clock = clockReading();
    if (!clock) return;
    try {
        const auto s = transport_->snapshot(*clock);
        // As the tick does: never past a chord that wait mode will stop at.
        std::optional<double> holdBefore;
        if (!countInProgress_ && practiceMode_ == PracticeMode::wait)
            if (const auto target = practiceEngine_.waitTarget(s.positionSeconds)) holdBefore = target->startSeconds;
        sendPlaybackAhead(*clock, secondsForHostTime(hostTimeNow()), s, holdBefore);
    } catch (const std::exception&) {
        // The tick meets the same refusal and stops playback with its message.
    }
}

void PracticeSessionStore::withdrawPlaybackSentAhead()
{
    if (!audioEngine_ || sentAhead_.empty()) return;
    const auto oldest = audioEngine_->withdrawScheduled();
    std::vector<MIDIInstrumentCommand> restore;
    std::optional<std::pair<std::uint64_t, std::int64_t>> firstUnplayed;
    // Newest first, up to the newest one that played: what was taken back
    // is undone in the router, and what was passed over after the last
    // played event is looked at again with the rules then in force.
    while (!sentAhead_.empty()) {
        const auto& record = sentAhead_.back();
        const bool withdrawn = record.identity && oldest && *record.identity >= *oldest;
        const bool passedOver = !record.identity && !record.playedAtOnce;
        if (!withdrawn && !passedOver) break;
        if (withdrawn) {
            const auto commands = instrumentRouter_.revert(record.change, MIDIEventOrigin::playback());
            restore.insert(restore.end(), commands.begin(), commands.end());
        }
        firstUnplayed = std::pair(record.pass, record.eventIndex);
        sentAhead_.pop_back();
    }
    sentAhead_.clear();
    if (firstUnplayed) std::tie(scheduledPass_, scheduledEventIndex_) = *firstUnplayed;
    // A key released and struck again in what was taken back (a held note at
    // a loop's return, a repeated note) is held again once both are undone,
    // and still sounds: the release its undone strike asked for is dropped.
    std::erase_if(restore, [&](const MIDIInstrumentCommand& command) {
        const auto* off = command.as<MIDIInstrumentCommand::NoteOff>();
        return off && instrumentRouter_.holds(off->note, off->channel);
    });
    sendToEngine(restore);
}

void PracticeSessionStore::sendPlaybackFromCursor()
{
    withdrawPlaybackSentAhead();
    scheduledPass_ = lastLoopIteration_;
    scheduledEventIndex_ = timelineCursor_ ? timelineCursor_->eventIndex : 0;
}

double PracticeSessionStore::soundingPositionSeconds() const
{
    if (!timeline_ || !timelineCursor_) return playbackPositionSeconds_;
    // Past a seam that has played, the sound stands in the next pass.
    const bool nextPass = loopRange_ && scheduledPass_ > lastLoopIteration_;
    if (!nextPass && scheduledEventIndex_ <= timelineCursor_->eventIndex) return playbackPositionSeconds_;
    const auto& events = timeline_->events();
    double at = scheduledEventIndex_ >= static_cast<std::int64_t>(events.size())
                    ? timeline_->durationSeconds()
                    : events[static_cast<std::size_t>(scheduledEventIndex_)].seconds;
    if (loopRange_) at = std::min(at, loopRange_->endSeconds);
    return std::max(nextPass ? loopRange_->startSeconds : playbackPositionSeconds_, at);
}

} // namespace corvane
