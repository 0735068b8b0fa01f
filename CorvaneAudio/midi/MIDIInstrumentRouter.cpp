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
    Change ignored;
    return route(message, channel, origin, ignored);
}

std::vector<MIDIInstrumentCommand> MIDIInstrumentRouter::route(const MIDIInputMessage& message, std::uint8_t channel,
                                                               const MIDIEventOrigin& origin, Change& change)
{
    const std::uint8_t ch = channel & 0x0F;
    change = Change{};
    change.channel = ch;
    const auto releasing = [&](std::uint8_t note) {
        change.kind = Change::Kind::noteOff;
        change.note = note;
        return release(note, ch, origin, &change.effective);
    };
    return std::visit(
        Overloaded{
            [&](const MIDIInputMessage::NoteOn& on) -> std::vector<MIDIInstrumentCommand> {
                if (on.velocity == 0) return releasing(on.note);
                change.kind = Change::Kind::noteOn;
                change.note = on.note;
                change.velocity = on.velocity;
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
                change.effective = true;
                return {MIDIInstrumentCommand::noteOn(on.note, on.velocity, ch)};
            },
            [&](const MIDIInputMessage::NoteOff& off) { return releasing(off.note); },
            [&](const MIDIInputMessage::ControlChange& control) -> std::vector<MIDIInstrumentCommand> {
                if (control.controller == sustainController) {
                    change.kind = Change::Kind::pedal;
                    const auto values = sustainValues_.find(ch);
                    if (values != sustainValues_.end())
                        if (const auto held = values->second.find(origin); held != values->second.end()) {
                            change.hadPedal = true;
                            change.previousPedal = held->second;
                        }
                    return pedal(control.value, ch, origin);
                }
                return {MIDIInstrumentCommand::controlChange(control.controller, control.value, ch)};
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
                                                                 const MIDIEventOrigin& origin, bool* released)
{
    const auto entry = noteOwners_.find(NoteKey{note, channel});
    if (entry == noteOwners_.end()) return {};
    auto& owners = entry->second;
    const auto held = owners.find(origin);
    if (held == owners.end()) return {};
    if (released) *released = true;
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

void MIDIInstrumentRouter::setPedal(std::optional<std::uint8_t> value, std::uint8_t channel, const MIDIEventOrigin& origin)
{
    if (value) {
        sustainValues_[channel][origin] = *value;
        return;
    }
    const auto entry = sustainValues_.find(channel);
    if (entry == sustainValues_.end()) return;
    entry->second.erase(origin);
    if (entry->second.empty()) sustainValues_.erase(entry);
}

std::vector<MIDIInstrumentCommand> MIDIInstrumentRouter::revert(const Change& change, const MIDIEventOrigin& origin)
{
    const NoteKey key{change.note, change.channel};
    switch (change.kind) {
    case Change::Kind::none:
        return {};
    case Change::Kind::noteOn: {
        const auto entry = noteOwners_.find(key);
        if (entry != noteOwners_.end()) {
            auto& owners = entry->second;
            if (const auto held = owners.find(origin); held != owners.end() && --held->second <= 0) owners.erase(held);
            if (!owners.empty()) {
                // Struck by the withdrawn note-on, the key is silent although another owner holds it.
                if (change.effective) return {MIDIInstrumentCommand::noteOn(change.note, change.velocity, change.channel)};
                return {};
            }
            noteOwners_.erase(entry);
        }
        // Held by nobody now; it may still sound from an owner gone meanwhile.
        return {MIDIInstrumentCommand::noteOff(change.note, change.channel)};
    }
    case Change::Kind::noteOff:
        // The withdrawn release never sounded: the key still sounds, held again.
        if (change.effective) noteOwners_[key][origin] += 1;
        return {};
    case Change::Kind::pedal: {
        setPedal(change.hadPedal ? std::optional(change.previousPedal) : std::nullopt, change.channel, origin);
        const auto entry = sustainValues_.find(change.channel);
        const std::uint8_t deepest = entry == sustainValues_.end() ? 0 : deepestPedal(entry->second);
        return {MIDIInstrumentCommand::controlChange(sustainController, deepest, change.channel)};
    }
    }
    return {};
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

std::vector<MIDIInstrumentRouter::Step> MIDIInstrumentRouter::stopInSteps(const MIDIEventOrigin& origin)
{
    // Gathered first: each release changes the maps being walked. Every hold
    // is released on its own, so that taking the steps back restores the count.
    std::vector<std::pair<NoteKey, int>> holds;
    for (const auto& [key, owners] : noteOwners_)
        if (const auto held = owners.find(origin); held != owners.end()) holds.emplace_back(key, held->second);
    std::vector<std::uint8_t> pedalChannels;
    for (const auto& [channel, values] : sustainValues_)
        if (values.contains(origin)) pedalChannels.push_back(channel);

    std::vector<Step> steps;
    for (const auto& [key, count] : holds)
        for (int i = 0; i < count; ++i) {
            Step step;
            step.commands = route(MIDIInputMessage::NoteOff{key.note, 0}, key.channel, origin, step.change);
            steps.push_back(std::move(step));
        }
    for (const auto channel : pedalChannels) {
        Step step;
        step.commands =
            route(MIDIInputMessage::ControlChange{sustainController, 0}, channel, origin, step.change);
        steps.push_back(std::move(step));
    }
    return steps;
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
