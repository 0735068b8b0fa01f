#pragma once

#include "CorvaneAudio/midi/UMPEventPacket.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace corvane {

// Between MIDI 1.0 byte streams (what ALSA and JACK carry) and Universal MIDI
// Packet words (what the parser reads).

struct MIDI1Decoded {
    std::size_t length = 0; // bytes consumed; 0 only for an empty input
    std::optional<std::uint32_t> word; // absent when the bytes were dropped
    bool operator==(const MIDI1Decoded&) const = default;
};

// The word of one MIDI 1.0 message in group 0: type 2 for a channel voice
// status, type 1 for a system one. Only the low seven bits of each data byte count.
constexpr std::uint32_t midi1Word(std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    const std::uint32_t type = status < 0xF0 ? 0x2u : 0x1u;
    return (type << 28) | (std::uint32_t{status} << 16) | (std::uint32_t(data1 & 0x7F) << 8) | (data2 & 0x7Fu);
}

// Reads the message at the start of `bytes`. Channel voice messages become a
// type-2 word, system common and real-time messages a type-1 word, both in
// group 0. System exclusive data (up to its end byte), stray data bytes,
// truncated messages and undefined status bytes are dropped; a truncated
// message consumes only the bytes before the next status byte, so that the
// next message is still read.
MIDI1Decoded decodeMIDI1Message(std::span<const std::uint8_t> bytes);

// Packs every message of `bytes` into packets of at most 64 words stamped with
// `timeStamp`, handing each packet to `handle`. Nothing is emitted when no
// message survives. Allocates nothing.
template <class Handle> void packMIDI1Bytes(std::span<const std::uint8_t> bytes, std::uint64_t timeStamp, Handle&& handle)
{
    UMPEventPacket packet;
    packet.timeStamp = timeStamp;
    while (!bytes.empty()) {
        const MIDI1Decoded decoded = decodeMIDI1Message(bytes);
        bytes = bytes.subspan(decoded.length);
        if (!decoded.word) continue;
        packet.words[packet.wordCount++] = *decoded.word;
        if (packet.wordCount == UMPEventPacket::maximumWordCount) {
            handle(static_cast<const UMPEventPacket&>(packet));
            packet.wordCount = 0;
        }
    }
    if (packet.wordCount > 0) handle(static_cast<const UMPEventPacket&>(packet));
}

// The MIDI 1.0 bytes of a type-2 word: 2 bytes for program change and channel
// pressure, 3 for the others. Returns the number of bytes written to `out`,
// 0 when the word is no MIDI 1.0 channel voice message.
std::size_t midi1BytesOfWord(std::uint32_t word, std::array<std::uint8_t, 3>& out);

} // namespace corvane
