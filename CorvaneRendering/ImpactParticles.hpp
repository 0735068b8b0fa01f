#pragma once

#include <cstdint>
#include <vector>

#include "CorvaneDomain/VisualPreset.hpp"
#include "CorvaneRendering/GPUInstances.hpp"

namespace corvane {

// One impact's spray as it stands at `age`: where it comes from and how strong it is.
struct ImpactParticleSource {
    float sourceX = 0; // centre x of the struck key
    float keyboardTop = 0;
    Float4 color; // the impact colour, alpha 0.92
    float age = 0; // seconds since the impact was taken in
    float intensity = 0; // velocity / 127
    double hue = 0; // the impact colour again, for the per-particle hue variation
    double saturation = 0;
    double brightness = 0;
    std::int64_t seed = 0; // the event's sequence

    bool operator==(const ImpactParticleSource&) const = default;
};

inline constexpr std::size_t particleListLimit = 4096;
inline constexpr int particlesPerImpactLimit = 192;

// Appends the impact's flash and particles (each head followed by its trail)
// to `particles`, computed in closed form from the age, the sequence and the
// preset's particle fields; adds nothing once the list holds 4,096 records.
void appendImpactParticles(std::vector<ParticleInstance>& particles, const ImpactParticleSource& source,
                           const VisualPreset& preset);

} // namespace corvane
