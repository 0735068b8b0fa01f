#pragma once

#include <array>
#include <cstdint>

namespace corvane {

// One packet of Universal MIDI Packet words as the MIDI port layer hands it
// over: the words of the messages that arrived together, and their host time.
struct UMPEventPacket {
    static constexpr std::uint32_t maximumWordCount = 64;

    std::uint64_t timeStamp = 0; // host time; 0 means "now"
    std::uint32_t wordCount = 0; // readers cut anything above maximumWordCount
    std::array<std::uint32_t, maximumWordCount> words{};

    bool operator==(const UMPEventPacket&) const = default;
};

} // namespace corvane
