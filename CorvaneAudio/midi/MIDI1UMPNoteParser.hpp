#pragma once

#include "CorvaneAudio/HostClock.hpp"
#include "CorvaneAudio/midi/MIDIInputEvent.hpp"
#include "CorvaneAudio/midi/UMPEventPacket.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>

namespace corvane {

// Picks MIDI 1.0 channel voice messages (single words of message type 2) out
// of Universal MIDI Packets. Stateless and lock-free: it runs on the MIDI
// system's receive thread.
namespace MIDI1UMPNoteParser {

namespace detail {
// The message of a type-2 word, absent for the kinds that yield nothing.
std::optional<MIDIInputMessage> messageOfChannelVoiceWord(std::uint32_t word);
// Words in the message that starts with this word.
std::size_t messageWordCount(std::uint32_t firstWord);
} // namespace detail

// Hands each event of the words to `handle`, in order, allocating nothing: the
// receive path calls it on the MIDI system's thread, which may be real-time.
// Messages of more than one word are stepped over as a whole, so their data is
// never read as a note. A time stamp of 0 is replaced by the host time now.
template <class Handle>
void forEachEvent(std::span<const std::uint32_t> words, std::uint64_t timestamp, std::int32_t sourceID, Handle&& handle)
{
    // Read the clock once per packet so that its events share one stamp.
    std::uint64_t stamp = timestamp;
    for (std::size_t i = 0; i < words.size(); i += detail::messageWordCount(words[i])) {
        const std::uint32_t word = words[i];
        if ((word >> 28) != 0x2) continue;
        auto message = detail::messageOfChannelVoiceWord(word);
        if (!message) continue;
        if (stamp == 0) stamp = hostTimeNow();
        const auto channel = static_cast<std::uint8_t>((word >> 16) & 0x0F);
        handle(MIDIInputEvent(sourceID, stamp, channel, std::move(*message)));
    }
}

// The events of one packet as the MIDI port layer hands it over; at most its
// first 64 words are read, whatever its count says.
template <class Handle> void forEachEvent(const UMPEventPacket& packet, std::int32_t sourceID, Handle&& handle)
{
    const std::uint32_t count = std::min(packet.wordCount, UMPEventPacket::maximumWordCount);
    forEachEvent(std::span(packet.words.data(), count), packet.timeStamp, sourceID, std::forward<Handle>(handle));
}

} // namespace MIDI1UMPNoteParser

} // namespace corvane
