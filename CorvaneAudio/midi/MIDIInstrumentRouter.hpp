#pragma once

#include <compare>
#include <cstdint>
#include <map>
#include <unordered_map>
#include <vector>

#include "CorvaneAudio/midi/MIDIEventOrigin.hpp"
#include "CorvaneAudio/midi/MIDIInputEvent.hpp"
#include "CorvaneAudio/midi/MIDIInstrumentCommand.hpp"

namespace corvane {

// Merges the song's playback and live keyboards onto one instrument: a key
// sounds while any owner holds it, is struck once however many owners press
// it, and is released by its last owner; the sustain pedal on the instrument
// is the deepest pedal any owner holds. Main thread only.
class MIDIInstrumentRouter {
public:
    MIDIInstrumentRouter() = default;

    // The commands for one incoming message; only the channel's low four bits count.
    std::vector<MIDIInstrumentCommand> route(const MIDIInputMessage& message, std::uint8_t channel,
                                             const MIDIEventOrigin& origin);
    // Releases every note and pedal the origin holds.
    std::vector<MIDIInstrumentCommand> stop(const MIDIEventOrigin& origin);
    // `stop` for every live origin.
    std::vector<MIDIInstrumentCommand> stopLiveInput();
    // Forgets everything and silences the instrument.
    std::vector<MIDIInstrumentCommand> stopAll();

private:
    struct NoteKey {
        std::uint8_t note = 0;
        std::uint8_t channel = 0;
        auto operator<=>(const NoteKey&) const = default;
    };
    using Counts = std::unordered_map<MIDIEventOrigin, int>;
    using Pedals = std::unordered_map<MIDIEventOrigin, std::uint8_t>;

    std::vector<MIDIInstrumentCommand> release(std::uint8_t note, std::uint8_t channel, const MIDIEventOrigin& origin);
    std::vector<MIDIInstrumentCommand> pedal(std::uint8_t value, std::uint8_t channel, const MIDIEventOrigin& origin);

    std::map<NoteKey, Counts> noteOwners_;
    std::map<std::uint8_t, Pedals> sustainValues_;
};

} // namespace corvane
