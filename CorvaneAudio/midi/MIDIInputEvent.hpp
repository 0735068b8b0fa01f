#pragma once

#include <cstdint>
#include <type_traits>
#include <variant>

#include "CorvaneDomain/MIDIFile.hpp"

namespace corvane {

// What a MIDI keyboard played: the channel voice messages the practice
// controller cares about.
// The cases are the file model's channel messages of the same names.
struct MIDIInputMessage {
    using NoteOn = MIDIChannelMessage::NoteOn; // velocity never 0 when parsed
    using NoteOff = MIDIChannelMessage::NoteOff;
    using ControlChange = MIDIChannelMessage::ControlChange;
    using ProgramChange = MIDIChannelMessage::ProgramChange;
    using PitchBend = MIDIChannelMessage::PitchBend; // 0...16383, 8192 is the centre
    using Value = std::variant<NoteOn, NoteOff, ControlChange, ProgramChange, PitchBend>;

    Value value;

    MIDIInputMessage() = default;
    template <class Case>
        requires std::is_constructible_v<Value, Case>
    MIDIInputMessage(Case c) : value(std::move(c)) {}

    template <class Case> const Case* as() const { return std::get_if<Case>(&value); }

    bool operator==(const MIDIInputMessage&) const = default;
};

// One parsed event from a MIDI source, stamped with the host clock
// (CLOCK_MONOTONIC nanoseconds, the render clock's base) at arrival.
struct MIDIInputEvent {
    std::int32_t sourceID = 0; // same number as MIDIInputSource::id
    std::uint64_t timestamp = 0; // never 0 once built
    double timestampSeconds = 0;
    std::uint8_t channel = 0; // 0...15 when parsed
    MIDIInputMessage message;

    // A timestamp of 0 means "now" and is replaced by the current host time.
    MIDIInputEvent(std::int32_t sourceID, std::uint64_t timestamp, std::uint8_t channel, MIDIInputMessage message);

    // Milliseconds from the event's arrival to the given host time; 0 when
    // that is negative or not a number.
    double deliveryLatencyMilliseconds(std::uint64_t receivedAtHostTime) const;

    bool operator==(const MIDIInputEvent&) const = default;
};

} // namespace corvane
