#pragma once

#include <cstdint>

#include "CorvaneAudio/midi/MIDIInstrumentCommand.hpp"
#include "CorvaneAudio/output/SingleProducerQueue.hpp"

namespace corvane {

// One command as the instrument received it: the sample it took effect at,
// the sample it was scheduled for (the same for a command sent to play at
// once), and the render cycle it belonged to (its first sample and host time).
struct AppliedCommand {
    std::int64_t sample = 0;
    std::int64_t scheduledSample = 0;
    std::int64_t cycleSample = 0;
    std::uint64_t cycleHostTime = 0;
    MIDIInstrumentCommand command;
};

// What the audio thread applied, for measurements and tests; the render core
// writes it only while one is attached. Read on the main thread.
using AppliedCommandLog = SingleProducerQueue<AppliedCommand, 65536>;

} // namespace corvane
