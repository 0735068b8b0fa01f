#pragma once

#include <cstdint>
#include <vector>

#include "CorvaneApp/demos/DemoPiece.hpp"

namespace corvane::demos {

inline constexpr std::uint16_t demoTicksPerQuarter = 480;

// The piece as a Standard MIDI File of format 1: a conductor track with the
// time signature and tempo, then "Mão direita" on channel 1 and "Mão esquerda"
// on channel 2 (0 and 1 on the wire). Throws DemoScoreError for a typing
// mistake in the piece or hands of unequal length.
std::vector<std::uint8_t> demoMIDIFile(const DemoPiece& piece);

} // namespace corvane::demos
