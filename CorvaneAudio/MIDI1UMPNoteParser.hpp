#pragma once

#include "CorvaneAudio/MIDIInputEvent.hpp"
#include "CorvaneAudio/UMPEventPacket.hpp"

#include <cstdint>
#include <span>
#include <vector>

namespace corvane {

// Picks MIDI 1.0 channel voice messages (single words of message type 2) out
// of Universal MIDI Packets. Stateless and lock-free: it runs on the MIDI
// system's receive thread.
namespace MIDI1UMPNoteParser {

// The events of every packet, in order; each packet contributes at most its
// first 64 words.
std::vector<MIDIInputEvent> parse(std::span<const UMPEventPacket> eventList, std::int32_t sourceID);

// The events of the words, in order. Messages of more than one word are
// stepped over as a whole, so their data is never read as a note.
std::vector<MIDIInputEvent> parse(std::span<const std::uint32_t> words, std::uint64_t timestamp,
                                  std::int32_t sourceID);

} // namespace MIDI1UMPNoteParser

} // namespace corvane
