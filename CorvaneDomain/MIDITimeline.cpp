#include "CorvaneDomain/MIDITimeline.hpp"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <type_traits>

#include "CorvaneDomain/PrefaultAhead.hpp"

namespace corvane {

static_assert(sizeof(MIDINoteSpan) == 32 && std::is_trivially_copyable_v<MIDINoteSpan>);

namespace {

// The open notes of every (track, channel, note) key, oldest first, as
// indices into the span list: a flat table of keys found by open addressing.
// A song asks for a few thousand keys at most, so the table stays in cache
// while millions of notes pass through it; a key's list is emptied, not
// erased, so a key played often reuses its storage.
class OpenNotes {
public:
    static constexpr std::size_t none = SIZE_MAX;

    static std::uint64_t key(std::int64_t trackIndex, std::uint8_t channel, std::uint8_t note)
    {
        return (static_cast<std::uint64_t>(trackIndex) << 16) | (std::uint64_t(channel) << 8) | note;
    }

    OpenNotes() : slots_(256) {}

    void push(std::uint64_t key, std::size_t span) { find(key, true)->spans.push_back(span); }

    // The oldest open span of the key, now closed; `none` when it has none.
    std::size_t pop(std::uint64_t key)
    {
        Slot* slot = find(key, false);
        if (!slot || slot->head == slot->spans.size()) return none;
        const std::size_t first = slot->spans[slot->head++];
        if (slot->head == slot->spans.size()) {
            slot->spans.clear();
            slot->head = 0;
        }
        return first;
    }

    template <class Visit> void forEachOpen(Visit visit) const
    {
        for (const auto& slot : slots_)
            for (std::size_t i = slot.head; i < slot.spans.size(); ++i) visit(slot.spans[i]);
    }

private:
    static constexpr std::uint64_t emptyKey = UINT64_MAX;

    struct Slot {
        std::uint64_t key = emptyKey;
        std::size_t head = 0;
        std::vector<std::size_t> spans;
    };

    static std::size_t hash(std::uint64_t key) { return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 32); }

    Slot* find(std::uint64_t key, bool inserting)
    {
        for (;;) {
            const std::size_t mask = slots_.size() - 1;
            for (std::size_t i = hash(key) & mask;; i = (i + 1) & mask) {
                if (slots_[i].key == key) return &slots_[i];
                if (slots_[i].key != emptyKey) continue;
                if (!inserting) return nullptr;
                // Kept at most half full, so probes stay short.
                if (2 * (used_ + 1) > slots_.size()) break;
                ++used_;
                slots_[i].key = key;
                return &slots_[i];
            }
            grow();
        }
    }

    void grow()
    {
        std::vector<Slot> old(slots_.size() * 2);
        old.swap(slots_);
        const std::size_t mask = slots_.size() - 1;
        for (auto& slot : old) {
            if (slot.key == emptyKey) continue;
            std::size_t i = hash(slot.key) & mask;
            while (slots_[i].key != emptyKey) i = (i + 1) & mask;
            slots_[i] = std::move(slot);
        }
    }

