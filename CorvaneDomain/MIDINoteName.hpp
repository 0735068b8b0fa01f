#pragma once

#include <cstdint>
#include <string>

namespace corvane {

// The note's letter, with a sharp sign (U+266F) for the black keys, and its
// octave, middle C being C4: 60 → "C4", 61 → "C♯4", 0 → "C-1". Never flats.
std::string noteName(std::uint8_t midiNote);

} // namespace corvane
