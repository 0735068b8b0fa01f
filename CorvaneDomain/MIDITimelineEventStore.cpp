#include "CorvaneDomain/MIDITimelineEventStore.hpp"

#include <stdexcept>

#include "CorvaneDomain/Overloaded.hpp"

namespace corvane {

namespace {

std::uint32_t pair(std::uint8_t low, std::uint8_t high) { return low | (std::uint32_t(high) << 8); }

MIDIChannelMessage decoded(std::uint8_t kind, std::uint32_t payload)
{
    const auto first = static_cast<std::uint8_t>(payload), second = static_cast<std::uint8_t>(payload >> 8);
    using M = MIDIChannelMessage;
    switch (kind) {
    case 0: return M::NoteOff{first, second};
    case 1: return M::NoteOn{first, second};
    case 2: return M::PolyphonicKeyPressure{first, second};
    case 3: return M::ControlChange{first, second};
    case 4: return M::ProgramChange{first};
    case 5: return M::ChannelPressure{first};
    default: return M::PitchBend{static_cast<std::uint16_t>(payload)};
    }
}

} // namespace

void MIDITimelineEventStore::append(std::uint64_t tick, std::uint64_t trackIndex, std::uint64_t eventIndex,
                                    const MIDIEventKind& kind)
{
    Packed packed{static_cast<std::uint32_t>(tick), static_cast<std::uint32_t>(eventIndex),
                  static_cast<std::uint16_t>(trackIndex), otherKind, 0, 0};
    if (const auto* channelEvent = std::get_if<MIDIChannelEvent>(&kind)) {
        using M = MIDIChannelMessage;
        packed.kind = static_cast<std::uint8_t>(channelEvent->message.value.index());
        packed.channel = channelEvent->channel;
        packed.payload = std::visit(Overloaded{
                                        [](const M::NoteOff& m) { return pair(m.note, m.velocity); },
                                        [](const M::NoteOn& m) { return pair(m.note, m.velocity); },
                                        [](const M::PolyphonicKeyPressure& m) { return pair(m.note, m.pressure); },
                                        [](const M::ControlChange& m) { return pair(m.controller, m.value); },
                                        [](const M::ProgramChange& m) { return std::uint32_t(m.program); },
                                        [](const M::ChannelPressure& m) { return std::uint32_t(m.pressure); },
                                        [](const M::PitchBend& m) { return std::uint32_t(m.value); },
                                    },
                                    channelEvent->message.value);
    } else {
        if (others_.size() > UINT32_MAX) throw std::length_error("too many meta events in one timeline");
        packed.payload = static_cast<std::uint32_t>(others_.size());
        others_.push_back(kind);
    }
    const High high{static_cast<std::uint32_t>(tick >> 32), static_cast<std::uint16_t>(trackIndex >> 16),
                    static_cast<std::uint16_t>(eventIndex >> 32)};
    if ((trackIndex >> 32) != 0 || (eventIndex >> 48) != 0)
        throw std::length_error("track or event index too large for a timeline");
    if (high_.empty() && (high.tick || high.trackIndex || high.eventIndex)) high_.resize(packed_.size());
    if (!high_.empty()) high_.push_back(high);
    packedAhead_.keepAhead(packed_);
    packed_.push_back(packed);
}

std::uint64_t MIDITimelineEventStore::tick(std::size_t index) const
{
    const std::uint64_t low = packed_[index].tick;
    return high_.empty() ? low : low | (std::uint64_t(high_[index].tick) << 32);
}

MIDITimelineEvent MIDITimelineEventStore::event(std::size_t index, std::size_t& tempoChange) const
{
    const Packed& packed = packed_[index];
    MIDITimelineEvent event;
    event.tick = packed.tick;
    std::uint64_t trackIndex = packed.trackIndex, eventIndex = packed.eventIndex;
    if (!high_.empty()) {
        const High& high = high_[index];
        event.tick |= std::uint64_t(high.tick) << 32;
        trackIndex |= std::uint64_t(high.trackIndex) << 16;
        eventIndex |= std::uint64_t(high.eventIndex) << 32;
    }
    event.seconds = tempoMap_.seconds(event.tick, tempoChange);
    event.trackIndex = static_cast<std::int64_t>(trackIndex);
    event.eventIndex = static_cast<std::int64_t>(eventIndex);
    if (packed.kind == otherKind) event.kind = others_[packed.payload];
    else event.kind = MIDIChannelEvent{packed.channel, decoded(packed.kind, packed.payload)};
    return event;
}

bool MIDITimelineEventStore::operator==(const MIDITimelineEventStore& other) const
{
    if (!(tempoMap_ == other.tempoMap_) || size() != other.size()) return false;
    std::size_t change = 0, otherChange = 0;
    for (std::size_t i = 0; i < size(); ++i)
        if (!(event(i, change) == other.event(i, otherChange))) return false;
    return true;
}

} // namespace corvane
