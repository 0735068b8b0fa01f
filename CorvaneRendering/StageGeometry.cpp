#include "CorvaneRendering/StageGeometry.hpp"

#include <algorithm>
#include <array>

namespace corvane::StageGeometry {

namespace {

constexpr std::array<int, 128> whiteKeyTable = [] {
    std::array<int, 128> table{};
    table.fill(-1);
    int next = 0;
    for (int note = lowestNote; note <= highestNote; ++note) {
        const int pitchClass = note % 12;
        const bool black = pitchClass == 1 || pitchClass == 3 || pitchClass == 6 || pitchClass == 8 ||
                           pitchClass == 10;
        if (!black) table[note] = next++;
    }
    return table;
}();

} // namespace

double keyboardWidth(double viewportWidth) { return std::max(viewportWidth, 520.0); }
double whiteKeyWidth(double viewportWidth) { return keyboardWidth(viewportWidth) / whiteKeyCount; }
double keyboardHeight(double viewportHeight) { return std::min(viewportHeight * 0.5, 87.0); }
double keyboardTop(double viewportHeight) { return viewportHeight - keyboardHeight(viewportHeight); }

bool isBlackKey(int midiNote)
{
    const int pitchClass = ((midiNote % 12) + 12) % 12;
    return pitchClass == 1 || pitchClass == 3 || pitchClass == 6 || pitchClass == 8 || pitchClass == 10;
}

std::optional<int> whiteKeyIndex(int midiNote)
{
    if (midiNote < 0 || midiNote > 127 || whiteKeyTable[midiNote] < 0) return std::nullopt;
    return whiteKeyTable[midiNote];
}

int clampedNote(int midiNote) { return std::clamp(midiNote, lowestNote, highestNote); }

float keyCenterX(int midiNote, float whiteKeyWidth)
{
    const int note = clampedNote(midiNote);
    float x = 0;
    if (const auto index = whiteKeyIndex(note))
        x = (static_cast<float>(*index) + 0.5f) * whiteKeyWidth;
    else if (const auto lower = whiteKeyIndex(note - 1))
        x = static_cast<float>(*lower + 1) * whiteKeyWidth;
    return x + static_cast<float>(keyboardSideMargin);
}

} // namespace corvane::StageGeometry