    std::vector<Slot> slots_;
    std::size_t used_ = 0;
};

// Where an event of the chosen tracks stands in the file.
struct EventReference {
    std::uint64_t tick;
    std::int64_t trackIndex;
    std::size_t eventIndex;
    const MIDIEvent* event;
};

bool lessByTickTrackEvent(const EventReference& a, const EventReference& b)
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
// index, each handed to `visit` as soon as it is in place, while it is still
// in cache. Parsed tracks are in tick order, so a k-way merge does it in
// O(n log k); false, with the visits unfinished, when some track's ticks go
// backwards (only a file built by hand can hold such a track).
template <class Visit>
bool mergeInTickOrder(const MIDIFile& file, const std::vector<std::int64_t>& trackIndices, Visit visit)
{
    struct Head {
        std::uint64_t tick;
        std::int64_t trackIndex;
        std::size_t position;
        const std::vector<MIDIEvent>* events;
    };
    auto before = [](const Head& a, const Head& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.trackIndex < b.trackIndex;
    };
    // A min-heap on (tick, track index); within a track the position keeps file order.
    std::vector<Head> heap;
    for (auto index : trackIndices) {
        const auto& events = file.tracks[static_cast<std::size_t>(index)].events;
        if (!events.empty()) heap.push_back({events[0].tick, index, 0, &events});
    }
    std::make_heap(heap.begin(), heap.end(), [&](const Head& a, const Head& b) { return before(b, a); });
    while (!heap.empty()) {
        Head& top = heap.front();
        const auto& event = (*top.events)[top.position];
        visit(EventReference{event.tick, top.trackIndex, top.position, &event});
        if (++top.position < top.events->size()) {
            // The tracks are read as many interleaved streams, too many for
            // the hardware to foresee; fetching a few events ahead hides the
            // wait for memory.
            __builtin_prefetch(top.events->data() + std::min(top.position + 8, top.events->size() - 1));
            const std::uint64_t next = (*top.events)[top.position].tick;
            if (next < top.tick) return false;
            top.tick = next;
        } else {
            top = heap.back();
            heap.pop_back();
        }
        // The top changed in place: one sift down instead of a pop and a push.
        const std::size_t size = heap.size();
        for (std::size_t i = 0;;) {
            std::size_t smallest = i;
            const std::size_t left = 2 * i + 1, right = left + 1;
            if (left < size && before(heap[left], heap[smallest])) smallest = left;
            if (right < size && before(heap[right], heap[smallest])) smallest = right;
            if (smallest == i) break;
            std::swap(heap[i], heap[smallest]);
            i = smallest;
        }
    }
    return true;
}

// Keeps the merged events and pairs their notes into spans, in one pass with
// the merge. Spans are laid out in note-on order, which is already their
// final order unless two ticks round to the same seconds; the check at the
// end keeps that case exact.
class TimelineStamper {
public:
    TimelineStamper(const MIDITempoMap& tempoMap, std::size_t eventCount)
        : events_(std::make_shared<MIDITimelineEventStore>(tempoMap))
    {
        events_->reserve(eventCount);
        spans_.reserve(noteOnCount(eventCount));
        spansAhead_.inBackground(spans_);
    }

    void add(const EventReference& reference)
    {
        const MIDIEvent& event = *reference.event;
        events_->append(reference.tick, static_cast<std::uint64_t>(reference.trackIndex), reference.eventIndex,
                        event.kind);
        largestTick_ = std::max(largestTick_, reference.tick);

        const auto* channelEvent = std::get_if<MIDIChannelEvent>(&event.kind);
        if (!channelEvent) return;
        std::uint8_t releasedNote;
        if (const auto* on = channelEvent->message.as<MIDIChannelMessage::NoteOn>()) {
            if (on->velocity > 0) {
                open_.push(OpenNotes::key(reference.trackIndex, channelEvent->channel, on->note), spans_.size());
                spansAhead_.keepAhead(spans_);
                // Events come in tick order: the tempo map is walked, not searched.
                const double seconds = events_->tempoMap().seconds(reference.tick, tempoChange_);
                // The end stays open until a release or the end of the song.
                spans_.push_back(MIDINoteSpan{on->note, on->velocity, channelEvent->channel,
                                              static_cast<std::int32_t>(reference.trackIndex),
                                              static_cast<std::int32_t>(reference.eventIndex), seconds, seconds});
                return;
            }
            releasedNote = on->note;
        } else if (const auto* off = channelEvent->message.as<MIDIChannelMessage::NoteOff>()) {
            releasedNote = off->note;
        } else {
            return;
        }
        const std::size_t closed = open_.pop(OpenNotes::key(reference.trackIndex, channelEvent->channel, releasedNote));
        if (closed == OpenNotes::none) return;
        auto& span = spans_[closed];
        span.endSeconds = std::max(span.startSeconds, events_->tempoMap().seconds(reference.tick, tempoChange_));
    }

    // The duration; notes never released end there.
    double finish()
    {
        events_->appendsDone();
        spansAhead_.stop();
        const double duration = events_->tempoMap().seconds(largestTick_);
        open_.forEachOpen([&](std::size_t index) {
            auto& span = spans_[index];
            span.endSeconds = std::max(span.startSeconds, duration);
        });
        if (!std::is_sorted(spans_.begin(), spans_.end(), lessByStartTrackEvent))
            std::sort(spans_.begin(), spans_.end(), lessByStartTrackEvent);
        // Room kept for notes that never came is given back.
        if (spans_.capacity() - spans_.size() > spans_.size() / 8) spans_.shrink_to_fit();
        return duration;
    }

    std::shared_ptr<MIDITimelineEventStore>& events() { return events_; }
    std::vector<MIDINoteSpan>& spans() { return spans_; }

private:
    // A note takes two events at least, its note-on and its release; a song
    // of notes alone gets exactly the room it needs.
    static std::size_t noteOnCount(std::size_t eventCount) { return eventCount / 2; }

    std::shared_ptr<MIDITimelineEventStore> events_;
    std::size_t tempoChange_ = 0;
    std::uint64_t largestTick_ = 0;
    OpenNotes open_;
    std::vector<MIDINoteSpan> spans_;
    PrefaultAhead spansAhead_;
};

} // namespace

