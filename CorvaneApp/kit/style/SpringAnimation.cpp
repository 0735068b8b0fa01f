#include "CorvaneApp/kit/style/SpringAnimation.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace corvane {

namespace {

// After this many periods a spring damped at 0.85 is within 0.03 % of rest.
constexpr double periodsShown = 1.6;

qreal sidebarEase(qreal progress)
{
    if (progress >= 1) return 1;
    const double seconds = progress * sidebarSpring.durationMilliseconds() / 1000.0;
    // What is left of the motion at the end is spread over the curve so that it ends at 1.
    const double rest = 1 - sidebarSpring.position(sidebarSpring.durationMilliseconds() / 1000.0);
    return sidebarSpring.position(seconds) + rest * progress;
}

} // namespace

double SpringAnimation::position(double seconds) const
{
    const double omega = 2 * std::numbers::pi / response;
    const double zeta = std::clamp(dampingFraction, 0.0, 0.999);
    const double omegaD = omega * std::sqrt(1 - zeta * zeta);
    const double envelope = std::exp(-zeta * omega * seconds);
    return 1 - envelope * (std::cos(omegaD * seconds) + zeta * omega / omegaD * std::sin(omegaD * seconds));
}

int SpringAnimation::durationMilliseconds() const { return static_cast<int>(std::lround(response * periodsShown * 1000)); }

QEasingCurve sidebarSpringCurve()
{
    QEasingCurve curve;
    curve.setCustomType(sidebarEase);
    return curve;
}

} // namespace corvane
