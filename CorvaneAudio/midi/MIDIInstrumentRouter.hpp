#pragma once

#include <compare>
#include <cstdint>
#include <map>
#include <optional>
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

    // What routing one message changed, so that a message sent ahead of its
    // time can be taken back when it is withdrawn before it sounded.
    struct Change {
        enum class Kind : std::uint8_t { none, noteOn, noteOff, pedal };
        Kind kind = Kind::none;
        std::uint8_t note = 0, channel = 0, velocity = 0;
        // noteOn: it struck the key (its commands hold the note-on).
        // noteOff: it released one hold of the origin.
        bool effective = false;
        // pedal: the origin's pedal before (absent: none held).
        bool hadPedal = false;
        std::uint8_t previousPedal = 0;
        bool operator==(const Change&) const = default;
    };

    // The commands for one incoming message; only the channel's low four bits count.
    std::vector<MIDIInstrumentCommand> route(const MIDIInputMessage& message, std::uint8_t channel,
                                             const MIDIEventOrigin& origin);
    std::vector<MIDIInstrumentCommand> route(const MIDIInputMessage& message, std::uint8_t channel,
                                             const MIDIEventOrigin& origin, Change& change);
    // Takes back what `route` changed for `origin`; changes are taken back
    // newest first, and none of them may have sounded. The commands bring
    // the instrument in line with the router: a key no longer held is
    // released, a key another owner still holds is struck when the withdrawn
    // commands held its strike, and the pedal is set to the deepest one held.
    std::vector<MIDIInstrumentCommand> revert(const Change& change, const MIDIEventOrigin& origin);
    // Whether any owner holds the key.
    bool holds(std::uint8_t note, std::uint8_t channel) const
    {
        return noteOwners_.contains(NoteKey{note, static_cast<std::uint8_t>(channel & 0x0F)});
    }
    // Releases every note and pedal the origin holds.
    std::vector<MIDIInstrumentCommand> stop(const MIDIEventOrigin& origin);
    // `stop` one release at a time, each with the change that takes it back,
    // for a stop sent ahead of its time (a loop's return).
    struct Step {
        Change change;
        std::vector<MIDIInstrumentCommand> commands;
    };
    std::vector<Step> stopInSteps(const MIDIEventOrigin& origin);
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

    std::vector<MIDIInstrumentCommand> release(std::uint8_t note, std::uint8_t channel, const MIDIEventOrigin& origin,
                                               bool* released = nullptr);
    std::vector<MIDIInstrumentCommand> pedal(std::uint8_t value, std::uint8_t channel, const MIDIEventOrigin& origin);
    void setPedal(std::optional<std::uint8_t> value, std::uint8_t channel, const MIDIEventOrigin& origin);

    std::map<NoteKey, Counts> noteOwners_;
    std::map<std::uint8_t, Pedals> sustainValues_;
};

} // namespace corvane