MIDITimeline::MIDITimeline(const MIDIFile& file) : MIDITimeline(file, MIDITempoMap(file), allTrackIndices(file)) {}

MIDITimeline::MIDITimeline(const MIDIFile& file, std::int64_t trackIndex)
    : MIDITimeline(file, MIDITempoMap(file, trackIndex), {trackIndex})
{
}

MIDITimeline::MIDITimeline(const MIDIFile& file, MIDITempoMap tempoMap, const std::vector<std::int64_t>& trackIndices)
{
    std::size_t count = 0;
    for (auto index : trackIndices) count += file.tracks[static_cast<std::size_t>(index)].events.size();
    auto stamper = std::make_unique<TimelineStamper>(tempoMap, count);
    if (!mergeInTickOrder(file, trackIndices, [&](const EventReference& event) { stamper->add(event); })) {
        // Ticks out of order within a track: sort everything, then stamp.
        stamper = std::make_unique<TimelineStamper>(tempoMap, count);
        std::vector<EventReference> events;
        events.reserve(count);
        for (auto index : trackIndices) {
            const auto& trackEvents = file.tracks[static_cast<std::size_t>(index)].events;
            for (std::size_t i = 0; i < trackEvents.size(); ++i)
                events.push_back(EventReference{trackEvents[i].tick, index, i, &trackEvents[i]});
        }
        std::sort(events.begin(), events.end(), lessByTickTrackEvent);
        for (const auto& event : events) stamper->add(event);
    }
    durationSeconds_ = stamper->finish();
    noteSpans_ = MIDINoteSpanList(std::move(stamper->spans()));
    events_ = std::move(stamper->events());
    for (auto index : trackIndices) {
        const auto& owner = file.tracks[static_cast<std::size_t>(index)].payloadOwner;
        if (owner && std::find(payloadOwners_.begin(), payloadOwners_.end(), owner) == payloadOwners_.end())
            payloadOwners_.push_back(owner);
    }
}

std::int64_t MIDITimeline::firstEventIndex(double seconds) const
{
    // Events are ordered by seconds: the first not before `seconds`, by halving.
    std::size_t low = 0, high = events_->size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (events_->seconds(middle) < seconds) low = middle + 1;
        else high = middle;
    }
    return static_cast<std::int64_t>(low);
}

MIDITimelineEventSlice MIDITimeline::pendingEvents(std::int64_t startIndex, double throughSeconds) const
{
    const auto& events = *events_;
    const auto count = static_cast<std::int64_t>(events.size());
    const std::int64_t begin = std::clamp<std::int64_t>(startIndex, 0, count);
    // Galloping from the start finds the same end as a search of the whole
    // list (events are ordered by seconds), in time that grows with the
    // number of events due rather than with the song.
    auto due = [&](std::int64_t i) { return !(throughSeconds < events.seconds(static_cast<std::size_t>(i))); };
    std::int64_t low = begin, step = 1;
    while (low < count && due(low)) {
        low += step;
        step *= 2;
    }
    std::int64_t high = std::min(low, count);
    low = std::max(begin, low - step / 2);
    // The first event past `throughSeconds` in [low, high), by halving.
    while (low < high) {
        const std::int64_t middle = low + (high - low) / 2;
        if (due(middle)) low = middle + 1;
        else high = middle;
    }
    const std::int64_t end = low;
    return {MIDITimelineEvents(&events, static_cast<std::size_t>(begin), static_cast<std::size_t>(end)), begin, end};
}

// The spans are in time order, so those sounding at a time start at most the
// longest span's length before it: a seek late in a long song looks at the
// notes near it, not at every note before it.
std::vector<MIDINoteSpan> MIDITimeline::activeNoteSpans(double seconds) const
{
    std::vector<MIDINoteSpan> active;
    const double earliest = seconds - noteSpans_.longestSeconds() - 1e-6;
    const auto first = std::lower_bound(noteSpans_.begin(), noteSpans_.end(), earliest,
                                        [](const MIDINoteSpan& span, double at) { return span.startSeconds < at; });
    for (auto it = first; it != noteSpans_.end(); ++it) {
        const MIDINoteSpan& span = *it;
        if (!(span.startSeconds < seconds)) break;
        if (seconds < span.endSeconds) active.push_back(span);
    }
    return active;
}

bool MIDITimeline::operator==(const MIDITimeline& other) const
{
    return durationSeconds_ == other.durationSeconds_ && (events_ == other.events_ || *events_ == *other.events_) &&
           noteSpans_ == other.noteSpans_;
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
