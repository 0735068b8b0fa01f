#pragma once

#include "CorvaneDomain/VisualPreset.hpp"

namespace corvane {

// The user's accessibility wishes and the overall effect strength.
class VisualAccessibilityOptions {
public:
    // The effect intensity is kept within 0.2...1 (NaN gives 0.2).
    VisualAccessibilityOptions(bool reduceMotion, bool increaseContrast, bool reduceParticles,
                               double effectIntensity);

    bool reduceMotion() const { return reduceMotion_; }
    // Not applied to the preset: the renderer handles contrast itself.
    bool increaseContrast() const { return increaseContrast_; }
    bool reduceParticles() const { return reduceParticles_; }
    double effectIntensity() const { return effectIntensity_; }

    // The preset the stage draws: clamped, glow, saber and smoke scaled by
    // the effect intensity, particle emission and glow scaled too or, when
    // motion or particles are to be reduced, switched off. Nothing else changes.
    VisualPreset adjusted(const VisualPreset& preset) const;

    bool operator==(const VisualAccessibilityOptions&) const = default;

private:
    bool reduceMotion_;
    bool increaseContrast_;
    bool reduceParticles_;
    double effectIntensity_;
};

} // namespace corvane
