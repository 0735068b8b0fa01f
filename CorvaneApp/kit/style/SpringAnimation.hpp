#pragma once

#include <QEasingCurve>

namespace corvane {

// A damped spring: `response` is the period of the undamped spring in
// seconds, `dampingFraction` below 1 overshoots a little.
struct SpringAnimation {
    double response = 0.22;
    double dampingFraction = 0.85;

    // The position `seconds` after the start, from 0 towards 1.
    double position(double seconds) const;
    // Until the motion is still to the eye.
    int durationMilliseconds() const;

    bool operator==(const SpringAnimation&) const = default;
};

// The sidebar's spring, and the easing curve that runs it over its duration.
inline constexpr SpringAnimation sidebarSpring{0.22, 0.85};
QEasingCurve sidebarSpringCurve();

} // namespace corvane
