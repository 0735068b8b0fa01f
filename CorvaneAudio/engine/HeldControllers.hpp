#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "CorvaneAudio/midi/MIDIInstrumentCommand.hpp"

namespace corvane {

// The controller values and pitch bends sent to an instrument that cannot
// take them yet, the last of each, to be set on it when it can: the engine
// keeps them while its piano loads, so a sustain pedal pressed meanwhile is
// down when the piano arrives.
class HeldControllers {
public:
    HeldControllers();

    // Notes say nothing here; "reset all controllers" forgets the channel's
    // values, "all notes off" lifts the sustain pedal on every channel.
    void remember(const MIDIInstrumentCommand& command);
    // Channel by channel, rising: its controllers, rising, then its pitch bend.
    std::vector<MIDIInstrumentCommand> commands() const;

private:
    static constexpr std::int32_t unset = -1;
    // Controllers 0...119; from 120 on are the channel mode messages, which
    // say nothing to an instrument that sounds nothing yet.
    std::array<std::array<std::int32_t, 120>, 16> controllers_;
    std::array<std::int32_t, 16> pitchBends_;
};

} // namespace corvane
