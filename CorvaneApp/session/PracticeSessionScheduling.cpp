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

#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneAudio/midi/MIDIDeviceMonitor.hpp"
#include "CorvaneDomain/Overloaded.hpp"

namespace corvane {

namespace {

// Beyond one tick and the reading's age (up to one cycle), one cycle more:
// an event must be sent before the cycle it falls in begins. The margin
// covers a tick that runs late.
constexpr double lookAheadMarginSeconds = 0.004;

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

void PracticeSessionStore::sendPlaybackAhead(double clock, const MIDITransportSnapshot& s,
                                            std::optional<double> holdBefore)
{
    if (!timeline_ || s.state != MIDITransportState::playing || !(s.playbackRate > 0)) return;
    if (timelineCursor_) scheduledEventIndex_ = std::max(scheduledEventIndex_, timelineCursor_->eventIndex);

    double through = s.positionSeconds + playbackLookAheadSeconds() * s.playbackRate;
    // What lies at or past a loop's end belongs to the next pass, which the
    // tick starts when the transport wraps; a chord wait mode stops at is
    // sent once the wait is released.
    if (s.loopRange) holdBefore = std::min(holdBefore.value_or(s.loopRange->endSeconds), s.loopRange->endSeconds);
    if (holdBefore) through = std::min(through, std::nextafter(*holdBefore, -INFINITY));
    if (!std::isfinite(through)) return;

    const auto slice = timeline_->pendingEvents(scheduledEventIndex_, through);
    // Most ticks find nothing new to send: the hand map is made only for a slice that has events.
    const auto studentHands = slice.endIndex > slice.startIndex ? studentHandMap() : std::nullopt;
    std::int64_t index = slice.startIndex;
    for (const auto& event : slice) {
        SentAhead record{index++, std::nullopt, false, {}};
        if (const auto message = playbackMessage(event, studentHands)) {
            const auto channel = std::get<MIDIChannelEvent>(event.kind).channel;
            const auto commands =
                instrumentRouter_.route(*message, channel, MIDIEventOrigin::playback(), record.change);
            const double due = clock + (event.seconds - s.positionSeconds) / s.playbackRate;
            record.identity = audioEngine_->schedule(commands, due);
            record.playedAtOnce = !record.identity;
            if (environment_.playbackEventSent) reportSentEvent(event.seconds);
            if (environment_.playbackNoteOnSent)
                for (const auto& command : commands)
                    if (const auto* on = command.as<MIDIInstrumentCommand::NoteOn>())
                        environment_.playbackNoteOnSent(on->note, on->channel, due);
        }
        sentAhead_.push_back(record);
    }
    scheduledEventIndex_ = slice.endIndex;

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
        sendPlaybackAhead(*clock, s, holdBefore);
    } catch (const std::exception&) {
        // The tick meets the same refusal and stops playback with its message.
    }
}

void PracticeSessionStore::withdrawPlaybackSentAhead()
{
    if (!audioEngine_ || sentAhead_.empty()) return;
    const auto oldest = audioEngine_->withdrawScheduled();
    std::vector<MIDIInstrumentCommand> restore;
    std::optional<std::int64_t> firstUnplayed;
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
        firstUnplayed = record.eventIndex;
        sentAhead_.pop_back();
    }
    sentAhead_.clear();
    if (firstUnplayed) scheduledEventIndex_ = *firstUnplayed;
    sendToEngine(restore);
}

void PracticeSessionStore::sendPlaybackFromCursor()
{
    withdrawPlaybackSentAhead();
    scheduledEventIndex_ = timelineCursor_ ? timelineCursor_->eventIndex : 0;
}

double PracticeSessionStore::soundingPositionSeconds() const
{
    if (!timeline_ || !timelineCursor_ || scheduledEventIndex_ <= timelineCursor_->eventIndex)
        return playbackPositionSeconds_;
    const auto& events = timeline_->events();
    if (scheduledEventIndex_ >= static_cast<std::int64_t>(events.size())) return timeline_->durationSeconds();
    return std::max(playbackPositionSeconds_, events[static_cast<std::size_t>(scheduledEventIndex_)].seconds);
}

} // namespace corvane
