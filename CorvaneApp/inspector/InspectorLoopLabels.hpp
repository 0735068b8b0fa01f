#pragma once

#include <QString>

#include <cstdint>
#include <string>

namespace corvane {

class PracticeLoopBookmark;

// The texts of the loop editor and its saved-loop rows, apart from the
// widgets so that each rule can be checked on its own.

// A fine-adjustment step: "50 ms" up to 999 ms, else the seconds with up to
// two decimals in pt_BR ("1,5 s", "2 s"). A step that is not a positive
// finite number reads as "0 ms".
QString stepLabel(double seconds);

// A song time to the hundredth: "1:23,46", minutes not wrapped at the hour
// ("62:05,50"). Negative, non-finite and absurdly large times read "0:00,00".
QString preciseTimeLabel(double seconds);

// The tooltip of a saved loop's activation button.
QString savedLoopActivateHelp(const PracticeLoopBookmark& bookmark);

// "3×": the loop's repetitions.
QString loopRepetitionsLabel(std::int64_t repetitions);

// "75%": an on-time ratio in the user's own locale.
QString loopAccuracyLabel(double ratio);

} // namespace corvane
