#pragma once

#include <cstdint>
#include <type_traits>
#include <variant>

namespace corvane {

// One message for the instrument, as the router hands it to the audio engine.
// Channels are 0...15 when the router emits them.
struct MIDIInstrumentCommand {
    struct NoteOn {
        std::uint8_t note, velocity, channel;
        bool operator==(const NoteOn&) const = default;
    };
    struct NoteOff {
        std::uint8_t note, channel;
        bool operator==(const NoteOff&) const = default;
    };
    struct ControlChange {
        std::uint8_t controller, value, channel;
        bool operator==(const ControlChange&) const = default;
    };
    struct ProgramChange {
        std::uint8_t program, channel;
        bool operator==(const ProgramChange&) const = default;
    };
    struct PitchBend {
        std::uint16_t value; // 0...16383 as the router emits it
        std::uint8_t channel;
        bool operator==(const PitchBend&) const = default;
    };
    // Every channel: sustain released, then every note released.
    struct AllNotesOff {
        bool operator==(const AllNotesOff&) const = default;
    };
    using Value = std::variant<NoteOn, NoteOff, ControlChange, ProgramChange, PitchBend, AllNotesOff>;

    Value value;

    MIDIInstrumentCommand() = default;
    template <class Case>
        requires std::is_constructible_v<Value, Case>
    MIDIInstrumentCommand(Case c) : value(c) {}

    static MIDIInstrumentCommand noteOn(std::uint8_t note, std::uint8_t velocity, std::uint8_t channel)
    {
        return NoteOn{note, velocity, channel};
    }
    static MIDIInstrumentCommand noteOff(std::uint8_t note, std::uint8_t channel) { return NoteOff{note, channel}; }
    static MIDIInstrumentCommand controlChange(std::uint8_t controller, std::uint8_t value, std::uint8_t channel)
    {
        return ControlChange{controller, value, channel};
    }
    static MIDIInstrumentCommand programChange(std::uint8_t program, std::uint8_t channel)
    {
        return ProgramChange{program, channel};
    }
    static MIDIInstrumentCommand pitchBend(std::uint16_t value, std::uint8_t channel) { return PitchBend{value, channel}; }
    static MIDIInstrumentCommand allNotesOff() { return AllNotesOff{}; }

    template <class Case> const Case* as() const { return std::get_if<Case>(&value); }

    bool operator==(const MIDIInstrumentCommand&) const = default;
};

static_assert(std::is_trivially_copyable_v<MIDIInstrumentCommand>, "commands cross to the audio thread by copy");

} // namespace corvane
