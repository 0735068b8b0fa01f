#include "CorvaneAudio/midi/MIDI1UMPNoteParser.hpp"

#include <optional>

namespace corvane::MIDI1UMPNoteParser {

namespace detail {

std::optional<MIDIInputMessage> messageOfChannelVoiceWord(std::uint32_t word)
{
    const auto status = static_cast<std::uint8_t>((word >> 20) & 0x0F);
    const auto data1 = static_cast<std::uint8_t>((word >> 8) & 0x7F);
    const auto data2 = static_cast<std::uint8_t>(word & 0x7F);
    switch (status) {
    case 0x8:
        return MIDIInputMessage::NoteOff{data1, data2};
    case 0x9:
        if (data2 == 0) return MIDIInputMessage::NoteOff{data1, 0};
        return MIDIInputMessage::NoteOn{data1, data2};
    case 0xB:
        return MIDIInputMessage::ControlChange{data1, data2};
    case 0xC:
        return MIDIInputMessage::ProgramChange{data1};
    case 0xE:
        return MIDIInputMessage::PitchBend{static_cast<std::uint16_t>(data1 + data2 * 128)};
    default: // polyphonic key pressure, channel pressure, undefined nibbles
        return std::nullopt;
    }
}

// A continuation word of a longer message (system exclusive data, MIDI 2.0
// notes) can look like a channel voice word.
std::size_t messageWordCount(std::uint32_t firstWord)
{
    static constexpr std::size_t counts[16] = {1, 1, 1, 2, 2, 4, 1, 1, 2, 2, 2, 3, 3, 4, 4, 4};
    return counts[firstWord >> 28];
}

} // namespace detail

} // namespace corvane::MIDI1UMPNoteParser
