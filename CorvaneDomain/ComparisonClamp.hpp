#pragma once

namespace corvane {

// Keeps a value inside [lower, upper] by comparison: at or below the lower
// bound gives the lower bound, above the upper gives the upper. NaN compares
// neither way and passes unchanged; infinities become the bounds.
constexpr double clampedByComparison(double value, double lower, double upper)
{
    if (value <= lower) return lower;
    if (value > upper) return upper;
    return value;
}

} // namespace corvane
