#include "CorvaneDomain/VisualAccessibilityOptions.hpp"

#include <algorithm>

namespace corvane {

VisualAccessibilityOptions::VisualAccessibilityOptions(bool reduceMotion, bool increaseContrast,
                                                       bool reduceParticles, double effectIntensity)
    : reduceMotion_(reduceMotion), increaseContrast_(increaseContrast), reduceParticles_(reduceParticles),
      effectIntensity_(std::min(effectIntensity > 0.2 ? effectIntensity : 0.2, 1.0))
{
}

VisualPreset VisualAccessibilityOptions::adjusted(const VisualPreset& preset) const
{
    auto result = preset.clamped();
    const double e = effectIntensity_;
    result.glowIntensity *= e;
    result.saberIntensity *= e;
    result.smokeIntensity *= e;
    if (reduceMotion_ || reduceParticles_) {
        result.particleIntensity = 0;
        result.particleGlowIntensity = 0;
    } else {
        result.particleIntensity *= e;
        result.particleGlowIntensity *= e;
    }
    return result;
}

} // namespace corvane
