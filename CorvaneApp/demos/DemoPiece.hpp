#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace corvane::demos {

// One bar of one hand: tokens "<pitches>:<length>" separated by spaces.
// Pitches are "r" (a rest) or notes joined by "+" for a chord, each a letter
// A-G, an optional "#" or "b" and the octave (C4 is middle C). The length is
// 1, 2, 4, 8 or 16 for whole to sixteenth, with a trailing "." for dotted.
// Example: "G2+B2+D3:2 A2:4".
using Bar = std::string_view;
using Phrase = std::vector<Bar>;

// A demo piece as typed from the score: both hands bar by bar, the same
// number of bars each, every bar filled exactly.
struct DemoPiece {
    std::string_view resourceName; // file base name in DemoMIDIs
    std::uint8_t beatsPerBar = 4;
    std::uint8_t beatUnit = 4;     // 2, 4 or 8
    double quartersPerMinute = 100;
    std::uint8_t rightVelocity = 80;
    std::uint8_t leftVelocity = 64;
    Phrase rightHand;
    Phrase leftHand;
};

// Phrases one after the other, as the repeats of the score are played.
inline Phrase joined(std::initializer_list<const Phrase*> phrases)
{
    Phrase bars;
    for (const auto* phrase : phrases) bars.insert(bars.end(), phrase->begin(), phrase->end());
    return bars;
}

DemoPiece odeToJoy();
DemoPiece ahVousDiraiJe();
DemoPiece minuetInG();
DemoPiece greensleeves();
DemoPiece furElise();

} // namespace corvane::demos
