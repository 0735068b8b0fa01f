#include "CorvaneRendering/ActiveImpact.hpp"

#include <algorithm>

namespace corvane {

double impactLifetimeLimit(double particleLifetime) { return std::max(particleLifetime * 1.7, 0.46); }

void removeExpiredImpacts(std::vector<ActiveImpact>& impacts, double effectsTime, double particleLifetime)
{
    const double limit = impactLifetimeLimit(particleLifetime);
    std::erase_if(impacts, [&](const ActiveImpact& impact) { return effectsTime - impact.startTime >= limit; });
}

} // namespace corvane
