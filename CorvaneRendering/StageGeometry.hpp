#pragma once

#include <optional>

namespace corvane::StageGeometry {

// The keyboard's layout rules, in points of the view (origin top left).
// A view narrower than 520 points still lays out a 520-point keyboard from
// x = 0, so its right part falls outside the view.
inline constexpr double keyboardSideMargin = 0;
inline constexpr int lowestNote = 21;
inline constexpr int highestNote = 108;
inline constexpr int whiteKeyCount = 52;

double keyboardWidth(double viewportWidth);
double whiteKeyWidth(double viewportWidth);
double keyboardHeight(double viewportHeight);
double keyboardTop(double viewportHeight);

// Pitch classes 1, 3, 6, 8 and 10.
bool isBlackKey(int midiNote);
// 0...51 for the white keys of notes 21...108, absent for black keys and notes off the keyboard.
std::optional<int> whiteKeyIndex(int midiNote);
// Clamped to the keyboard's range.
int clampedNote(int midiNote);
// The x of the key's centre; a black key sits on the boundary after its lower
// white neighbour. The note is clamped to the keyboard first.
float keyCenterX(int midiNote, float whiteKeyWidth);

} // namespace corvane::StageGeometry
