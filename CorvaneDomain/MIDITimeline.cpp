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

// Open notes of one key, oldest first, as indices into the span list. Kept
// (emptied) rather than erased so that a key played often reuses its storage.
struct OpenNotes {
    std::vector<std::size_t> spans;
    std::size_t head = 0;

    bool empty() const { return head == spans.size(); }
    void push(std::size_t span) { spans.push_back(span); }
    std::size_t pop()
    {
        const std::size_t first = spans[head++];
        if (head == spans.size()) {
            spans.clear();
            head = 0;
        }
        return first;
    }
};

bool lessByTickTrackEvent(const MIDITimelineEvent& a, const MIDITimelineEvent& b)
{
    if (a.tick != b.tick) return a.tick < b.tick;
    if (a.trackIndex != b.trackIndex) return a.trackIndex < b.trackIndex;
    return a.eventIndex < b.eventIndex;
}

bool lessByStartTrackEvent(const MIDINoteSpan& a, const MIDINoteSpan& b)
{
    if (a.startSeconds != b.startSeconds) return a.startSeconds < b.startSeconds;
    if (a.trackIndex != b.trackIndex) return a.trackIndex < b.trackIndex;
    return a.eventIndex < b.eventIndex;
}

// The chosen tracks' events ordered by tick, then track index, then event
// index. The key is unique, so any correct sort gives the one stable order;
// parsed tracks are already in tick order, so a k-way merge does it in
// O(n log k) without moving the events twice.
std::vector<MIDITimelineEvent> mergedEvents(const MIDIFile& file, const std::vector<std::int64_t>& trackIndices)
{
    std::size_t count = 0;
    bool eachTrackInTickOrder = true;
    for (auto index : trackIndices) {
        const auto& events = file.tracks[static_cast<std::size_t>(index)].events;
        count += events.size();
        for (std::size_t i = 1; i < events.size() && eachTrackInTickOrder; ++i)
            eachTrackInTickOrder = events[i - 1].tick <= events[i].tick;
    }
    std::vector<MIDITimelineEvent> merged;
    merged.reserve(count);
    auto append = [&](std::int64_t trackIndex, std::size_t i) {
        const auto& event = file.tracks[static_cast<std::size_t>(trackIndex)].events[i];
        merged.push_back(MIDITimelineEvent{event.tick, 0.0, trackIndex, static_cast<std::int64_t>(i), event.kind});
    };

    if (!eachTrackInTickOrder) {
        // Hand-built files may hold ticks out of order; sort them in full.
        for (auto index : trackIndices)
            for (std::size_t i = 0; i < file.tracks[static_cast<std::size_t>(index)].events.size(); ++i) append(index, i);
        std::sort(merged.begin(), merged.end(), lessByTickTrackEvent);
        return merged;
    }

    struct Head {
        std::uint64_t tick;
        std::int64_t trackIndex;
        std::size_t position;
    };
    // A min-heap on (tick, track index); within a track the position keeps file order.
    auto later = [](const Head& a, const Head& b) {
        return a.tick != b.tick ? a.tick > b.tick : a.trackIndex > b.trackIndex;
    };
    std::vector<Head> heap;
    for (auto index : trackIndices) {
        const auto& events = file.tracks[static_cast<std::size_t>(index)].events;
        if (!events.empty()) heap.push_back({events[0].tick, index, 0});
    }
    std::make_heap(heap.begin(), heap.end(), later);
    while (!heap.empty()) {
        std::pop_heap(heap.begin(), heap.end(), later);
        Head& head = heap.back();
        const auto& events = file.tracks[static_cast<std::size_t>(head.trackIndex)].events;
        append(head.trackIndex, head.position);
        if (++head.position < events.size()) {
            head.tick = events[head.position].tick;
            std::push_heap(heap.begin(), heap.end(), later);
        } else {
            heap.pop_back();
        }
    }
    return merged;
}

// Spans are laid out in note-on order, which is already their final order
// unless two ticks round to the same seconds; the check keeps that case exact.
std::vector<MIDINoteSpan> pairNotes(const std::vector<MIDITimelineEvent>& events, double durationSeconds)
{
    std::unordered_map<NoteKey, OpenNotes, NoteKeyHash> open;
    std::vector<MIDINoteSpan> spans;
    spans.reserve(events.size() / 2);

    for (const auto& event : events) {
        const auto* channelEvent = std::get_if<MIDIChannelEvent>(&event.kind);
        if (!channelEvent) continue;
        std::uint8_t releasedNote;
        if (const auto* on = channelEvent->message.as<MIDIChannelMessage::NoteOn>()) {
            if (on->velocity > 0) {
                open[NoteKey{event.trackIndex, channelEvent->channel, on->note}].push(spans.size());
                // The end stays open until a release or the end of the song.
                spans.push_back(MIDINoteSpan{on->note, on->velocity, channelEvent->channel, event.trackIndex,
                                             event.eventIndex, event.seconds, event.seconds});
                continue;
            }
            releasedNote = on->note;
        } else if (const auto* off = channelEvent->message.as<MIDIChannelMessage::NoteOff>()) {
            releasedNote = off->note;
        } else {
            continue;
        }
        auto it = open.find(NoteKey{event.trackIndex, channelEvent->channel, releasedNote});
        if (it == open.end() || it->second.empty()) continue;
        auto& span = spans[it->second.pop()];
        span.endSeconds = std::max(span.startSeconds, event.seconds);
    }
    for (auto& [key, notes] : open) {
        while (!notes.empty()) {
            auto& span = spans[notes.pop()];
            span.endSeconds = std::max(span.startSeconds, durationSeconds);
        }
    }
    if (!std::is_sorted(spans.begin(), spans.end(), lessByStartTrackEvent))
        std::sort(spans.begin(), spans.end(), lessByStartTrackEvent);
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
    auto events = std::make_shared<std::vector<MIDITimelineEvent>>(mergedEvents(file, trackIndices));
    std::uint64_t largestTick = 0;
    for (auto& event : *events) {
        event.seconds = tempoMap_.seconds(event.tick);
        largestTick = std::max(largestTick, event.tick);
    }
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
    const auto& events = *events_;
    const auto count = static_cast<std::int64_t>(events.size());
    const std::int64_t begin = std::clamp<std::int64_t>(startIndex, 0, count);
    // Galloping from the start finds the same end as a search of the whole
    // list (events are ordered by seconds), in time that grows with the
    // number of events due rather than with the song.
    auto due = [&](std::int64_t i) { return !(throughSeconds < events[static_cast<std::size_t>(i)].seconds); };
    std::int64_t low = begin, step = 1;
    while (low < count && due(low)) {
        low += step;
        step *= 2;
    }
    std::int64_t high = std::min(low, count);
    low = std::max(begin, low - step / 2);
    auto first = events.begin() + low, last = events.begin() + high;
    auto upper = std::upper_bound(first, last, throughSeconds,
                                  [](double s, const MIDITimelineEvent& e) { return s < e.seconds; });
    const std::int64_t end = upper - events.begin();
    return {std::span<const MIDITimelineEvent>(events.data() + begin, static_cast<std::size_t>(end - begin)), begin,
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
