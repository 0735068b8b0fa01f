#pragma once

#include <vector>

#include "CorvaneDomain/VisualImpactEvent.hpp"

namespace corvane {

// An impact being animated, from the effects-clock time it was taken in.
struct ActiveImpact {
    VisualImpactEvent event;
    double startTime = 0;

    bool operator==(const ActiveImpact&) const = default;
};

// How long an impact stays: long enough for its key light and its particles.
double impactLifetimeLimit(double particleLifetime);

// Drops every impact whose age reached the limit; the others keep their order.
void removeExpiredImpacts(std::vector<ActiveImpact>& impacts, double effectsTime, double particleLifetime);

} // namespace corvane
