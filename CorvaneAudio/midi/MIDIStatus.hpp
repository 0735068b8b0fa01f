#pragma once

#include <cstdint>

namespace corvane {

// Result of an operation of the MIDI port layer: 0 is success. Failures are
// negative so that they never read as a port number or a count; they are kept
// as plain numbers because the settings window shows them as they are.
using MIDIStatus = std::int32_t;

namespace midiStatus {
inline constexpr MIDIStatus noError = 0;
// The MIDI system (ALSA sequencer or JACK server) cannot be reached.
inline constexpr MIDIStatus driverUnavailable = -1;
// The endpoint vanished after it was listed.
inline constexpr MIDIStatus endpointNotFound = -2;
// A port could not be created, opened or connected.
inline constexpr MIDIStatus portFailure = -3;
// The message could not be handed to the MIDI system.
inline constexpr MIDIStatus sendFailed = -4;
// The message is not a single MIDI 1.0 channel voice message.
inline constexpr MIDIStatus invalidMessage = -5;
// The operation needs a client or port that does not exist.
inline constexpr MIDIStatus invalidUse = -6;
} // namespace midiStatus

} // namespace corvane
