#pragma once

#include <QColor>
#include <QLocale>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

#include "CorvaneDomain/PracticeFeedback.hpp"
#include "CorvaneDomain/PracticeMetrics.hpp"

namespace corvane {

// "12:34" or "1:02:04" for a number of seconds, rounded half away from zero;
// negative times read "0:00", and so do times that are not finite or do not
// fit a 64-bit count of seconds.
QString durationLabel(double seconds);

// "1.234,50 ms": two fraction digits in pt_BR.
QString millisecondsLabel(double milliseconds);

// One kind of graded note and how many were played so.
struct PracticeBreakdownEntry {
    PracticeFeedbackKind kind = PracticeFeedbackKind::correct;
    std::int64_t count = 0;
    bool operator==(const PracticeBreakdownEntry&) const = default;
};
using PracticeBreakdown = std::array<PracticeBreakdownEntry, 4>;

// Correct, early, late, incorrect, in that order; a negative count from a
// damaged record counts as 0.
PracticeBreakdown practiceBreakdown(const PracticeMetrics& metrics);
// Each count ÷ the total of the four (at least 1), in breakdown order. The
// total is summed in double: counts near the Int64 limit neither overflow
// nor, as a total held at the limit would, each take the whole bar.
std::array<double, 4> practiceBreakdownShares(const PracticeBreakdown& breakdown);

// "No tempo", "Antecipadas", "Atrasadas", "Incorretas".
QString practiceFeedbackLabel(PracticeFeedbackKind kind);
// The kind's own hue at saturation 0.68, brightness 0.95.
double practiceFeedbackHue(PracticeFeedbackKind kind);
QColor practiceFeedbackColor(PracticeFeedbackKind kind);

// A whole number and a share as percent, in `locale` (the user's own for
// the page's composed labels).
QString localeCount(std::int64_t count, const QLocale& locale);
QString localePercent(double share, const QLocale& locale);

// "Aguardando " and the notes' names joined by " + ".
QString waitingNotesText(const std::vector<std::uint8_t>& notes);

} // namespace corvane
