#include "CorvaneAudio/midi/MIDIInstrumentRouter.hpp"

#include <algorithm>

#include "CorvaneDomain/Overloaded.hpp"

namespace corvane {

namespace {

constexpr std::uint8_t sustainController = 64;
constexpr std::uint8_t pedalDownThreshold = 64;

template <class Map> std::uint8_t deepestPedal(const Map& pedals)
{
    std::uint8_t deepest = 0;
    for (const auto& [origin, value] : pedals) deepest = std::max(deepest, value);
    return deepest;
}

} // namespace

std::vector<MIDIInstrumentCommand> MIDIInstrumentRouter::route(const MIDIInputMessage& message, std::uint8_t channel,
                                                               const MIDIEventOrigin& origin)
{
    const std::uint8_t ch = channel & 0x0F;
    return std::visit(
        Overloaded{
            [&](const MIDIInputMessage::NoteOn& on) -> std::vector<MIDIInstrumentCommand> {
                if (on.velocity == 0) return release(on.note, ch, origin);
                const NoteKey key{on.note, ch};
                auto& owners = noteOwners_[key];
                const bool wasSounding = !owners.empty();
                auto held = owners.find(origin);
                if (origin.isLive() && held != owners.end()) {
                    // The same keyboard striking a key it holds strikes it again.
                    held->second = 1;
                    return {MIDIInstrumentCommand::noteOff(on.note, ch),
                            MIDIInstrumentCommand::noteOn(on.note, on.velocity, ch)};
                }
                owners[origin] += 1;
                if (wasSounding) return {};
                return {MIDIInstrumentCommand::noteOn(on.note, on.velocity, ch)};
            },
            [&](const MIDIInputMessage::NoteOff& off) { return release(off.note, ch, origin); },
            [&](const MIDIInputMessage::ControlChange& change) -> std::vector<MIDIInstrumentCommand> {
                if (change.controller == sustainController) return pedal(change.value, ch, origin);
                return {MIDIInstrumentCommand::controlChange(change.controller, change.value, ch)};
            },
            [&](const MIDIInputMessage::ProgramChange& program) -> std::vector<MIDIInstrumentCommand> {
                return {MIDIInstrumentCommand::programChange(program.program, ch)};
            },
            [&](const MIDIInputMessage::PitchBend& bend) -> std::vector<MIDIInstrumentCommand> {
                return {MIDIInstrumentCommand::pitchBend(std::min<std::uint16_t>(bend.value, 16383), ch)};
            },
        },
        message.value);
}

std::vector<MIDIInstrumentCommand> MIDIInstrumentRouter::release(std::uint8_t note, std::uint8_t channel,
                                                                 const MIDIEventOrigin& origin)
{
    const auto entry = noteOwners_.find(NoteKey{note, channel});
    if (entry == noteOwners_.end()) return {};
    auto& owners = entry->second;
    const auto held = owners.find(origin);
    if (held == owners.end()) return {};
    if (held->second >= 2) {
        held->second -= 1;
        return {};
    }
    owners.erase(held);
    if (!owners.empty()) return {};
    noteOwners_.erase(entry);
    return {MIDIInstrumentCommand::noteOff(note, channel)};
}

std::vector<MIDIInstrumentCommand> MIDIInstrumentRouter::pedal(std::uint8_t value, std::uint8_t channel,
                                                               const MIDIEventOrigin& origin)
{
    auto entry = sustainValues_.find(channel);
    const std::uint8_t before = entry == sustainValues_.end() ? 0 : deepestPedal(entry->second);
    if (value >= pedalDownThreshold) {
        if (entry == sustainValues_.end()) entry = sustainValues_.emplace(channel, Pedals{}).first;
        entry->second[origin] = value;
    } else if (entry != sustainValues_.end()) {
        entry->second.erase(origin);
        if (entry->second.empty()) {
            sustainValues_.erase(entry);
            entry = sustainValues_.end();
        }
    }
    const std::uint8_t after = entry == sustainValues_.end() ? 0 : deepestPedal(entry->second);
    if (after == before) return {};
    return {MIDIInstrumentCommand::controlChange(sustainController, after, channel)};
}

std::vector<MIDIInstrumentCommand> MIDIInstrumentRouter::stop(const MIDIEventOrigin& origin)
{
    std::vector<MIDIInstrumentCommand> noteOffs;
    for (auto entry = noteOwners_.begin(); entry != noteOwners_.end();) {
        auto& owners = entry->second;
        if (owners.erase(origin) == 0 || !owners.empty()) {
            ++entry;
            continue;
        }
        noteOffs.push_back(MIDIInstrumentCommand::noteOff(entry->first.note, entry->first.channel));
        entry = noteOwners_.erase(entry);
    }
    std::vector<MIDIInstrumentCommand> pedals;
    for (auto entry = sustainValues_.begin(); entry != sustainValues_.end();) {
        auto& values = entry->second;
        const auto held = values.find(origin);
        if (held == values.end()) {
            ++entry;
            continue;
        }
        const std::uint8_t before = deepestPedal(values);
        values.erase(held);
        const std::uint8_t after = deepestPedal(values);
        const std::uint8_t channel = entry->first;
        entry = values.empty() ? sustainValues_.erase(entry) : std::next(entry);
        if (after != before) pedals.push_back(MIDIInstrumentCommand::controlChange(sustainController, after, channel));
    }
    noteOffs.insert(noteOffs.end(), pedals.begin(), pedals.end());
    return noteOffs;
}

std::vector<MIDIInstrumentCommand> MIDIInstrumentRouter::stopLiveInput()
{
    // Gathered first: stopping one origin changes the maps being walked.
    std::vector<MIDIEventOrigin> liveOrigins;
    auto gather = [&](const MIDIEventOrigin& origin) {
        if (origin.isLive() && std::find(liveOrigins.begin(), liveOrigins.end(), origin) == liveOrigins.end())
            liveOrigins.push_back(origin);
    };
    for (const auto& [key, owners] : noteOwners_)
        for (const auto& [origin, count] : owners) gather(origin);
    for (const auto& [channel, values] : sustainValues_)
        for (const auto& [origin, value] : values) gather(origin);

    std::vector<MIDIInstrumentCommand> commands;
    for (const auto& origin : liveOrigins) {
        auto stopped = stop(origin);
        commands.insert(commands.end(), stopped.begin(), stopped.end());
    }
    return commands;
}

std::vector<MIDIInstrumentCommand> MIDIInstrumentRouter::stopAll()
{
    noteOwners_.clear();
    sustainValues_.clear();
    return {MIDIInstrumentCommand::allNotesOff()};
}

} // namespace corvane
