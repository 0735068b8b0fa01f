#include "CorvaneDomain/MIDITimeline.hpp"

#include <algorithm>
#include <unordered_map>

namespace corvane {

namespace {

struct NoteKey {
    std::int64_t trackIndex;
    std::uint8_t channel;
    std::uint8_t note;
    bool operator==(const NoteKey&) const = default;
};

struct NoteKeyHash {
    std::size_t operator()(const NoteKey& k) const
    {
        return std::hash<std::uint64_t>{}((static_cast<std::uint64_t>(k.trackIndex) << 16) ^ (k.channel << 8) ^ k.note);
    }
};

struct NoteStart {
    const MIDITimelineEvent* event;
    std::uint8_t velocity;
};

// First-in first-out list of open notes of one key. Kept (emptied) rather
// than erased so that a key played many times reuses its storage.
struct OpenNotes {
    std::vector<NoteStart> starts;
    std::size_t head = 0;

    bool empty() const { return head == starts.size(); }
    void push(NoteStart start) { starts.push_back(start); }
    NoteStart pop()
    {
        NoteStart first = starts[head++];
        if (head == starts.size()) {
            starts.clear();
            head = 0;
        }
        return first;
    }
};

std::vector<std::int64_t> allTrackIndices(const MIDIFile& file)
{
    std::vector<std::int64_t> indices(file.tracks.size());
    for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<std::int64_t>(i);
    return indices;
}

std::vector<MIDINoteSpan> pairNotes(const std::vector<MIDITimelineEvent>& events, double durationSeconds)
{
    std::unordered_map<NoteKey, OpenNotes, NoteKeyHash> open;
    std::vector<MIDINoteSpan> spans;
    auto makeSpan = [](const NoteStart& start, double endSeconds) {
        const auto& on = *start.event;
        const auto& channelEvent = std::get<MIDIChannelEvent>(on.kind);
        const auto& message = std::get<MIDIChannelMessage::NoteOn>(channelEvent.message.value);
        return MIDINoteSpan{message.note,    start.velocity, channelEvent.channel,
                            on.trackIndex,   on.eventIndex,  on.seconds,
                            std::max(on.seconds, endSeconds)};
    };

    for (const auto& event : events) {
        const auto* channelEvent = std::get_if<MIDIChannelEvent>(&event.kind);
        if (!channelEvent) continue;
        std::optional<std::uint8_t> releasedNote;
        if (const auto* on = channelEvent->message.as<MIDIChannelMessage::NoteOn>()) {
            if (on->velocity > 0) {
                open[NoteKey{event.trackIndex, channelEvent->channel, on->note}].push({&event, on->velocity});
                continue;
            }
            releasedNote = on->note;
        } else if (const auto* off = channelEvent->message.as<MIDIChannelMessage::NoteOff>()) {
            releasedNote = off->note;
        } else {
            continue;
        }
        auto it = open.find(NoteKey{event.trackIndex, channelEvent->channel, *releasedNote});
        if (it == open.end() || it->second.empty()) continue;
        spans.push_back(makeSpan(it->second.pop(), event.seconds));
    }
    for (auto& [key, notes] : open)
        while (!notes.empty()) spans.push_back(makeSpan(notes.pop(), durationSeconds));

    std::stable_sort(spans.begin(), spans.end(), [](const MIDINoteSpan& a, const MIDINoteSpan& b) {
        if (a.startSeconds != b.startSeconds) return a.startSeconds < b.startSeconds;
        if (a.trackIndex != b.trackIndex) return a.trackIndex < b.trackIndex;
        return a.eventIndex < b.eventIndex;
    });
    return spans;
}

} // namespace

MIDITimeline::MIDITimeline(const MIDIFile& file) : MIDITimeline(file, MIDITempoMap(file), allTrackIndices(file)) {}

MIDITimeline::MIDITimeline(const MIDIFile& file, std::int64_t trackIndex)
    : MIDITimeline(file, MIDITempoMap(file, trackIndex), {trackIndex})
{
}

MIDITimeline::MIDITimeline(const MIDIFile& file, MIDITempoMap tempoMap, const std::vector<std::int64_t>& trackIndices)
    : tempoMap_(std::move(tempoMap))
{
    std::size_t count = 0;
    for (auto index : trackIndices) count += file.tracks[static_cast<std::size_t>(index)].events.size();

    auto events = std::make_shared<std::vector<MIDITimelineEvent>>();
    events->reserve(count);
    std::uint64_t largestTick = 0;
    for (auto trackIndex : trackIndices) {
        const auto& trackEvents = file.tracks[static_cast<std::size_t>(trackIndex)].events;
        for (std::size_t i = 0; i < trackEvents.size(); ++i) {
            const auto& event = trackEvents[i];
            largestTick = std::max(largestTick, event.tick);
            events->push_back(MIDITimelineEvent{event.tick, tempoMap_.seconds(event.tick), trackIndex,
                                                static_cast<std::int64_t>(i), event.kind});
        }
    }
    // Ticks within a track never decrease, so only the merge across tracks reorders.
    std::stable_sort(events->begin(), events->end(), [](const MIDITimelineEvent& a, const MIDITimelineEvent& b) {
        if (a.tick != b.tick) return a.tick < b.tick;
        if (a.trackIndex != b.trackIndex) return a.trackIndex < b.trackIndex;
        return a.eventIndex < b.eventIndex;
    });
    durationSeconds_ = tempoMap_.seconds(largestTick);
    noteSpans_ = std::make_shared<const std::vector<MIDINoteSpan>>(pairNotes(*events, durationSeconds_));
    events_ = std::move(events);
}

std::int64_t MIDITimeline::firstEventIndex(double seconds) const
{
    auto it = std::lower_bound(events_->begin(), events_->end(), seconds,
                               [](const MIDITimelineEvent& e, double s) { return e.seconds < s; });
    return it - events_->begin();
}

MIDITimelineEventSlice MIDITimeline::pendingEvents(std::int64_t startIndex, double throughSeconds) const
{
    const auto count = static_cast<std::int64_t>(events_->size());
    const std::int64_t begin = std::clamp<std::int64_t>(startIndex, 0, count);
    auto upper = std::upper_bound(events_->begin(), events_->end(), throughSeconds,
                                  [](double s, const MIDITimelineEvent& e) { return s < e.seconds; });
    const std::int64_t end = std::max(begin, static_cast<std::int64_t>(upper - events_->begin()));
    return {std::span<const MIDITimelineEvent>(events_->data() + begin, static_cast<std::size_t>(end - begin)), begin,
            end};
}

std::vector<MIDINoteSpan> MIDITimeline::activeNoteSpans(double seconds) const
{
    std::vector<MIDINoteSpan> active;
    for (const auto& span : *noteSpans_) {
        if (!(span.startSeconds < seconds)) break;
        if (seconds < span.endSeconds) active.push_back(span);
    }
    return active;
}

bool MIDITimeline::operator==(const MIDITimeline& other) const
{
    return tempoMap_ == other.tempoMap_ && durationSeconds_ == other.durationSeconds_ &&
           (events_ == other.events_ || *events_ == *other.events_) &&
           (noteSpans_ == other.noteSpans_ || *noteSpans_ == *other.noteSpans_);
}

MIDITimelineCursor::MIDITimelineCursor(const MIDITimeline& timeline, double seconds)
    : eventIndex(timeline.firstEventIndex(seconds))
{
}

void MIDITimelineCursor::seek(const MIDITimeline& timeline, double seconds)
{
    eventIndex = timeline.firstEventIndex(seconds);
}

MIDITimelineEventSlice MIDITimelineCursor::consume(const MIDITimeline& timeline, double throughSeconds)
{
    auto slice = timeline.pendingEvents(eventIndex, throughSeconds);
    eventIndex = slice.endIndex;
    return slice;
}

std::optional<MIDINoteCommand> MIDINoteCommand::from(const MIDITimelineEvent& event)
{
    const auto* channelEvent = std::get_if<MIDIChannelEvent>(&event.kind);
    if (!channelEvent) return std::nullopt;
    if (const auto* on = channelEvent->message.as<MIDIChannelMessage::NoteOn>()) {
        if (on->velocity > 0) return MIDINoteCommand{channelEvent->channel, MIDINoteAction::On{on->note, on->velocity}};
        return MIDINoteCommand{channelEvent->channel, MIDINoteAction::Off{on->note}};
    }
    if (const auto* off = channelEvent->message.as<MIDIChannelMessage::NoteOff>())
        return MIDINoteCommand{channelEvent->channel, MIDINoteAction::Off{off->note}};
    return std::nullopt;
}

} // namespace corvane
