#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "CorvaneApp/demos/DemoPiece.hpp"

namespace corvane::demos {

struct DemoNote {
    std::uint32_t startTick = 0;
    std::uint32_t lengthTicks = 0; // as written; the file shortens it slightly
    std::uint8_t pitch = 60;
    bool operator==(const DemoNote&) const = default;
};

// A typing mistake in a piece: the message names the hand, bar and token.
class DemoScoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::uint32_t ticksPerBar(const DemoPiece& piece, std::uint16_t ticksPerQuarter);

// The notes of one hand in time order. Throws DemoScoreError for a token it
// cannot read, a pitch outside the piano, or a bar that is not filled exactly.
std::vector<DemoNote> notesOf(const Phrase& bars, std::uint32_t barTicks, std::uint16_t ticksPerQuarter,
                              std::string_view handName);

} // namespace corvane::demos
